// The traditional zip encryption (the one every unzip tool reads), for entries this project writes and
// reads with a password; the packaged minizip is built without it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

class ZipCrypto {
  public:
    explicit ZipCrypto(std::string_view password);
    uint8_t decrypt(uint8_t c);
    uint8_t encrypt(uint8_t p);
    void decrypt(uint8_t* data, size_t n);
    void encrypt(uint8_t* data, size_t n);

    // The 12-byte header that starts an encrypted entry; its last byte checks the password.
    std::string header(uint32_t crc);
    // Decrypts a header and tells whether its check byte matches (`check` is the CRC's top byte, or
    // the time's high byte for entries with a trailing data descriptor).
    bool acceptHeader(uint8_t* header12, uint8_t check);

  private:
    uint8_t streamByte() const;
    void update(uint8_t p);
    uint32_t k0_ = 0x12345678, k1_ = 0x23456789, k2_ = 0x34567890;
};
