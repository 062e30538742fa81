// The LAPACK routines behind the least-squares and logistic fits, declared by hand with the
// Fortran calling convention (trailing hidden lengths of the character arguments), and a
// column-major copy helper for the regressor columns.
#pragma once

#include <cstddef>
#include <vector>

extern "C" {
void dgels_(const char* trans, const int* m, const int* n, const int* nrhs, double* a, const int* lda,
            double* b, const int* ldb, double* work, const int* lwork, int* info, std::size_t transLen);
void dtrtri_(const char* uplo, const char* diag, const int* n, double* a, const int* lda, int* info,
             std::size_t uploLen, std::size_t diagLen);
void dpotrf_(const char* uplo, const int* n, double* a, const int* lda, int* info, std::size_t uploLen);
void dpotri_(const char* uplo, const int* n, double* a, const int* lda, int* info, std::size_t uploLen);
}

namespace leastsquares {

// Copies k columns of n values into an n × k column-major buffer (leading dimension n).
inline void copyColumnMajor(const std::vector<std::vector<double>>& columns, std::size_t n, double* out) {
    for (std::size_t j = 0; j < columns.size(); ++j) {
        const double* src = columns[j].data();
        double* dst = out + j * n;
        for (std::size_t i = 0; i < n; ++i)
            dst[i] = src[i];
    }
}

} // namespace leastsquares
