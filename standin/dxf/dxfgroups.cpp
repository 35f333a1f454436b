// DXF group reader: code / value pairs from ASCII or binary DXF data.
#include <math.h>
#include <stdlib.h>
#include <string.h>

#include "standin/dxf/dxf.h"

namespace {

const char kBinarySentinel[] = "AutoCAD Binary DXF\r\n\x1a";  // followed by NUL: 22 bytes
const size_t kSentinelSize = 22;

bool IsBlank(uint8_t c) { return c == ' ' || c == '\t' || c == '\r'; }

// One ASCII line: [start, end) without its line break; pos moves past it.
// False at the end of the data.
bool TakeLine(DxfReader* r, size_t* start, size_t* end) {
    if (r->pos >= r->size) return false;
    const uint8_t* p = r->data + r->pos;
    const uint8_t* nl = static_cast<const uint8_t*>(memchr(p, r->lineEnd, r->size - r->pos));
    size_t stop = nl ? static_cast<size_t>(nl - r->data) : r->size;
    *start = r->pos;
    *end = stop;
    r->pos = nl ? stop + 1 : r->size;
    // Trailing blanks and the CR of CRLF; some writers pad values with spaces.
    while (*end > *start && IsBlank(r->data[*end - 1])) --*end;
    ++r->line;
    return true;
}

DxfStatus NextAsciiGroup(DxfReader* r, DxfGroup* g) {
    size_t s, e;
    // Blank lines between groups are tolerated at the end of a file only.
    if (!TakeLine(r, &s, &e)) return kDxfEnd;
    while (s < e && IsBlank(r->data[s])) ++s;
    if (s == e) {
        size_t save = r->pos;
        while (TakeLine(r, &s, &e)) {
            while (s < e && IsBlank(r->data[s])) ++s;
            if (s != e) return kDxfBad;
        }
        r->pos = save;
        return kDxfEnd;
    }
    // The code: an optional sign and at most five digits.
    char digits[8];
    size_t n = e - s;
    if (n >= sizeof digits) return kDxfBad;
    memcpy(digits, r->data + s, n);
    digits[n] = '\0';
    char* stop = nullptr;
    long code = strtol(digits, &stop, 10);
    if (stop == digits || *stop != '\0' || code < -5 || code > 1071) return kDxfBad;
    if (!TakeLine(r, &s, &e)) return kDxfBad;  // a code without its value
    // A value of blanks only keeps one: a dimension's text " " means "no text",
    // where an empty one means "the measurement".
    if (e == s && s < r->size && r->data[s] == ' ') ++e;
    size_t keep = e - s;
    if (keep > kDxfMaxValue) keep = kDxfMaxValue;
    memcpy(g->text, r->data + s, keep);
    g->text[keep] = '\0';
    g->length = static_cast<int>(keep);
    g->code = static_cast<int>(code);
    g->binaryNumber = false;
    g->number = 0;
    return kDxfGroup;
}

// Value types of binary DXF by group code.
enum BinaryType { kBinString, kBinDouble, kBinInt16, kBinInt32, kBinInt64, kBinBool, kBinChunk, kBinUnknown };

BinaryType TypeOfCode(int c) {
    if (c >= 0 && c <= 9) return kBinString;
    if (c >= 10 && c <= 59) return kBinDouble;
    if (c >= 60 && c <= 79) return kBinInt16;
    if (c >= 90 && c <= 99) return kBinInt32;
    if (c >= 100 && c <= 109) return kBinString;
    if (c >= 110 && c <= 149) return kBinDouble;
    if (c >= 160 && c <= 169) return kBinInt64;
    if (c >= 170 && c <= 179) return kBinInt16;
    if (c >= 210 && c <= 239) return kBinDouble;
    if (c >= 270 && c <= 289) return kBinInt16;
    if (c >= 290 && c <= 299) return kBinBool;
    if (c >= 300 && c <= 309) return kBinString;
    if (c >= 310 && c <= 319) return kBinChunk;
    if (c >= 320 && c <= 369) return kBinString;
    if (c >= 370 && c <= 389) return kBinInt16;
    if (c >= 390 && c <= 399) return kBinString;
    if (c >= 400 && c <= 409) return kBinInt16;
    if (c >= 410 && c <= 419) return kBinString;
    if (c >= 420 && c <= 429) return kBinInt32;
    if (c >= 430 && c <= 439) return kBinString;
    if (c >= 440 && c <= 459) return kBinInt32;
    if (c >= 460 && c <= 469) return kBinDouble;
    if (c >= 470 && c <= 481) return kBinString;
    if (c == 999) return kBinString;
    if (c >= 1000 && c <= 1003) return kBinString;
    if (c == 1004) return kBinChunk;
    if (c >= 1005 && c <= 1009) return kBinString;
    if (c >= 1010 && c <= 1059) return kBinDouble;
    if (c >= 1060 && c <= 1070) return kBinInt16;
    if (c == 1071) return kBinInt32;
    return kBinUnknown;
}

bool Take(DxfReader* r, void* out, size_t n) {
    if (r->size - r->pos < n) return false;
    memcpy(out, r->data + r->pos, n);
    r->pos += n;
    return true;
}

DxfStatus NextBinaryGroup(DxfReader* r, DxfGroup* g) {
    if (r->pos >= r->size) return kDxfEnd;
    int code;
    if (r->twoByteCodes) {
        int16_t c16;
        if (!Take(r, &c16, 2)) return kDxfBad;
        code = c16;
    } else {
        uint8_t c8;
        Take(r, &c8, 1);
        code = c8;
        if (c8 == 255) {  // escape to a 2-byte code (extended data)
            int16_t c16;
            if (!Take(r, &c16, 2)) return kDxfBad;
            code = c16;
        }
    }
    g->code = code;
    g->text[0] = '\0';
    g->length = 0;
    g->binaryNumber = false;
    g->number = 0;
    switch (TypeOfCode(code)) {
    case kBinString: {
        const uint8_t* p = r->data + r->pos;
        const uint8_t* nul = static_cast<const uint8_t*>(memchr(p, 0, r->size - r->pos));
        if (!nul) return kDxfBad;
        size_t n = static_cast<size_t>(nul - p);
        size_t keep = n > kDxfMaxValue ? kDxfMaxValue : n;
        memcpy(g->text, p, keep);
        g->text[keep] = '\0';
        g->length = static_cast<int>(keep);
        r->pos += n + 1;
        return kDxfGroup;
    }
    case kBinDouble: {
        double d;
        if (!Take(r, &d, 8)) return kDxfBad;
        g->number = d;
        break;
    }
    case kBinInt16: {
        int16_t v;
        if (!Take(r, &v, 2)) return kDxfBad;
        g->number = v;
        break;
    }
    case kBinInt32: {
        int32_t v;
        if (!Take(r, &v, 4)) return kDxfBad;
        g->number = v;
        break;
    }
    case kBinInt64: {
        int64_t v;
        if (!Take(r, &v, 8)) return kDxfBad;
        g->number = static_cast<double>(v);
        break;
    }
    case kBinBool: {
        uint8_t v;
        if (!Take(r, &v, 1)) return kDxfBad;
        g->number = v;
        break;
    }
    case kBinChunk: {
        uint8_t n;
        if (!Take(r, &n, 1) || r->size - r->pos < n) return kDxfBad;
        r->pos += n;
        return kDxfGroup;  // binary data is never used: empty text
    }
    case kBinUnknown:
        // Without its type the value's length is unknown: nothing after it can be read.
        return kDxfBad;
    }
    g->binaryNumber = true;
    return kDxfGroup;
}

}  // namespace

