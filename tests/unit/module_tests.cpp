// The module spine: registration record, library entry, shared state.
#include <gtest/gtest.h>

#include <string.h>

#include <string>
#include <type_traits>
#include <utility>

#include "commands/registration.h"
#include "module/gdi.h"
#include "module/paths.h"
#include "module/state.h"
#include "module/text.h"
#include "module/xprecord.h"
#include "standin/standin.h"

extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD, LPVOID);
extern const char AboutText[];

namespace {

uint32_t WordAt(const void* record, int offset) {
    uint32_t word;
    memcpy(&word, static_cast<const char*>(record) + offset, 4);
    return word;
}

int RegisteredCount(const XpRecordLayout* record) {
    int count = 0;
    for (int slot = 0; slot < 8; ++slot) count += RegisteredRecord(slot) == record;
    return count;
}

TEST(XpRecord, WordsHoldTheValuesTheHostReads) {
    EXPECT_EQ(WordAt(&XpRecord, 0), 0u);
    EXPECT_EQ(WordAt(&XpRecord, 4), reinterpret_cast<uint32_t>(kCommandNames));
    EXPECT_EQ(WordAt(&XpRecord, 8), reinterpret_cast<uint32_t>(kHandlers));
    EXPECT_EQ(WordAt(&XpRecord, 12), 0u);
    EXPECT_EQ(WordAt(&XpRecord, 16), reinterpret_cast<uint32_t>(&NotifyEntry));
    EXPECT_NE(WordAt(&XpRecord, 20), 0u);
    EXPECT_EQ(WordAt(&XpRecord, 24), 0xA005u);
    EXPECT_EQ(WordAt(&XpRecord, 32), 603u);
    EXPECT_EQ(WordAt(&XpRecord, 36), 0u);
    EXPECT_EQ(WordAt(&XpRecord, 40), 0u);
    EXPECT_EQ(WordAt(&XpRecord, 44), 603u);
    EXPECT_EQ(WordAt(&XpRecord, 52), 0u);
    for (int offset = 60; offset <= 80; offset += 4) EXPECT_EQ(WordAt(&XpRecord, offset), 0u) << offset;
}

TEST(XpRecord, NameBlockListsEightCommandsAndEndsWithTwoNuls) {
    const char* expected[] = {"FILE", "FILEM", "FILEPART", "BROWSE",
                              "BROWSEPART", "FILEOPT", "BROWSET", "BROWSEP"};
    const char* p = kCommandNames;
    for (const char* name : expected) {
        EXPECT_STREQ(p, name);
        p += strlen(p) + 1;
    }
    EXPECT_EQ(*p, '\0');
    EXPECT_EQ(p[-1], '\0');
}

TEST(XpRecord, HandlerTableHasOneEntryMoreThanThereAreNames) {
    int names = 0;
    for (const char* p = kCommandNames; *p; p += strlen(p) + 1) ++names;
    ASSERT_EQ(names, 8);
    for (int i = 0; i <= names; ++i) EXPECT_NE(kHandlers[i], nullptr) << i;
    EXPECT_EQ(kHandlers[0], &AboutEntry);
}

TEST(XpRecord, NotifyEntryEchoesEveryCode) {
    for (int code : {0, 1, 204, -7, 0x7fffffff}) EXPECT_EQ(NotifyEntry(code), code);
}

TEST(LibraryEntry, AttachRegistersWithInstanceAndDetachUnregisters) {
    HINSTANCE instance = reinterpret_cast<HINSTANCE>(0x10000000);
    ASSERT_TRUE(DllMain(instance, DLL_PROCESS_ATTACH, nullptr));
    EXPECT_EQ(XpRecord.instance, instance);
    EXPECT_EQ(RegisteredCount(&XpRecord), 1);

    EXPECT_TRUE(DllMain(instance, DLL_THREAD_ATTACH, nullptr));
    EXPECT_TRUE(DllMain(instance, DLL_THREAD_DETACH, nullptr));
    EXPECT_EQ(RegisteredCount(&XpRecord), 1) << "thread notifications leave registration alone";

    EXPECT_TRUE(DllMain(instance, DLL_PROCESS_DETACH, nullptr));
    EXPECT_EQ(RegisteredCount(&XpRecord), 0);
}

TEST(CommandState, ResetRestoresLargePictureAfterSmallConversion) {
    PictureInfo.header.biWidth = 90;
    PictureInfo.header.biHeight = 94;
    PictureInfo.header.biSizeImage = 1234;
    PictureInfo.colours[7].rgbRed = 99;
    PreviewDrawing = reinterpret_cast<HDL>(0x1234);
    CacheList = reinterpret_cast<HDL>(0x5678);

    ResetCommandState();

    const BITMAPINFOHEADER& h = PictureInfo.header;
    EXPECT_EQ(h.biSize, 40u);
    EXPECT_EQ(h.biWidth, 181);
    EXPECT_EQ(h.biHeight, 188);
    EXPECT_EQ(h.biPlanes, 1);
    EXPECT_EQ(h.biBitCount, 8);
    EXPECT_EQ(h.biCompression, static_cast<DWORD>(BI_RGB));
    EXPECT_EQ(h.biSizeImage, 1234u) << "other header fields are left as they are";
    EXPECT_EQ(PictureInfo.colours[7].rgbRed, 99) << "the colour table is left as it is";
    EXPECT_EQ(PreviewDrawing, nullptr);
    EXPECT_EQ(CacheList, nullptr);
}

TEST(AboutText, HasElevenLinesEndedByAnEmptyOne) {
    int lines = 0;
    const char* p = AboutText;
    for (; *p; p += strlen(p) + 1) ++lines;
    EXPECT_EQ(lines, 11);
    EXPECT_STREQ(AboutText, "Korvind/Linvale XP");
}

TEST(Text, CopyAndFormatCutToTheBufferAndSaySo) {
    char small[6];
    EXPECT_TRUE(CopyText(small, "abcde"));
    EXPECT_STREQ(small, "abcde");
    EXPECT_FALSE(CopyText(small, "abcdefgh"));
    EXPECT_STREQ(small, "abcde");
    EXPECT_FALSE(FormatText(small, sizeof small, "%s-%d", "abc", 1234));
    EXPECT_STREQ(small, "abc-1");
    EXPECT_TRUE(FormatText(small, sizeof small, "%d", 42));
    EXPECT_STREQ(small, "42");
}

TEST(Text, ExtensionIsTheLastThreeCharactersWithoutRegardToCase) {
    EXPECT_TRUE(HasExtension("plan.kvs", "KVS"));
    EXPECT_TRUE(HasExtension("PLANKVS", "KVS"));
    EXPECT_FALSE(HasExtension("VS", "KVS"));
    EXPECT_FALSE(HasExtension("plan.kvw", "KVS"));
}

std::string Joined(const char* folder, const char* name) {
    char path[16];
    return JoinPath(path, folder, name) ? path : "(refused)";
}

std::string Trimmed(const char* folder) {
    char copy[16];
    CopyText(copy, folder);
    DropTrailingBackslashes(copy);
    return copy;
}

// "Z:\" joined as "%s\%s" gave "Z:\\PLAN.KVW".
TEST(Paths, AFolderAndANameAreJoinedByOneBackslash) {
    EXPECT_EQ(Joined("C:\\d", "A.KVW"), "C:\\d\\A.KVW");
    EXPECT_EQ(Joined("Z:\\", "A.KVW"), "Z:\\A.KVW");
    EXPECT_EQ(Joined("", "A.KVW"), "\\A.KVW");
    EXPECT_EQ(Joined("C:\\folder", "A.KVW"), "C:\\folder\\A.KVW") << "fits exactly";
    EXPECT_EQ(Joined("C:\\folders", "A.KVW"), "(refused)") << "cut, it would name another file";
    char path[8] = "old";
    EXPECT_FALSE(JoinPath(path, "C:\\folder", "x"));
    EXPECT_STREQ(path, "") << "a refused join leaves no path behind";
}

// Regression: a Linux file listed as "..\UP.KVW" was joined to its folder,
// and every action landed on the parent's UP.KVW.
TEST(Paths, ANameThatWouldLeaveTheFolderFormsNoPath) {
    for (const char* name : {"..\\UP.KVW", "..", ".", "a/b.KVW", "C:X.KVW", "", "x\\..\\..\\O.KVW"}) {
        EXPECT_EQ(Joined("C:\\d", name), "(refused)") << name;
    }
    EXPECT_EQ(Joined("C:\\d", "..A.KVW"), "C:\\d\\..A.KVW") << "dots within a name are the name's";
}

TEST(Paths, TrailingBackslashesGoExceptARoots) {
    EXPECT_EQ(Trimmed("C:\\d\\"), "C:\\d");
    EXPECT_EQ(Trimmed("C:\\d\\\\\\"), "C:\\d");
    EXPECT_EQ(Trimmed("Z:\\"), "Z:\\");
    EXPECT_EQ(Trimmed("Z:\\\\"), "Z:\\");
    EXPECT_EQ(Trimmed("\\"), "\\");
    EXPECT_EQ(Trimmed("drawings"), "drawings");
    EXPECT_EQ(Trimmed(""), "");
}

TEST(Paths, ASemicolonOrAControlCharacterKeepsAPathOutOfMacroLines) {
    EXPECT_TRUE(IsMacroSafePath("C:\\a b\\(1) pl\xE4n,x.kvw"));
    EXPECT_TRUE(IsMacroSafePath(""));
    const char* const unsafe[] = {"A;~LOADM X.KVW;B.KVW", "x;y\\p.kvw", "a\nb", "a\rb", "a\tb", "a\x01", "a\x7F"};
    for (const char* path : unsafe) {
        EXPECT_FALSE(IsMacroSafePath(path)) << path;
    }
}

// ---- Owners of handles ----

static_assert(!std::is_copy_constructible<Bitmap>::value && !std::is_copy_assignable<Bitmap>::value,
              "a copied owner would drop its handle twice");
static_assert(!std::is_copy_constructible<FileHandle>::value && !std::is_copy_constructible<WindowDC>::value, "");

// A handle is dropped once, by its last owner: a moved-from owner drops
// nothing, and the count comes back to where it was.
TEST(Owners, GdiObjectsAreDroppedOnceByTheirLastOwner) {
    const int before = LiveGdiObjects();
    BITMAP info;
    HBITMAP first = nullptr;
    {
        DeviceContext memory = MakeMemoryDC(nullptr);
        ASSERT_TRUE(memory);
        Bitmap bitmap = MakeBitmap(memory.Get(), 8, 8);
        ASSERT_TRUE(bitmap);
        first = bitmap.Get();
        Bitmap moved = std::move(bitmap);
        EXPECT_FALSE(bitmap);
        bitmap.Reset();
        EXPECT_EQ(moved.Get(), first);
        EXPECT_NE(GetObjectA(first, sizeof info, &info), 0) << "the moved-from owner dropped the bitmap";
        EXPECT_EQ(LiveGdiObjects(), before + 2);
        moved = MakeBitmap(memory.Get(), 4, 4);
        EXPECT_EQ(GetObjectA(first, sizeof info, &info), 0) << "an owner given another bitmap drops its own";
        EXPECT_FALSE(MakeBitmap(memory.Get(), 1 << 20, 1 << 20)) << "a make that fails owns nothing";
        Region region = MakeRectRegion(RECT{0, 0, 4, 4});
        WindowDC screen(nullptr);
        EXPECT_TRUE(region && screen);
        EXPECT_EQ(LiveGdiObjects(), before + 4);
    }
    EXPECT_EQ(LiveGdiObjects(), before);
}

TEST(Owners, FilesAndSearchesAreClosedOnceByTheirLastOwner) {
    const int before = LiveFileHandles();
    char folder[MAX_PATH], path[MAX_PATH];
    ASSERT_GT(GetTempPathA(sizeof folder, folder), 0u);
    ASSERT_NE(GetTempFileNameA(folder, "own", 0, path), 0u);
    {
        // Deleted when its last handle closes: its going shows the close.
        FileHandle file = FileHandle::Take(
            CreateFileA(path, GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr, CREATE_ALWAYS,
                        FILE_FLAG_DELETE_ON_CLOSE, nullptr));
        ASSERT_TRUE(file);
        WIN32_FIND_DATAA found;
        FindHandle search = FindHandle::Take(FindFirstFileA(path, &found));
        EXPECT_TRUE(search);
        FileHandle moved(std::move(file));
        EXPECT_FALSE(file);
        EXPECT_EQ(LiveFileHandles(), before + 2);
        EXPECT_FALSE(FileHandle::Take(CreateFileA("Q:\\no\\such\\file", GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0,
                                                  nullptr)))
            << "INVALID_HANDLE_VALUE is no handle";
        EXPECT_NE(GetFileAttributesA(path), INVALID_FILE_ATTRIBUTES) << "the moved-from owner closed the file";
    }
    EXPECT_EQ(GetFileAttributesA(path), INVALID_FILE_ATTRIBUTES) << "the last owner closed it";
    EXPECT_EQ(LiveFileHandles(), before);
}

}  // namespace
