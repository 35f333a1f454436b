// The stand-in host's drawing lists: scans, appends, moves, member lists,
// info blocks and the record rule.
#include <gtest/gtest.h>

#include <string.h>

#include <vector>

#include "standin/drawing/drawlist_internal.h"
#include "standin/standin.h"

namespace {

using Bytes = std::vector<unsigned char>;

Bytes Record(uint8_t type, uint32_t length) {
    Bytes record(length, 0);
    memcpy(record.data(), &length, 4);
    record[4] = type;
    return record;
}

Bytes Line(float x) {
    Bytes record = Record(kLine, sizeof(LineRecord));
    LineRecord line;
    memcpy(&line, record.data(), sizeof line);
    line.from = {x, 0, 0};
    line.to = {x, 1, 0};
    memcpy(record.data(), &line, sizeof line);
    return record;
}

Bytes Named(uint8_t type, uint32_t length, size_t nameAt, const char* name) {
    Bytes record = Record(type, length);
    strncpy(reinterpret_cast<char*>(record.data() + nameAt), name, 31);
    return record;
}

Bytes SymbolDef(const char* name) {
    return Named(kSymbolDef, sizeof(SymbolDefRecord), offsetof(SymbolDefRecord, name), name);
}
Bytes SymbolRef(const char* name) {
    return Named(kSymbolRef, sizeof(SymbolRefRecord), offsetof(SymbolRefRecord, name), name);
}

HostEntity* DefinitionOf(const HostEntity* reference) {
    HostEntity* definition;
    memcpy(&definition, reference + offsetof(SymbolRefRecord, definition), sizeof definition);
    return definition;
}

float XOf(const HostEntity* line) {
    float x;
    memcpy(&x, line + offsetof(LineRecord, from), 4);
    return x;
}

HostEntity* Append(HDL list, const Bytes& record) {
    int status = -1;
    HostEntity* entity = DLApnd(list, record.data(), &status);
    EXPECT_EQ(status, 0);
    return entity;
}

// A list of lines at x = 0 .. count-1.
HDL Lines(int count, std::vector<HostEntity*>* entities = nullptr) {
    int status = -1;
    HDL list = DLCreate("TEST.KVW", 8, &status);
    EXPECT_EQ(status, 0);
    for (int i = 0; i < count; ++i) {
        HostEntity* entity = Append(list, Line(static_cast<float>(i)));
        if (entities) entities->push_back(entity);
    }
    return list;
}

std::vector<int> Order(HDL list) {
    std::vector<int> xs;
    for (HostEntity* e = FirstEntity(list); e; e = NextEntity(e)) xs.push_back(static_cast<int>(XOf(e)));
    return xs;
}

// Scan callbacks get the visit log through value a.
struct Visit {
    std::vector<int> seen;
    int stopAt = -1;
    int action = 0;          // what to do with the visited entity
    HostEntity* other = nullptr;
};
enum { kNothing, kDeleteIt, kDeleteNext, kMakeSubList, kMoveToFront, kEmptyList };

int Visitor(int, HostEntity* entity, intptr_t a, intptr_t b) {
    Visit* visit = reinterpret_cast<Visit*>(a);
    int x = static_cast<int>(XOf(entity));
    visit->seen.push_back(x);
    switch (visit->action) {
    case kDeleteIt: DLDelete(entity); break;
    case kDeleteNext:
        if (HostEntity* next = NextEntity(entity)) DLDelete(next);
        break;
    case kMakeSubList: {
        int status = 1;
        EXPECT_NE(DLMakeSubList(entity, &status), nullptr);
        break;
    }
    case kMoveToFront:
        if (visit->other && visit->other != entity) DLMoveB(entity, visit->other);
        break;
    case kEmptyList: DLEmpty(reinterpret_cast<HDL>(b)); break;
    }
    return x == visit->stopAt ? 100 + x : 0;
}

TEST(DLScan, VisitsInListOrderAndPassesBothValues) {
    HDL list = Lines(5);
    Visit visit;
    EXPECT_EQ(DLScan(list, Visitor, 0, reinterpret_cast<intptr_t>(&visit), 0), 0);
    EXPECT_EQ(visit.seen, (std::vector<int>{0, 1, 2, 3, 4}));
    DLDestroy(list);
}

TEST(DLScan, FirstNonZeroResultStopsTheWalkAndIsReturned) {
    HDL list = Lines(5);
    Visit visit;
    visit.stopAt = 2;
    EXPECT_EQ(DLScan(list, Visitor, 0, reinterpret_cast<intptr_t>(&visit), 0), 102);
    EXPECT_EQ(visit.seen, (std::vector<int>{0, 1, 2}));
    DLDestroy(list);
}

TEST(DLScan, SubListAndDrawingFlagsWalkLikeZero) {
    HDL list = Lines(3);
    int errors = TranscriptErrorCount();
    for (int flags : {0x200, 0x600, 512, 1536}) {
        Visit visit;
        DLScan(list, Visitor, flags, reinterpret_cast<intptr_t>(&visit), 0);
        EXPECT_EQ(visit.seen, (std::vector<int>{0, 1, 2})) << flags;
    }
    EXPECT_EQ(TranscriptErrorCount(), errors);
    DLDestroy(list);
}

TEST(DLScan, SelectedFlagVisitsOnlyMarkedEntities) {
    std::vector<HostEntity*> e;
    HDL list = Lines(5, &e);
    DLSelect(e[1]);
    DLSelect(e[3]);
    DLSelect(e[4]);
    DLUnSelect(e[4]);
    Visit visit;
    DLScan(list, Visitor, kScanSelected, reinterpret_cast<intptr_t>(&visit), 0);
    EXPECT_EQ(visit.seen, (std::vector<int>{1, 3}));
    DLDestroy(list);
}

TEST(DLScan, DeletingTheVisitedEntityGoesOnWithTheNext) {
    HDL list = Lines(5);
    Visit visit;
    visit.action = kDeleteIt;
    DLScan(list, Visitor, 0, reinterpret_cast<intptr_t>(&visit), 0);
    EXPECT_EQ(visit.seen, (std::vector<int>{0, 1, 2, 3, 4}));
    EXPECT_EQ(EntityCount(list), 0);
    DLDestroy(list);
}

TEST(DLScan, DeletingTheNextEntityIsSkippedSafely) {
    HDL list = Lines(6);
    Visit visit;
    visit.action = kDeleteNext;
    DLScan(list, Visitor, 0, reinterpret_cast<intptr_t>(&visit), 0);
    EXPECT_EQ(visit.seen, (std::vector<int>{0, 2, 4}));
    EXPECT_EQ(Order(list), (std::vector<int>{0, 2, 4}));
    DLDestroy(list);
}

TEST(DLScan, SweepOfSelectedEntitiesDeletesExactlyThose) {
    std::vector<HostEntity*> e;
    HDL list = Lines(6, &e);
    for (int i : {0, 2, 3, 5}) DLSelect(e[i]);
    Visit visit;
    visit.action = kDeleteIt;
    DLScan(list, Visitor, kScanSelected, reinterpret_cast<intptr_t>(&visit), 0);
    EXPECT_EQ(Order(list), (std::vector<int>{1, 4}));
    DLDestroy(list);
}

TEST(DLScan, MakingAMemberListOfTheVisitedEntityKeepsTheWalk) {
    HDL list = Lines(4);
    Visit visit;
    visit.action = kMakeSubList;
    DLScan(list, Visitor, 0, reinterpret_cast<intptr_t>(&visit), 0);
    EXPECT_EQ(visit.seen, (std::vector<int>{0, 1, 2, 3}));
    EXPECT_EQ(Order(list), (std::vector<int>{0, 1, 2, 3}));
    for (HostEntity* entity = FirstEntity(list); entity; entity = NextEntity(entity)) {
        EXPECT_NE(MemberListOf(entity), nullptr);
    }
    DLDestroy(list);
}

TEST(DLScan, MovingTheVisitedEntityKeepsTheWalk) {
    std::vector<HostEntity*> e;
    HDL list = Lines(4, &e);
    Visit visit;
    visit.action = kMoveToFront;
    visit.other = e[0];
    DLScan(list, Visitor, 0, reinterpret_cast<intptr_t>(&visit), 0);
    EXPECT_EQ(visit.seen, (std::vector<int>{0, 1, 2, 3}));
    EXPECT_EQ(Order(list), (std::vector<int>{1, 2, 3, 0}));
    DLDestroy(list);
}

TEST(DLScan, EmptyingTheListEndsTheWalk) {
    HDL list = Lines(4);
    Visit visit;
    visit.action = kEmptyList;
    DLScan(list, Visitor, 0, reinterpret_cast<intptr_t>(&visit), reinterpret_cast<intptr_t>(list));
    EXPECT_EQ(visit.seen, (std::vector<int>{0}));
    EXPECT_EQ(EntityCount(list), 0);
    DLDestroy(list);
}

int DestroyScanned(int, HostEntity*, intptr_t a, intptr_t) {
    DLDestroy(reinterpret_cast<HDL>(a));
    return 0;
}

TEST(DLScan, DestroyingTheScannedListFromTheCallbackIsSafe) {
    HDL list = Lines(3);
    EXPECT_EQ(DLScan(list, DestroyScanned, 0, reinterpret_cast<intptr_t>(list), 0), 0);
    EXPECT_FALSE(IsList(list));
}

TEST(DLApnd, AppendsACopyWhoseAddressSurvivesMoves) {
    std::vector<HostEntity*> e;
    HDL list = Lines(3, &e);
    Bytes source = Line(7);
    HostEntity* copy = Append(list, source);
    ASSERT_NE(copy, nullptr);
    EXPECT_NE(copy, source.data());
    EXPECT_EQ(memcmp(copy, source.data(), source.size()), 0);
    DLMoveB(copy, e[1]);
    EXPECT_TRUE(IsEntity(copy));
    EXPECT_EQ(XOf(copy), 7.0f);
    EXPECT_EQ(Order(list), (std::vector<int>{0, 7, 1, 2}));
    DLMoveB(e[2], e[0]);
    EXPECT_EQ(Order(list), (std::vector<int>{2, 0, 7, 1}));
    DLDestroy(list);
}

TEST(DLApnd, RefusesMalformedRecordsWithAStatus) {
    HDL list = Lines(0);
    int errors = TranscriptErrorCount();
    int status = 0;
    Bytes shortRecord = Record(kLine, 20);
    EXPECT_EQ(DLApnd(list, shortRecord.data(), &status), nullptr);
    EXPECT_NE(status, 0);
    Bytes text = Record(kText, sizeof(TextRecord) + 4);
    memset(text.data() + sizeof(TextRecord), 'x', 4);   // no terminator
    EXPECT_EQ(DLApnd(list, text.data(), nullptr), nullptr);
    EXPECT_EQ(EntityCount(list), 0);
    EXPECT_EQ(TranscriptErrorCount(), errors + 2);
    DLDestroy(list);
}

TEST(DLApnd, StoresCustomRecordsByteForByte) {
    HDL list = Lines(0);
    Bytes entry = Record(kCustom, 43646);
    for (size_t i = 5; i < entry.size(); ++i) entry[i] = static_cast<unsigned char>(i * 7);
    HostEntity* copy = Append(list, entry);
    ASSERT_NE(copy, nullptr);
    EXPECT_EQ(memcmp(copy, entry.data(), entry.size()), 0);
    DLDestroy(list);
}

TEST(DLMakeSubList, MovesTheRecordAndKeepsItsPlace) {
    std::vector<HostEntity*> e;
    HDL list = Lines(3, &e);
    int status = 0;
    EXPECT_EQ(DLGetSubList(e[1], &status), nullptr);
    EXPECT_NE(status, 0);
    DLSelect(e[1]);
    HostEntity* moved = DLMakeSubList(e[1], &status);
    EXPECT_EQ(status, 0);
    ASSERT_NE(moved, nullptr);
    EXPECT_NE(moved, e[1]);
    EXPECT_FALSE(IsEntity(e[1]));
    EXPECT_EQ(XOf(moved), 1.0f);
    EXPECT_EQ(Order(list), (std::vector<int>{0, 1, 2}));
    HDL members = DLGetSubList(moved, &status);
    EXPECT_EQ(status, 0);
    ASSERT_NE(members, nullptr);
    EXPECT_EQ(EntityCount(members), 0);
    Visit visit;
    DLScan(list, Visitor, kScanSelected, reinterpret_cast<intptr_t>(&visit), 0);
    EXPECT_EQ(visit.seen, (std::vector<int>{1}));   // the mark moves with it
    DLDestroy(list);
}

TEST(DLMakeSubList, KeepsMembersWhenTheEntityHasThemAlready) {
    std::vector<HostEntity*> e;
    HDL list = Lines(1, &e);
    HostEntity* moved = DLMakeSubList(e[0], nullptr);
    Append(DLGetSubList(moved, nullptr), Line(5));
    HostEntity* again = DLMakeSubList(moved, nullptr);
    EXPECT_EQ(Order(DLGetSubList(again, nullptr)), (std::vector<int>{5}));
    DLDestroy(list);
}

TEST(SymbolReferences, FollowAMovedDefinitionAndDropADeletedOne) {
    HDL list = Lines(0);
    HostEntity* def = Append(list, SymbolDef("DOOR"));
    HostEntity* ref = Append(list, SymbolRef("door"));
    EXPECT_EQ(DefinitionOf(ref), def);
    HostEntity* moved = DLMakeSubList(def, nullptr);
    EXPECT_EQ(DefinitionOf(ref), moved);
    // A reference inside a group follows too.
    HostEntity* group = Append(list, Named(kGroup, sizeof(GroupRecord), offsetof(GroupRecord, name), "G"));
    group = DLMakeSubList(group, nullptr);
    HostEntity* inner = Append(DLGetSubList(group, nullptr), SymbolRef("DOOR"));
    EXPECT_EQ(DefinitionOf(inner), moved);
    DLDelete(moved);
    EXPECT_EQ(DefinitionOf(ref), nullptr);
    EXPECT_EQ(DefinitionOf(inner), nullptr);
    DLDestroy(list);
}

TEST(SymbolReferences, LinkByNameAndUnlinkWithoutDefinition) {
    HDL list = NewList("LIB.KVS");
    HostEntity* ref = AppendRecord(list, SymbolRef("WINDOW").data(), sizeof(SymbolRefRecord));
    HostEntity* lost = AppendRecord(list, SymbolRef("NONE").data(), sizeof(SymbolRefRecord));
    HostEntity* def = AppendRecord(list, SymbolDef("Window").data(), sizeof(SymbolDefRecord));
    memset(lost + offsetof(SymbolRefRecord, definition), 0x55, 4);
    LinkSymbolReferences(list);
    EXPECT_EQ(DefinitionOf(ref), def);
    EXPECT_EQ(DefinitionOf(lost), nullptr);
    DLDestroy(list);
}

TEST(DLCopy, CopiesMembersDeeply) {
    std::vector<HostEntity*> e;
    HDL list = Lines(1, &e);
    HostEntity* owner = DLMakeSubList(e[0], nullptr);
    HDL members = DLGetSubList(owner, nullptr);
    HostEntity* member = DLMakeSubList(Append(members, Line(3)), nullptr);
    Append(DLGetSubList(member, nullptr), Line(4));
    HDL other = Lines(0);
    HostEntity* copy = DLCopy(other, owner);
    ASSERT_NE(copy, nullptr);
    DLDestroy(list);   // the copy owns its own members
    HDL copiedMembers = DLGetSubList(copy, nullptr);
    ASSERT_NE(copiedMembers, nullptr);
    EXPECT_EQ(Order(copiedMembers), (std::vector<int>{3}));
    EXPECT_EQ(Order(DLGetSubList(FirstEntity(copiedMembers), nullptr)), (std::vector<int>{4}));
    DLDestroy(other);
}

// Regression: every loaded drawing's entities were carved from blocks that
// the copies of its entities in a list that lives on (a cache's notes) then
// kept, so a batch of drawings kept a block per few dozen drawings.
TEST(NodeMemory, ADestroyedDrawingGivesBackItsBlocksWhateverWasCopiedFromIt) {
    std::vector<HostEntity*> e;
    HDL keeper = Lines(1, &e);
    HostEntity* holder = DLMakeSubList(e[0], nullptr);
    int before = LiveNodeBlocks();
    for (int i = 0; i < 50; ++i) {
        HDL drawing = Lines(5000);   // more than a block of lines
        EXPECT_GT(LiveNodeBlocks(), before);
        DLCopy(DLGetSubList(holder, nullptr), FirstEntity(drawing));
        DLDestroy(drawing);
    }
    EXPECT_EQ(EntityCount(DLGetSubList(holder, nullptr)), 50);
    EXPECT_LE(LiveNodeBlocks(), before + 1);   // the copies share the keeper's block
    DLDestroy(keeper);
}

// Wine faults a freed block's memory in again at its next use: the large
// blocks of a destroyed drawing serve the next drawing's large nodes, and
// no more than 64 MB of them wait for it.
TEST(NodeMemory, ADestroyedDrawingsLargeBlocksServeTheNextDrawingWithinABound) {
    const Bytes entry = Record(4, 43646);
    HDL first = Lines(0);
    for (int i = 0; i < 100; ++i) Append(first, entry);
    DLDestroy(first);
    const uint32_t kept = KeptNodeBytes();
    EXPECT_GE(kept, 100u * 43646u);
    HDL second = Lines(0);
    for (int i = 0; i < 100; ++i) Append(second, entry);
    EXPECT_GE(kept - KeptNodeBytes(), 100u * 43646u);

    for (int i = 0; i < 2000; ++i) Append(second, entry);   // 87 MB
    DLDestroy(second);
    EXPECT_LE(KeptNodeBytes(), 64u << 20);
}

// Regression: copying an entity into its own member list must not copy the copy.
TEST(DLCopy, IntoItsOwnMemberListTerminates) {
    std::vector<HostEntity*> e;
    HDL list = Lines(1, &e);
    HostEntity* owner = DLMakeSubList(e[0], nullptr);
    HDL members = DLGetSubList(owner, nullptr);
    Append(members, Line(1));
    HostEntity* copy = DLCopy(members, owner);
    EXPECT_EQ(EntityCount(members), 2);
    EXPECT_EQ(EntityCount(DLGetSubList(copy, nullptr)), 1);
    DLDestroy(list);
}

TEST(DLCopy, ReferenceCopiedToAnotherDrawingLinksThere) {
    HDL a = Lines(0);
    HDL b = Lines(0);
    Append(a, SymbolDef("S"));
    HostEntity* ref = Append(a, SymbolRef("S"));
    HostEntity* defB = Append(b, SymbolDef("S"));
    HostEntity* copy = DLCopy(b, ref);
    EXPECT_EQ(DefinitionOf(copy), defB);
    HostEntity* same = DLCopy(a, ref);
    EXPECT_EQ(DefinitionOf(same), DefinitionOf(ref));
    DLDestroy(a);
    DLDestroy(b);
}

TEST(DLGetIBAdr, HeaderAlwaysLayerTableOnlyWhenPresent) {
    HDL list = Lines(0);
    int status = 0;
    const HeaderBlock* header = static_cast<const HeaderBlock*>(DLGetIBAdr(list, 0, &status));
    ASSERT_NE(header, nullptr);
    EXPECT_EQ(status, 0);
    EXPECT_EQ(header->size, 64u);
    EXPECT_EQ(header->background, 15);
    EXPECT_EQ(DLGetIBAdr(list, 3, &status), nullptr);
    EXPECT_NE(status, 0);
    status = 0;
    EXPECT_EQ(DLGetIBAdr(list, 1, &status), nullptr);
    EXPECT_NE(status, 0);

    LayerRecord layers[2] = {{0, 0, 0, "WALLS"}, {0, 7, 1, "HIDDEN"}};
    SetLayers(list, layers, 2);
    const unsigned char* block = static_cast<const unsigned char*>(DLGetIBAdr(list, 3, &status));
    ASSERT_NE(block, nullptr);
    EXPECT_EQ(status, 0);
    LayerTableHead head;
    memcpy(&head, block, sizeof head);
    EXPECT_EQ(head.count, 2u);
    EXPECT_EQ(head.size, 16u + 2 * 40 + 4);
    const unsigned char* p = block + 16;
    int seen = 0;
    for (uint32_t length; memcpy(&length, p, 4), length != 0; p += length) {
        LayerRecord layer;
        memcpy(&layer, p, sizeof layer);
        EXPECT_EQ(layer.number, layers[seen].number);
        EXPECT_EQ(layer.flags, layers[seen].flags);
        ++seen;
    }
    EXPECT_EQ(seen, 2);
    EXPECT_EQ(p, block + head.size - 4);
    DLDestroy(list);
}

TEST(RecordRule, KnownTypesMustHoldTheirFieldsAndTexts) {
    struct Case {
        Bytes record;
        bool wellFormed;
        const char* what;
    };
    Bytes polyline = Record(kPolyline, 36 + 3 * 12);
    uint32_t three = 3, four = 4, huge = 0x40000000;
    memcpy(polyline.data() + 32, &three, 4);
    Bytes polylineOver = polyline;
    memcpy(polylineOver.data() + 32, &four, 4);
    Bytes polylineWrap = polyline;
    memcpy(polylineWrap.data() + 32, &huge, 4);   // 12 * count wraps in 32 bits
    Bytes note = Named(kNote, 64, 30, "Heading");
    Bytes noteNoBody = Named(kNote, 62, 30, "Heading");
    Bytes noteLongHeading = note;
    memset(noteLongHeading.data() + 30, 'h', 32);
    Bytes refLongName = SymbolRef("x");
    memset(refLongName.data() + 52, 'n', 32);
    // A hatch of one line family and one loop of three points.
    Bytes hatch = Record(kHatch, sizeof(HatchRecord) + sizeof(HatchLine) + 4 + 3 * 12);
    uint32_t one = 1;
    memcpy(hatch.data() + offsetof(HatchRecord, loopCount), &one, 4);
    memcpy(hatch.data() + offsetof(HatchRecord, lineCount), &one, 4);
    memcpy(hatch.data() + offsetof(HatchRecord, pointCount), &three, 4);
    memcpy(hatch.data() + sizeof(HatchRecord) + sizeof(HatchLine), &three, 4);
    Bytes hatchDashes = hatch;
    uint32_t thirteen = 13;
    memcpy(hatchDashes.data() + sizeof(HatchRecord) + offsetof(HatchLine, dashCount), &thirteen, 4);
    Bytes hatchLoops = hatch;
    memcpy(hatchLoops.data() + sizeof(HatchRecord) + sizeof(HatchLine), &four, 4);
    Bytes hatchHuge = hatch;
    memcpy(hatchHuge.data() + offsetof(HatchRecord, lineCount), &huge, 4);
    Bytes lengthMismatch = Line(0);
    lengthMismatch[0] = 60;
    Case cases[] = {
        {Line(0), true, "line"},
        {Record(kLine, 51), false, "short line"},
        {Record(kCircle, 44), true, "circle"},
        {Record(kSolid, 75), false, "short solid"},
        {polyline, true, "polyline with its points"},
        {polylineOver, false, "polyline count past the end"},
        {polylineWrap, false, "polyline count that wraps"},
        {hatch, true, "hatch"},
        {hatchDashes, false, "hatch line of more dashes than it holds"},
        {hatchLoops, false, "hatch loops of more points than it has"},
        {hatchHuge, false, "hatch line count that wraps"},
        {Record(kHatch, 44), true, "hatch of nothing"},
        {Record(kText, 49), true, "empty text"},
        {Record(kText, 48), false, "text without terminator"},
        {note, true, "note"},
        {noteNoBody, false, "note without body"},
        {noteLongHeading, false, "note heading unterminated"},
        {SymbolRef("x"), true, "reference"},
        {refLongName, false, "reference name unterminated"},
        {Record(kCustom, 28), true, "custom, bare"},
        {Record(200, 28), true, "unknown type"},
        {Record(200, 27), false, "shorter than the common part"},
        {lengthMismatch, false, "length word differs"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(IsWellFormedRecord(c.record.data(), static_cast<uint32_t>(c.record.size())), c.wellFormed)
            << c.what;
    }
    EXPECT_FALSE(IsWellFormedRecord(nullptr, 28));
}

TEST(BadHandles, AreRefusedAndCountedAsErrors) {
    unsigned char notAnEntity[64] = {};
    int errors = TranscriptErrorCount();
    DLDelete(notAnEntity + 32);
    DLSelect(nullptr);
    int status = 0;
    EXPECT_EQ(DLMakeSubList(notAnEntity + 32, &status), nullptr);
    EXPECT_NE(status, 0);
    DLEmpty(reinterpret_cast<HDL>(notAnEntity));
    EXPECT_EQ(TranscriptErrorCount(), errors + 4);
}

TEST(WorkDrawing, StartsEmptyAndIsReplacedByANewOne) {
    HDL first = DLGetWorkDL();
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(DLGetWorkDL(), first);
    EXPECT_STREQ(first->name, "NONAME");
    int errors = TranscriptErrorCount();
    DLDestroy(first);   // belongs to the host
    EXPECT_EQ(TranscriptErrorCount(), errors + 1);
    EXPECT_TRUE(IsList(first));
    HDL next = Lines(2);
    SetWorkDrawing(next);
    EXPECT_EQ(DLGetWorkDL(), next);
    EXPECT_FALSE(IsList(first));
}

TEST(GetCStuff, FillsOnlyTheCommonAttributes) {
    Bytes record(40, 0xAB);
    GetCStuff(record.data());
    for (int i = 0; i < 5; ++i) EXPECT_EQ(record[i], 0xAB) << i;
    for (int i = 5; i < 28; ++i) EXPECT_EQ(record[i], 0) << i;
    for (int i = 28; i < 40; ++i) EXPECT_EQ(record[i], 0xAB) << i;
}

}  // namespace