void OpenDxfReader(DxfReader* reader, const uint8_t* data, size_t size) {
    reader->data = data;
    reader->size = size;
    reader->pos = 0;
    reader->line = 1;
    reader->binary = size >= kSentinelSize && memcmp(data, kBinarySentinel, kSentinelSize) == 0;
    reader->twoByteCodes = false;
    // Lines end in LF or CRLF (a CR before the LF is a trailing blank); a
    // file with CRs and no LF at all was written with classic Mac line ends.
    reader->lineEnd = '\n';
    if (!reader->binary && size > 0 && !memchr(data, '\n', size) && memchr(data, '\r', size)) reader->lineEnd = '\r';
    if (!reader->binary && size >= 3 && memcmp(data, "\xEF\xBB\xBF", 3) == 0) {
        reader->pos = 3;  // a UTF-8 byte order mark before the first code
    }
    if (reader->binary) {
        reader->pos = kSentinelSize;
        // The first group is 0 SECTION: a second zero byte means 2-byte codes.
        reader->twoByteCodes = size > kSentinelSize + 1 && data[kSentinelSize] == 0 &&
                               data[kSentinelSize + 1] == 0;
    }
}

DxfStatus NextDxfGroup(DxfReader* reader, DxfGroup* group) {
    return reader->binary ? NextBinaryGroup(reader, group) : NextAsciiGroup(reader, group);
}

bool GroupNumber(const DxfGroup& group, double* value) {
    double v;
    if (group.binaryNumber) {
        v = group.number;
    } else {
        const char* s = GroupName(group);
        if (*s == '\0') return false;
        char* stop = nullptr;
        v = strtod(s, &stop);
        if (stop == s || *stop != '\0') return false;
    }
    if (!isfinite(v)) return false;
    *value = v;
    return true;
}

bool GroupInt(const DxfGroup& group, int* value) {
    double v;
    if (!GroupNumber(group, &v) || v < -2147483648.0 || v > 2147483647.0) return false;
    *value = static_cast<int>(v);
    return true;
}

const char* GroupName(const DxfGroup& group) {
    const char* s = group.text;
    while (*s == ' ' || *s == '\t') ++s;
    return s;
}
