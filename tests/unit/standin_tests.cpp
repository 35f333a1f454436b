// The stand-in host's own checks, which every end-to-end test relies on:
// a command ends exactly once, prompts answer with the right status and
// never overrun, and the store reads only values of the requested size;
// the screenshots' PNG files read back, by the system's own decoder, as the
// pixels they were made from.
#include <gtest/gtest.h>

#include <windows.h>

#include <objidl.h>  // before gdiplus.h, which needs its PROPID
#include <gdiplus.h>

#include <string>
#include <vector>

#include "standin/standin.h"

namespace {

// A module of three commands whose behaviour each test sets.
int g_continuationStatus = -1;
char g_answer[kAnswerPathSize];
const FormatBlockValue kPromptList = {"Folder [!01]: ", {g_answer, {0, 0, 5, 3}}, 0};

int EndsTwice() {
    CmdEnd();
    return CmdEnd();
}
int NeverEnds() { return 0; }
int Continue(int status, intptr_t, intptr_t) {
    g_continuationStatus = status;
    return CmdEnd();
}
int Asks() {
    static ReqDataRecord request = {49, 2, kAnswerPath, 2, g_answer, &kPromptList, 1, Continue, {}};
    return ReqData(&request);
}
int About() { return 0; }

const CmdHandler kTestHandlers[] = {About, EndsTwice, NeverEnds, Asks};
XpRecordLayout g_testModule = {0, "TWICE\0NEVER\0ASK\0", kTestHandlers, 0, nullptr, nullptr,
                               0x7777, nullptr, 603, 0, 0, 603, nullptr, 0, nullptr, {}};

struct Host : ::testing::Test {
    void SetUp() override { XPRegCmd(&g_testModule); }
    void TearDown() override {
        if (PromptPending()) CancelPrompt();
        XPUnregCmd(&g_testModule);
    }
};

TEST_F(Host, SecondCmdEndAndCommandsThatNeverEndAreErrors) {
    int errors = TranscriptErrorCount();
    SubmitCommandLine("twice");
    EXPECT_EQ(TranscriptErrorCount(), errors + 1);
    SubmitCommandLine("NEVER");
    EXPECT_EQ(TranscriptErrorCount(), errors + 2);
    EXPECT_EQ(ActiveCommand(), nullptr) << "the next command can run";
}

TEST_F(Host, PromptAnswersWithStatusAndBuffer) {
    strcpy(g_answer, "C:\\OLD");
    int errors = TranscriptErrorCount();
    SubmitCommandLine("ASK");
    ASSERT_TRUE(PromptPending());
    EXPECT_STREQ(ActiveCommand(), "ASK");
    SubmitCommandLine("C:\\NEW");
    EXPECT_EQ(g_continuationStatus, kReqAnswered);
    EXPECT_STREQ(g_answer, "C:\\NEW");
    EXPECT_EQ(ActiveCommand(), nullptr);

    SubmitCommandLine("ASK");
    SubmitCommandLine("");
    EXPECT_EQ(g_continuationStatus, kReqDefault) << "an empty answer takes the value shown";
    EXPECT_STREQ(g_answer, "C:\\NEW");

    SubmitCommandLine("ASK");
    CancelPrompt();
    EXPECT_EQ(g_continuationStatus, kReqCancelled);
    EXPECT_EQ(TranscriptErrorCount(), errors);
}

TEST_F(Host, OverlongAnswerIsRefusedAndThePromptStays) {
    SubmitCommandLine("ASK");
    g_continuationStatus = -1;
    std::string tooLong(kAnswerPathSize, 'x');
    SubmitCommandLine(tooLong.c_str());
    EXPECT_EQ(g_continuationStatus, -1);
    EXPECT_TRUE(PromptPending());
    EXPECT_EQ(strlen(g_answer) < kAnswerPathSize, true);
    std::string fits(kAnswerPathSize - 1, 'y');
    SubmitCommandLine(fits.c_str());
    EXPECT_EQ(g_continuationStatus, kReqAnswered);
    EXPECT_EQ(std::string(g_answer), fits);
}

TEST(Store, OnlyABinaryValueOfTheRequestedSizeIsRead) {
    const char key[] = "Software\\KvUnit\\store\\";
    RegDeleteTreeA(HKEY_CURRENT_USER, "Software\\KvUnit\\store");
    unsigned char written[12] = {1, 2, 3};
    StoreRequest set = {0x80000001, key, "V", written, sizeof written, 3, sizeof written, 0};
    int status = 1;
    ASSERT_TRUE(RMSetValue(&set, &status));
    EXPECT_EQ(status, 0);

    unsigned char same[12] = {};
    StoreRequest get = {0x80000001, key, "V", same, sizeof same, 3, sizeof same, 0};
    EXPECT_TRUE(RMGetValue(&get, &status));
    EXPECT_EQ(same[2], 3);

    unsigned char larger[16];
    memset(larger, 0xEE, sizeof larger);
    StoreRequest other = {0x80000001, key, "V", larger, sizeof larger, 3, sizeof larger, 0};
    EXPECT_FALSE(RMGetValue(&other, &status));
    EXPECT_NE(status, 0);
    EXPECT_EQ(larger[0], 0xEE) << "a value of another size leaves the buffer as it was";

    StoreRequest missing = {0x80000001, key, "Missing", same, sizeof same, 3, sizeof same, 0};
    EXPECT_FALSE(RMGetValue(&missing, &status));
}

// Reads a PNG with GDI+ (Wine's decoder, not ours) into RGB rows; empty
// when it cannot be decoded.
std::vector<unsigned char> DecodePng(const wchar_t* path, int width, int height) {
    std::vector<unsigned char> rgb;
    Gdiplus::GdiplusStartupInput input;
    ULONG_PTR token = 0;
    if (Gdiplus::GdiplusStartup(&token, &input, nullptr) != Gdiplus::Ok) return rgb;
    {
        Gdiplus::Bitmap bitmap(path);
        Gdiplus::BitmapData data;
        Gdiplus::Rect all(0, 0, width, height);
        if (bitmap.GetLastStatus() == Gdiplus::Ok && static_cast<int>(bitmap.GetWidth()) == width &&
            static_cast<int>(bitmap.GetHeight()) == height &&
            bitmap.LockBits(&all, Gdiplus::ImageLockModeRead, PixelFormat24bppRGB, &data) == Gdiplus::Ok) {
            rgb.resize(static_cast<size_t>(3) * width * height);
            for (int y = 0; y < height; ++y) {
                const unsigned char* row = static_cast<const unsigned char*>(data.Scan0) + y * data.Stride;
                for (int x = 0; x < width; ++x) {  // GDI+ rows are blue, green, red
                    for (int c = 0; c < 3; ++c) rgb[3 * (y * width + x) + c] = row[3 * x + 2 - c];
                }
            }
            bitmap.UnlockBits(&data);
        }
    }
    Gdiplus::GdiplusShutdown(token);
    return rgb;
}

long FileSize(const char* path) {
    WIN32_FILE_ATTRIBUTE_DATA data;
    return GetFileAttributesExA(path, GetFileExInfoStandard, &data) ? static_cast<long>(data.nFileSizeLow) : -1;
}

// Pictures of every kind the encoder meets: flat screens, a window's
// frame and text, noise it cannot shrink (stored in many blocks), a lone
// pixel, and rows a matching run reaches across.
TEST(Png, EveryPictureReadsBackAsItsPixels) {
    struct Picture {
        const char* name;
        int width, height;
        unsigned char (*pixel)(int x, int y, int channel);
    };
    const Picture pictures[] = {
        {"flat", 640, 480, [](int, int, int c) -> unsigned char { return c == 2 ? 0xC0 : 0xD4; }},
        {"window", 517, 333, [](int x, int y, int c) -> unsigned char {
             if (x < 3 || y < 3 || x > 513 || y > 329) return c == 0 ? 0x80 : 0x40;
             if (y > 40 && y < 60 && ((x * 7 + y * 3) % 11 < 4)) return 0;
             return static_cast<unsigned char>(0xF0 - (y % 97) - c);
         }},
        {"noise", 401, 203, [](int x, int y, int c) -> unsigned char {
             unsigned v = static_cast<unsigned>(x * 73856093u ^ y * 19349663u ^ c * 83492791u);
             v ^= v >> 13;
             v *= 0x5bd1e995u;
             return static_cast<unsigned char>(v >> 15);
         }},
        {"pixel", 1, 1, [](int, int, int c) -> unsigned char { return static_cast<unsigned char>(0x11 * (c + 1)); }},
        {"stripes", 1280, 40, [](int x, int y, int c) -> unsigned char { return static_cast<unsigned char>((x / 9 + y + c) & 1 ? 255 : 0); }},
    };
    for (const Picture& picture : pictures) {
        std::vector<unsigned char> rgb(static_cast<size_t>(3) * picture.width * picture.height);
        for (int y = 0; y < picture.height; ++y) {
            for (int x = 0; x < picture.width; ++x) {
                for (int c = 0; c < 3; ++c) rgb[3 * (y * picture.width + x) + c] = picture.pixel(x, y, c);
            }
        }
        std::string path = std::string("png-") + picture.name + ".png";
        ASSERT_TRUE(WritePng(path.c_str(), picture.width, picture.height, rgb.data())) << picture.name;
        std::wstring widePath(path.begin(), path.end());
        std::vector<unsigned char> decoded = DecodePng(widePath.c_str(), picture.width, picture.height);
        EXPECT_TRUE(decoded == rgb) << picture.name << " does not read back as written";
        if (!strcmp(picture.name, "flat")) {
            EXPECT_LT(FileSize(path.c_str()), 2000) << "a flat screen is not compressed";
        }
        DeleteFileA(path.c_str());
    }
}

}  // namespace
