#include "engine/resource/ZipDecrypt.h"

#include <zlib.h>

static_assert(sizeof(z_crc_t) == sizeof(uint32_t), "zlib's CRC table holds 32-bit words");

ZipDecrypt::ZipDecrypt(const char *password)
    : crcTable_(reinterpret_cast<const uint32_t *>(get_crc_table())), keys_{0x12345678u, 0x23456789u, 0x34567890u} {
    for (const char *p = password ? password : ""; *p; p++)
        updateKeys(keys_, crcTable_, static_cast<unsigned char>(*p));
}

bool ZipDecrypt::decryptHeader(const unsigned char *header, unsigned char checkByte) {
    unsigned char plain[kHeaderSize];
    for (size_t i = 0; i < kHeaderSize; i++)
        plain[i] = header[i];
    decrypt(plain, kHeaderSize);
    return plain[kHeaderSize - 1] == checkByte;
}

void ZipDecrypt::decrypt(unsigned char *data, size_t count) {
    Keys keys = keys_;
    const uint32_t *table = crcTable_;
    for (size_t i = 0; i < count; i++) {
        data[i] ^= keyStreamByte(keys);
        updateKeys(keys, table, data[i]);
    }
    keys_ = keys;
}
