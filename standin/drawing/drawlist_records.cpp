// Entity records: the well-formedness rule every list and reader applies,
// the host's current attributes, and the information-line services.
#include "standin/drawing/drawing.h"
#include "standin/standin.h"

#include <string.h>

// True when a NUL lies in [from, from + size) of the record.
static bool Terminated(const unsigned char* record, uint32_t length, uint32_t from, uint32_t size) {
    if (from >= length) return false;
    uint32_t end = length - from < size ? length : from + size;
    return memchr(record + from, 0, end - from) != nullptr;
}

// The counts within their bounds, the parts filling the record exactly, the
// loops' point counts adding up and every family's dashes within its array.
static bool IsWellFormedHatch(const unsigned char* record, uint32_t length) {
    HatchRecord h;
    if (length < sizeof h) return false;
    memcpy(&h, record, sizeof h);
    if (h.loopCount > kMaxHatchLoops || h.lineCount > kMaxHatchLines || h.pointCount > kMaxHatchPoints) return false;
    uint64_t need = sizeof h + uint64_t(h.lineCount) * sizeof(HatchLine) + uint64_t(h.loopCount) * 4 +
                    uint64_t(h.pointCount) * sizeof(Point3);
    if (need != length) return false;
    const unsigned char* at = record + sizeof h;
    for (uint32_t i = 0; i < h.lineCount; ++i, at += sizeof(HatchLine)) {
        uint32_t dashes;
        memcpy(&dashes, at + offsetof(HatchLine, dashCount), 4);
        if (dashes > kMaxHatchDashes) return false;
    }
    uint64_t points = 0;
    for (uint32_t i = 0; i < h.loopCount; ++i, at += 4) {
        uint32_t n;
        memcpy(&n, at, 4);
        points += n;
    }
    return points == h.pointCount;
}

bool IsWellFormedRecord(const void* data, uint32_t length) {
    if (!data || length < sizeof(EntityHead) || length > kMaxRecordLength) return false;
    const unsigned char* record = static_cast<const unsigned char*>(data);
    uint32_t stored;
    memcpy(&stored, record, 4);
    if (stored != length) return false;
    const uint32_t kAll = 0xFFFFFFFFu;
    switch (record[4]) {
    case kLine: return length >= sizeof(LineRecord);
    case kArc: return length >= sizeof(ArcRecord);
    case kCircle: return length >= sizeof(CircleRecord);
    case kPoint: return length >= sizeof(PointRecord);
    case kSolid: return length >= sizeof(SolidRecord);
    case kFrame: return length >= sizeof(FrameRecord);
    case kPolyline: {
        if (length < sizeof(PolylineRecord)) return false;
        uint32_t count;
        memcpy(&count, record + offsetof(PolylineRecord, count), 4);
        return uint64_t(count) * sizeof(Point3) <= length - sizeof(PolylineRecord);
    }
    case kText: return Terminated(record, length, sizeof(TextRecord), kAll);
    case kHatch: return IsWellFormedHatch(record, length);
    case kSymbolDef:
        return length >= sizeof(SymbolDefRecord) &&
               Terminated(record, length, offsetof(SymbolDefRecord, name), 32);
    case kSymbolRef:
        return length >= sizeof(SymbolRefRecord) &&
               Terminated(record, length, offsetof(SymbolRefRecord, name), 32);
    case kViewMark:
        return length >= sizeof(ViewMarkRecord) &&
               Terminated(record, length, offsetof(ViewMarkRecord, name), 32);
    case kGroup:
        return length >= sizeof(GroupRecord) &&
               Terminated(record, length, offsetof(GroupRecord, name), 32);
    case kNote:
        return Terminated(record, length, offsetof(NoteRecord, heading), 32) &&
               Terminated(record, length, sizeof(NoteRecord), kAll);
    default: return true;   // custom and unknown types: their bytes are their own
    }
}

// The attributes new entities get: the host's defaults, never changed in the
// stand-in (colour 0, layer 0, solid lines of width 1).
static const EntityHead kCurrentAttributes = {};

extern "C" {

void GetCStuff(void* record) {
    if (!record) {
        RecordError("GetCStuff: no record");
        return;
    }
    const size_t from = offsetof(EntityHead, colour);
    memcpy(static_cast<unsigned char*>(record) + from,
           reinterpret_cast<const unsigned char*>(&kCurrentAttributes) + from,
           sizeof(EntityHead) - from);
}

// "!NN" in the text stands for value NN, a text when its tag is 0, 0, 5, 3.
// The formatted line goes to the transcript as "info".
int FormSt(const void* formatBlock, int mode) {
    if (!formatBlock) {
        RecordError("FormSt: no format block");
        return 0;
    }
    const char* format;
    memcpy(&format, formatBlock, sizeof format);
    if (!format) return 0;
    const unsigned char* values = static_cast<const unsigned char*>(formatBlock) + sizeof format;
    enum { kMaxValues = 9 };
    const char* texts[kMaxValues] = {};
    int valueCount = 0;
    for (; valueCount < kMaxValues; ++valueCount) {
        FormatValue value;
        memcpy(&value.text, values + valueCount * sizeof value, sizeof value.text);
        if (!value.text) break;
        memcpy(value.tag, values + valueCount * sizeof value + sizeof value.text, 4);
        bool isText = value.tag[0] == 0 && value.tag[1] == 0 && value.tag[2] == 5 && value.tag[3] == 3;
        texts[valueCount] = isText ? value.text : "?";
    }
    char line[1024];
    size_t used = 0;
    for (const char* p = format; *p && used + 1 < sizeof line;) {
        int n = (p[0] == '!' && p[1] >= '0' && p[1] <= '9' && p[2] >= '0' && p[2] <= '9')
                    ? (p[1] - '0') * 10 + (p[2] - '0') : 0;
        if (n >= 1 && n <= valueCount) {
            for (const char* t = texts[n - 1]; *t && used + 1 < sizeof line;) line[used++] = *t++;
            p += 3;
        } else {
            line[used++] = *p++;
        }
    }
    line[used] = '\0';
    Record("info", line);
    return 1;
}

int ENoSupp(void) { return 0; }

}  // extern "C"
