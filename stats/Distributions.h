// The numerical floor of the statistics library: incomplete gamma and beta functions, binomial
// probabilities, normal, t, chi-square and F distributions, rounding and a seeded uniform draw.
// The approximations here fix the numbers every screen shows; do not swap in more accurate routines.
#pragma once

#include <cstdint>

// floor(x + 0.5): halves round up, also below zero (-2.5 gives -2).
double round_nearest(double x);

// A double in [0, 1) from drand48, seeded once per process from the clock. Safe from any thread.
double uniform_random();
// Seeds drand48 from the clock; only the first call of the process has an effect.
void seed_random();

// Regularised lower and upper incomplete gamma functions P(a, x) and Q(a, x).
double p_gamma(double a, double x);
double q_gamma(double a, double x);

double log_beta(double a, double b);
double beta_function(double a, double b);

// One level (depth m) of the continued fraction of the incomplete beta; prev is the previous term.
double incbeta_cf(int m, double x, double a, double b, double prev);
// Regularised incomplete beta I_x(a, b).
double incbeta(double x, double a, double b);
// x with I_x(a, b) = p by a damped Newton iteration, or NaN when it does not converge.
double incbeta_inverse(double p, double a, double b);

// Probability of k successes in n trials; 0 when k > n.
double binom_pmf(uint64_t n, uint64_t k, double p);
// One minus half the exact two-sided binomial p-value of k: callers recover the p-value as 2(1 - result).
double binom_exact_tail(int32_t n, int32_t k, double p);

double norm_pdf(double x, double mean, double sd);
// Standard normal quantile from a closed-form inverse error function (1.9572 at 0.975, not 1.9600).
double norm_quantile_approx(double p);

// Student t density of the standardised value; not divided by the scale.
double t_pdf(double x, double location, double scale, double df);
double t_cdf(double t, double df);
// Positive t whose two-tailed probability is 2p (Hill's algorithm): p = 0.025 gives the 97.5 % point.
double t_quantile(double p, double df);

// One-degree chi-square density at v = n (x - p)^2 / (p (1 - p)).
double chi1_pdf(int n, double x, double p);
// Upper-tail probability of the F distribution.
double f_upper_tail(double F, double d1, double d2);
// Chi-square quantiles by Wilson-Hilferty; the one-degree form is taken at probability 2p - 1.
double chi2_quantile(double p, double df);
double chi2_quantile_df1(double p);
