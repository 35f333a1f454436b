// A minimal PNG writer: 8-bit RGB, deflate in stored blocks (no compression
// library needed; screenshots are small).
#include "standin/standin.h"

#include <stdio.h>
#include <vector>

namespace {

unsigned Crc32(const unsigned char* data, size_t length, unsigned crc = 0) {
    static unsigned table[256];
    if (!table[1]) {
        for (unsigned n = 0; n < 256; ++n) {
            unsigned c = n;
            for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            table[n] = c;
        }
    }
    crc = ~crc;
    for (size_t i = 0; i < length; ++i) crc = table[(crc ^ data[i]) & 0xFF] ^ (crc >> 8);
    return ~crc;
}

void PutBig32(std::vector<unsigned char>& out, unsigned value) {
    for (int shift = 24; shift >= 0; shift -= 8) out.push_back((value >> shift) & 0xFF);
}

void PutChunk(std::vector<unsigned char>& out, const char* type,
              const std::vector<unsigned char>& data) {
    PutBig32(out, static_cast<unsigned>(data.size()));
    size_t start = out.size();
    out.insert(out.end(), type, type + 4);
    out.insert(out.end(), data.begin(), data.end());
    PutBig32(out, Crc32(out.data() + start, out.size() - start));
}

// zlib stream of stored blocks.
std::vector<unsigned char> StoredZlib(const std::vector<unsigned char>& raw) {
    std::vector<unsigned char> z = {0x78, 0x01};
    unsigned a = 1, b = 0;
    for (unsigned char byte : raw) {
        a = (a + byte) % 65521;
        b = (b + a) % 65521;
    }
    size_t offset = 0;
    do {
        size_t block = raw.size() - offset > 65535 ? 65535 : raw.size() - offset;
        bool last = offset + block == raw.size();
        z.push_back(last ? 1 : 0);
        z.push_back(block & 0xFF);
        z.push_back(block >> 8);
        z.push_back(~block & 0xFF);
        z.push_back((~block >> 8) & 0xFF);
        z.insert(z.end(), raw.begin() + offset, raw.begin() + offset + block);
        offset += block;
    } while (offset < raw.size());
    PutBig32(z, (b << 16) | a);
    return z;
}

}  // namespace

bool WritePng(const char* path, int width, int height, const unsigned char* rgbRows) {
    std::vector<unsigned char> raw;
    raw.reserve(static_cast<size_t>(height) * (3 * width + 1));
    for (int y = 0; y < height; ++y) {
        raw.push_back(0);  // filter: none
        const unsigned char* row = rgbRows + static_cast<size_t>(y) * 3 * width;
        raw.insert(raw.end(), row, row + 3 * width);
    }
    std::vector<unsigned char> file = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    std::vector<unsigned char> header;
    PutBig32(header, width);
    PutBig32(header, height);
    header.insert(header.end(), {8, 2, 0, 0, 0});  // 8-bit RGB
    PutChunk(file, "IHDR", header);
    PutChunk(file, "IDAT", StoredZlib(raw));
    PutChunk(file, "IEND", {});
    FILE* out = fopen(path, "wb");
    if (!out) return false;
    bool written = fwrite(file.data(), 1, file.size(), out) == file.size();
    return fclose(out) == 0 && written;
}
