// A minimal PNG writer: 8-bit RGB, rows filtered, then compressed by
// ZlibCompress (deflate.cpp).
#include "standin/standin.h"

#include <stdio.h>
#include <stdlib.h>
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

// Each row is filtered the way that leaves the smallest sum of byte values
// (read as signed), libpng's choice: flat areas turn to zeros that compress
// to almost nothing.
const int kPixelBytes = 3;

int Paeth(int left, int up, int upLeft) {
    int estimate = left + up - upLeft;
    int toLeft = abs(estimate - left), toUp = abs(estimate - up), toUpLeft = abs(estimate - upLeft);
    if (toLeft <= toUp && toLeft <= toUpLeft) return left;
    return toUp <= toUpLeft ? up : upLeft;
}

void FilterRow(int filter, const unsigned char* row, const unsigned char* above, size_t size,
               unsigned char* out) {
    for (size_t i = 0; i < size; ++i) {
        int left = i >= kPixelBytes ? row[i - kPixelBytes] : 0;
        int up = above ? above[i] : 0;
        int upLeft = above && i >= kPixelBytes ? above[i - kPixelBytes] : 0;
        int predicted = 0;
        switch (filter) {
            case 1: predicted = left; break;
            case 2: predicted = up; break;
            case 3: predicted = (left + up) / 2; break;
            case 4: predicted = Paeth(left, up, upLeft); break;
        }
        out[i] = static_cast<unsigned char>(row[i] - predicted);
    }
}

std::vector<unsigned char> FilteredRows(int width, int height, const unsigned char* rgbRows) {
    size_t rowSize = static_cast<size_t>(kPixelBytes) * width;
    std::vector<unsigned char> raw;
    raw.reserve(static_cast<size_t>(height) * (rowSize + 1));
    std::vector<unsigned char> trial(rowSize), best(rowSize);
    for (int y = 0; y < height; ++y) {
        const unsigned char* row = rgbRows + static_cast<size_t>(y) * rowSize;
        const unsigned char* above = y > 0 ? row - rowSize : nullptr;
        int bestFilter = 0;
        unsigned long bestCost = ~0ul;
        for (int filter = 0; filter < 5; ++filter) {
            FilterRow(filter, row, above, rowSize, trial.data());
            unsigned long cost = 0;
            for (unsigned char byte : trial) cost += byte < 128 ? byte : 256 - byte;
            if (cost < bestCost) {
                bestCost = cost;
                bestFilter = filter;
                best.swap(trial);
            }
        }
        raw.push_back(static_cast<unsigned char>(bestFilter));
        raw.insert(raw.end(), best.begin(), best.end());
    }
    return raw;
}

}  // namespace

bool WritePng(const char* path, int width, int height, const unsigned char* rgbRows) {
    std::vector<unsigned char> raw = FilteredRows(width, height, rgbRows);
    std::vector<unsigned char> file = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    std::vector<unsigned char> header;
    PutBig32(header, width);
    PutBig32(header, height);
    header.insert(header.end(), {8, 2, 0, 0, 0});  // 8-bit RGB
    PutChunk(file, "IHDR", header);
    PutChunk(file, "IDAT", ZlibCompress(raw.data(), raw.size()));
    PutChunk(file, "IEND", {});
    FILE* out = fopen(path, "wb");
    if (!out) return false;
    bool written = fwrite(file.data(), 1, file.size(), out) == file.size();
    return fclose(out) == 0 && written;
}
