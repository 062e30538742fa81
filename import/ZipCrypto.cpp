// The traditional zip encryption, for entries this project writes and reads with a password.
#include "import/ZipCrypto.h"

#include <random>
#include <zlib.h>

namespace {
uint32_t crcByte(uint32_t crc, uint8_t b) {
    static const z_crc_t* table = get_crc_table();
    return table[(crc ^ b) & 0xFF] ^ (crc >> 8);
}
} // namespace

ZipCrypto::ZipCrypto(std::string_view password) {
    for (unsigned char c : password)
        update(c);
}

void ZipCrypto::update(uint8_t p) {
    k0_ = crcByte(k0_, p);
    k1_ = (k1_ + (k0_ & 0xFF)) * 134775813u + 1;
    k2_ = crcByte(k2_, static_cast<uint8_t>(k1_ >> 24));
}

uint8_t ZipCrypto::streamByte() const {
    const uint32_t t = (k2_ & 0xFFFF) | 2;
    return static_cast<uint8_t>((t * (t ^ 1)) >> 8);
}

uint8_t ZipCrypto::decrypt(uint8_t c) {
    const uint8_t p = c ^ streamByte();
    update(p);
    return p;
}

uint8_t ZipCrypto::encrypt(uint8_t p) {
    const uint8_t c = p ^ streamByte();
    update(p);
    return c;
}

void ZipCrypto::decrypt(uint8_t* data, size_t n) {
    for (size_t i = 0; i < n; ++i)
        data[i] = decrypt(data[i]);
}

void ZipCrypto::encrypt(uint8_t* data, size_t n) {
    for (size_t i = 0; i < n; ++i)
        data[i] = encrypt(data[i]);
}

std::string ZipCrypto::header(uint32_t crc) {
    std::random_device device;
    std::string h(12, '\0');
    for (int i = 0; i < 10; ++i)
        h[i] = static_cast<char>(device() & 0xFF);
    h[10] = static_cast<char>((crc >> 16) & 0xFF);
    h[11] = static_cast<char>(crc >> 24);
    encrypt(reinterpret_cast<uint8_t*>(h.data()), h.size());
    return h;
}

bool ZipCrypto::acceptHeader(uint8_t* header12, uint8_t check) {
    decrypt(header12, 12);
    return header12[11] == check;
}
