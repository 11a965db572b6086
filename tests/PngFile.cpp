#include "PngFile.h"

#include <algorithm>

namespace tvmtest {

namespace {

uint32_t Crc32(const uint8_t* data, size_t size)
{
    uint32_t crc = ~0u;
    for (size_t i = 0; i < size; ++i) {
        crc ^= data[i];
        for (int bit = 0; bit < 8; ++bit) crc = crc >> 1 ^ (0xEDB88320u & (0u - (crc & 1)));
    }
    return ~crc;
}

void PutBigEndian(Bytes& out, uint32_t value)
{
    for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<uint8_t>(value >> shift));
}

void Chunk(Bytes& out, const char* type, const Bytes& data)
{
    PutBigEndian(out, static_cast<uint32_t>(data.size()));
    Bytes body(type, type + 4);
    body.insert(body.end(), data.begin(), data.end());
    out.insert(out.end(), body.begin(), body.end());
    PutBigEndian(out, Crc32(body.data(), body.size()));
}

Bytes StoredZlib(const Bytes& raw)
{
    Bytes zlib{0x78, 0x01};
    size_t at = 0;
    do {
        size_t size = std::min<size_t>(raw.size() - at, 65535);
        bool last = at + size == raw.size();
        zlib.push_back(last ? 1 : 0);
        zlib.insert(zlib.end(), {static_cast<uint8_t>(size), static_cast<uint8_t>(size >> 8),
                                 static_cast<uint8_t>(~size), static_cast<uint8_t>(~size >> 8)});
        zlib.insert(zlib.end(), raw.begin() + static_cast<long>(at), raw.begin() + static_cast<long>(at + size));
        at += size;
    } while (at < raw.size());
    uint32_t a = 1, b = 0;
    for (uint8_t byte : raw) {
        a = (a + byte) % 65521;
        b = (b + a) % 65521;
    }
    PutBigEndian(zlib, b << 16 | a);
    return zlib;
}

}

Bytes EncodePng(int width, int height, bool alpha, const std::function<uint32_t(int x, int y)>& pixel)
{
    Bytes raw;
    for (int y = 0; y < height; ++y) {
        raw.push_back(0);
        for (int x = 0; x < width; ++x) {
            uint32_t c = pixel(x, y);
            raw.insert(raw.end(), {static_cast<uint8_t>(c >> 16), static_cast<uint8_t>(c >> 8), static_cast<uint8_t>(c)});
            if (alpha) raw.push_back(static_cast<uint8_t>(c >> 24));
        }
    }
    Bytes png{0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    Bytes header;
    PutBigEndian(header, static_cast<uint32_t>(width));
    PutBigEndian(header, static_cast<uint32_t>(height));
    header.insert(header.end(), {8, static_cast<uint8_t>(alpha ? 6 : 2), 0, 0, 0});
    Chunk(png, "IHDR", header);
    Chunk(png, "IDAT", StoredZlib(raw));
    Chunk(png, "IEND", {});
    return png;
}

}
