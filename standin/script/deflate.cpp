// A zlib stream (RFC 1950) of deflate blocks (RFC 1951) for the PNG writer:
// matches found over a 32 KB window through hash chains, then one block of
// dynamic Huffman codes per run of symbols. A screenshot is mostly flat
// colour, which this shrinks about a hundredfold; stored blocks made every
// picture about a megabyte, and no compression library ships for the cross
// compiler.
#include "standin/standin.h"

#include <algorithm>
#include <queue>
#include <vector>

namespace {

const int kWindowSize = 32768;  // deflate's largest distance
const int kHashSize = 1 << 15;
const int kMinMatch = 3;
const int kMaxMatch = 258;
// How many earlier places a match is looked for; more finds little more on
// screenshots and costs time on text.
const int kMaxChain = 64;
// Symbols per block: each block gets codes fitted to its own part of the
// picture (a list of thumbnails, then a flat frame).
const size_t kBlockSymbols = 32768;
const int kEndOfBlock = 256;
const int kLitLenCodes = 286;
const int kDistanceCodes = 30;
const int kMaxCodeBits = 15;
const int kMaxCodeLengthBits = 7;

const int kLengthBase[29] = {3,  4,  5,  6,  7,  8,  9,  10, 11,  13,  15,  17,  19,  23, 27,
                             31, 35, 43, 51, 59, 67, 83, 99, 115, 131, 163, 195, 227, 258};
const int kLengthExtra[29] = {0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2,
                              2, 3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5, 0};
const int kDistanceBase[30] = {1,    2,    3,    4,    5,    7,     9,     13,    17,  25,
                               33,   49,   65,   97,   129,  193,   257,   385,   513, 769,
                               1025, 1537, 2049, 3073, 4097, 6145, 8193, 12289, 16385, 24577};
const int kDistanceExtra[30] = {0, 0, 0, 0, 1, 1, 2, 2,  3,  3,  4,  4,  5,  5,  6,
                                6, 7, 7, 8, 8, 9, 9, 10, 10, 11, 11, 12, 12, 13, 13};
// The order in which a block header gives the code-length code's lengths.
const int kCodeLengthOrder[19] = {16, 17, 18, 0, 8, 7, 9, 6, 10, 5, 11, 4, 12, 3, 13, 2, 14, 1, 15};

// A literal byte (distance 0) or a match of length bytes that far back.
struct Symbol {
    unsigned short length;  // the byte itself for a literal
    unsigned short distance;
};

// Bits go out least significant first, as deflate packs them.
struct BitWriter {
    std::vector<unsigned char>& out;
    unsigned pending = 0;
    int pendingCount = 0;
    void Put(unsigned value, int count) {
        pending |= value << pendingCount;
        pendingCount += count;
        while (pendingCount >= 8) {
            out.push_back(pending & 0xFF);
            pending >>= 8;
            pendingCount -= 8;
        }
    }
    void Flush() {
        if (pendingCount > 0) out.push_back(pending & 0xFF);
        pending = 0;
        pendingCount = 0;
    }
};

int LengthCode(int length) {
    int code = 28;
    while (kLengthBase[code] > length) --code;
    return code;
}

int DistanceCode(int distance) {
    int code = 29;
    while (kDistanceBase[code] > distance) --code;
    return code;
}

// Huffman code lengths for these counts, none longer than maxBits. A code
// that came out too long is made again from counts halved (never to zero),
// which flattens the tree until it fits. Fewer than two symbols in use still
// get a complete code of two, which every inflater accepts.
std::vector<int> CodeLengths(std::vector<unsigned> counts, int maxBits) {
    int size = static_cast<int>(counts.size());
    std::vector<int> lengths(size, 0);
    int used = static_cast<int>(std::count_if(counts.begin(), counts.end(), [](unsigned c) { return c > 0; }));
    if (used < 2) {
        for (int symbol = 0; symbol < size && used < 2; ++symbol) {
            if (counts[symbol] == 0) {
                counts[symbol] = 1;
                ++used;
            }
        }
    }
    for (;;) {
        // Nodes 0..size-1 are the symbols; the rest are joined pairs.
        std::vector<int> parent(size, -1);
        using Item = std::pair<unsigned long long, int>;
        std::priority_queue<Item, std::vector<Item>, std::greater<Item>> queue;
        for (int symbol = 0; symbol < size; ++symbol) {
            if (counts[symbol] > 0) queue.push({counts[symbol], symbol});
        }
        while (queue.size() > 1) {
            Item first = queue.top();
            queue.pop();
            Item second = queue.top();
            queue.pop();
            int joined = static_cast<int>(parent.size());
            parent.push_back(-1);
            parent[first.second] = joined;
            parent[second.second] = joined;
            queue.push({first.first + second.first, joined});
        }
        int longest = 0;
        for (int symbol = 0; symbol < size; ++symbol) {
            int depth = 0;
            if (counts[symbol] > 0) {
                for (int node = symbol; parent[node] >= 0; node = parent[node]) ++depth;
            }
            lengths[symbol] = depth;
            longest = std::max(longest, depth);
        }
        if (longest <= maxBits) return lengths;
        for (unsigned& count : counts) {
            if (count > 0) count = std::max(1u, count >> 1);
        }
    }
}

// The canonical codes of these lengths (RFC 1951, 3.2.2), bit-reversed so
// that BitWriter sends their first bit first.
std::vector<unsigned> CanonicalCodes(const std::vector<int>& lengths) {
    int perLength[kMaxCodeBits + 1] = {};
    for (int length : lengths) ++perLength[length];
    perLength[0] = 0;
    unsigned next[kMaxCodeBits + 1] = {};
    unsigned code = 0;
    for (int bits = 1; bits <= kMaxCodeBits; ++bits) {
        code = (code + perLength[bits - 1]) << 1;
        next[bits] = code;
    }
    std::vector<unsigned> codes(lengths.size(), 0);
    for (size_t symbol = 0; symbol < lengths.size(); ++symbol) {
        int length = lengths[symbol];
        if (length == 0) continue;
        unsigned value = next[length]++, reversed = 0;
        for (int bit = 0; bit < length; ++bit) reversed |= ((value >> bit) & 1) << (length - 1 - bit);
        codes[symbol] = reversed;
    }
    return codes;
}

// The literal/length and distance code lengths as one run-length coded
// sequence: 16 repeats the last length 3-6 times, 17 and 18 give 3-10 and
// 11-138 zeros. Each item is (symbol, extra bits' value).
std::vector<std::pair<int, int>> RunLengths(const std::vector<int>& sequence) {
    std::vector<std::pair<int, int>> items;
    size_t i = 0;
    while (i < sequence.size()) {
        int value = sequence[i];
        size_t run = 1;
        while (i + run < sequence.size() && sequence[i + run] == value) ++run;
        i += run;
        if (value == 0) {
            while (run >= 11) {
                size_t take = std::min<size_t>(run, 138);
                items.push_back({18, static_cast<int>(take - 11)});
                run -= take;
            }
            if (run >= 3) {
                items.push_back({17, static_cast<int>(run - 3)});
                run = 0;
            }
        } else {
            items.push_back({value, 0});
            --run;
            while (run >= 3) {
                size_t take = std::min<size_t>(run, 6);
                items.push_back({16, static_cast<int>(take - 3)});
                run -= take;
            }
        }
        for (; run > 0; --run) items.push_back({value, 0});
    }
    return items;
}

void WriteBlock(BitWriter& bits, const Symbol* symbols, size_t count, bool last) {
    std::vector<unsigned> litLenCounts(kLitLenCodes, 0), distanceCounts(kDistanceCodes, 0);
    for (size_t i = 0; i < count; ++i) {
        if (symbols[i].distance == 0) {
            ++litLenCounts[symbols[i].length];
        } else {
            ++litLenCounts[257 + LengthCode(symbols[i].length)];
            ++distanceCounts[DistanceCode(symbols[i].distance)];
        }
    }
    litLenCounts[kEndOfBlock] = 1;
    std::vector<int> litLenLengths = CodeLengths(litLenCounts, kMaxCodeBits);
    std::vector<int> distanceLengths = CodeLengths(distanceCounts, kMaxCodeBits);
    int litLenUsed = kLitLenCodes, distanceUsed = kDistanceCodes;
    while (litLenUsed > 257 && litLenLengths[litLenUsed - 1] == 0) --litLenUsed;
    while (distanceUsed > 1 && distanceLengths[distanceUsed - 1] == 0) --distanceUsed;

    std::vector<int> sequence(litLenLengths.begin(), litLenLengths.begin() + litLenUsed);
    sequence.insert(sequence.end(), distanceLengths.begin(), distanceLengths.begin() + distanceUsed);
    std::vector<std::pair<int, int>> runs = RunLengths(sequence);
    std::vector<unsigned> codeLengthCounts(19, 0);
    for (const auto& item : runs) ++codeLengthCounts[item.first];
    std::vector<int> codeLengthLengths = CodeLengths(codeLengthCounts, kMaxCodeLengthBits);
    int codeLengthsSent = 19;
    while (codeLengthsSent > 4 && codeLengthLengths[kCodeLengthOrder[codeLengthsSent - 1]] == 0) --codeLengthsSent;

    bits.Put(last ? 1 : 0, 1);
    bits.Put(2, 2);  // dynamic Huffman codes
    bits.Put(litLenUsed - 257, 5);
    bits.Put(distanceUsed - 1, 5);
    bits.Put(codeLengthsSent - 4, 4);
    for (int i = 0; i < codeLengthsSent; ++i) bits.Put(codeLengthLengths[kCodeLengthOrder[i]], 3);
    std::vector<unsigned> codeLengthCodes = CanonicalCodes(codeLengthLengths);
    for (const auto& item : runs) {
        bits.Put(codeLengthCodes[item.first], codeLengthLengths[item.first]);
        if (item.first == 16) bits.Put(item.second, 2);
        if (item.first == 17) bits.Put(item.second, 3);
        if (item.first == 18) bits.Put(item.second, 7);
    }

    std::vector<unsigned> litLenCodes = CanonicalCodes(litLenLengths);
    std::vector<unsigned> distanceCodes = CanonicalCodes(distanceLengths);
    for (size_t i = 0; i < count; ++i) {
        const Symbol& symbol = symbols[i];
        if (symbol.distance == 0) {
            bits.Put(litLenCodes[symbol.length], litLenLengths[symbol.length]);
            continue;
        }
        int lengthCode = LengthCode(symbol.length);
        bits.Put(litLenCodes[257 + lengthCode], litLenLengths[257 + lengthCode]);
        bits.Put(symbol.length - kLengthBase[lengthCode], kLengthExtra[lengthCode]);
        int distanceCode = DistanceCode(symbol.distance);
        bits.Put(distanceCodes[distanceCode], distanceLengths[distanceCode]);
        bits.Put(symbol.distance - kDistanceBase[distanceCode], kDistanceExtra[distanceCode]);
    }
    bits.Put(litLenCodes[kEndOfBlock], litLenLengths[kEndOfBlock]);
}

unsigned HashAt(const unsigned char* data) {
    return ((data[0] << 10) ^ (data[1] << 5) ^ data[2]) & (kHashSize - 1);
}

// The input as literals and matches: at each place the longest match among
// the last kMaxChain places whose first three bytes hash alike.
std::vector<Symbol> FindMatches(const unsigned char* data, size_t size) {
    std::vector<Symbol> symbols;
    std::vector<long> head(kHashSize, -1), previous(kWindowSize, -1);
    auto insert = [&](size_t at) {
        if (at + kMinMatch > size) return;
        unsigned hash = HashAt(data + at);
        previous[at & (kWindowSize - 1)] = head[hash];
        head[hash] = static_cast<long>(at);
    };
    size_t at = 0;
    while (at < size) {
        int bestLength = 0;
        size_t bestDistance = 0;
        if (at + kMinMatch <= size) {
            size_t limit = std::min<size_t>(kMaxMatch, size - at);
            long candidate = head[HashAt(data + at)];
            // A slot of previous is reused once its place leaves the window,
            // so the distance is checked before the slot is followed.
            for (int chain = 0; candidate >= 0 && at - candidate < kWindowSize && chain < kMaxChain; ++chain) {
                const unsigned char* earlier = data + candidate;
                size_t length = 0;
                while (length < limit && earlier[length] == data[at + length]) ++length;
                if (static_cast<int>(length) > bestLength) {
                    bestLength = static_cast<int>(length);
                    bestDistance = at - candidate;
                    if (length == limit) break;
                }
                candidate = previous[candidate & (kWindowSize - 1)];
            }
        }
        if (bestLength >= kMinMatch) {
            symbols.push_back({static_cast<unsigned short>(bestLength), static_cast<unsigned short>(bestDistance)});
            for (int i = 0; i < bestLength; ++i) insert(at + i);
            at += bestLength;
        } else {
            symbols.push_back({data[at], 0});
            insert(at);
            ++at;
        }
    }
    return symbols;
}

unsigned Adler32(const unsigned char* data, size_t size) {
    unsigned a = 1, b = 0;
    while (size > 0) {
        // 5552 bytes is the most that cannot overflow b before the modulo.
        size_t chunk = std::min<size_t>(size, 5552);
        for (size_t i = 0; i < chunk; ++i) {
            a += data[i];
            b += a;
        }
        a %= 65521;
        b %= 65521;
        data += chunk;
        size -= chunk;
    }
    return (b << 16) | a;
}

}  // namespace

std::vector<unsigned char> ZlibCompress(const unsigned char* data, size_t size) {
    std::vector<unsigned char> out = {0x78, 0x9C};  // deflate, 32 KB window, default level
    std::vector<Symbol> symbols = FindMatches(data, size);
    BitWriter bits{out};
    size_t start = 0;
    do {
        size_t count = std::min(kBlockSymbols, symbols.size() - start);
        WriteBlock(bits, symbols.data() + start, count, start + count == symbols.size());
        start += count;
    } while (start < symbols.size());
    bits.Flush();
    unsigned adler = Adler32(data, size);
    for (int shift = 24; shift >= 0; shift -= 8) out.push_back((adler >> shift) & 0xFF);
    return out;
}
