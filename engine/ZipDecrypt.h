#pragma once
// Traditional PKWARE zip decryption: three 32-bit keys, stirred by every plain byte through the CRC-32
// table, give the byte that each cipher byte is XORed with. An encrypted entry starts with a 12-byte
// header whose last plain byte repeats part of the entry's CRC (or time), a one-byte password check.

#include <cstddef>
#include <cstdint>

class ZipDecrypt {
public:
    explicit ZipDecrypt(const char *password);

    // Decrypts the 12-byte header; true when its check byte equals `checkByte`.
    bool decryptHeader(const unsigned char *header, unsigned char checkByte);
    // Decrypts in place, continuing from the header.
    void decrypt(unsigned char *data, size_t count);

    static constexpr size_t kHeaderSize = 12;

private:
    void updateKeys(unsigned char plain) {
        keys_[0] = crcStep(keys_[0], plain);
        keys_[1] = (keys_[1] + (keys_[0] & 0xff)) * 134775813u + 1;
        keys_[2] = crcStep(keys_[2], static_cast<unsigned char>(keys_[1] >> 24));
    }
    unsigned char keyStreamByte() const {
        uint32_t temp = (keys_[2] & 0xffff) | 2;
        return static_cast<unsigned char>((temp * (temp ^ 1)) >> 8);
    }
    uint32_t crcStep(uint32_t crc, unsigned char byte) const { return crcTable_[(crc ^ byte) & 0xff] ^ (crc >> 8); }

    const uint32_t *crcTable_;
    uint32_t keys_[3];
};
