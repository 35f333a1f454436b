// The stand-in host's own checks, which every end-to-end test relies on:
// a command ends exactly once, prompts answer with the right status and
// never overrun, and the store reads only values of the requested size.
#include <gtest/gtest.h>

#include <string>

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

}  // namespace
