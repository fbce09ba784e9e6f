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
    struct Keys {
        uint32_t key0, key1, key2;
    };

    // Work on a local copy of the keys: data bytes may alias anything, so keys kept in the object
    // would be reloaded after every byte written.
    static unsigned char keyStreamByte(const Keys &keys) {
        uint32_t temp = (keys.key2 & 0xffff) | 2;
        return static_cast<unsigned char>((temp * (temp ^ 1)) >> 8);
    }
    static void updateKeys(Keys &keys, const uint32_t *crcTable, unsigned char plain) {
        keys.key0 = crcTable[(keys.key0 ^ plain) & 0xff] ^ (keys.key0 >> 8);
        keys.key1 = (keys.key1 + (keys.key0 & 0xff)) * 134775813u + 1;
        keys.key2 = crcTable[(keys.key2 ^ (keys.key1 >> 24)) & 0xff] ^ (keys.key2 >> 8);
    }

    const uint32_t *crcTable_;
    Keys keys_;
};
