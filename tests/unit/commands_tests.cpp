// Commands and macro lines: the folder kept from a picked path, the first
// browse directory, the line each insertion style gives, the paths no line
// may carry, and BROWSEP's preset.
#include <gtest/gtest.h>

#include <string>

#include "browsecache/cache.h"
#include "commands/handlers.h"
#include "commands/macrolines.h"
#include "module/browsedir.h"
#include "module/paths.h"
#include "module/state.h"
#include "module/text.h"
#include "settings/settings.h"
#include "standin/standin.h"
#include "tests/support/folders.h"
#include "tests/support/pathdialog.h"

namespace {

std::string Cut(const char* path) {
    char buffer[kDirSize];
    CopyText(buffer, path);
    CutAtLastBackslash(buffer);
    return buffer;
}

TEST(BrowseDirectory, PickedPathIsCutAtItsLastBackslash) {
    EXPECT_EQ(Cut("C:\\plans\\folder.dir"), "C:\\plans");
    EXPECT_EQ(Cut("C:\\plans\\"), "C:\\plans");
    EXPECT_EQ(Cut("folder.dir"), "") << "no backslash: empty";
    EXPECT_EQ(Cut("\\folder.dir"), "") << "the first character is not looked at";
    EXPECT_EQ(Cut(""), "");
}

// "Z:" alone is the drive's current folder, where BROWSE then browsed and
// wrote its cache.
TEST(BrowseDirectory, ADriveRootKeepsItsBackslash) {
    EXPECT_EQ(Cut("Z:\\folder.dir"), "Z:\\");
    EXPECT_EQ(Cut("Z:\\plans\\\\folder.dir"), "Z:\\plans") << "a doubled backslash goes too";
    EXPECT_EQ(Cut("\\\\server\\share\\folder.dir"), "\\\\server\\share");
}

std::string CurrentDirectory() {
    char current[MAX_PATH];
    GetCurrentDirectoryA(sizeof current, current);
    return current;
}

TEST(BrowseDirectory, FirstValueIsTheHostDirectoryLessItsLastCharacter) {
    browseDirectory[0] = '\0';
    CopyText(g_config.rsc3059, "C:\\KORVIND\\DRAWINGS\\");
    EnsureBrowseDirectory();
    EXPECT_STREQ(browseDirectory, "C:\\KORVIND\\DRAWINGS");
    CopyText(g_config.rsc3059, "D:\\OTHER\\");
    EnsureBrowseDirectory();
    EXPECT_STREQ(browseDirectory, "C:\\KORVIND\\DRAWINGS") << "a directory once set stays";
    browseDirectory[0] = '\0';
    g_config.rsc3059[0] = '\0';
}

// Regression: without a usable host directory BROWSE worked at the drive's
// root ("Browse directory []:", its cache written to "Y:\", a pick sent as
// "~LOADM \ROOT1.KVW;"); "My Computer" was taken as a folder.
TEST(BrowseDirectory, WithoutAUsableHostDirectoryItIsTheCurrentDirectoryInFull) {
    std::string overlong = "C:\\" + std::string(kDirSize, 'd') + "\\";
    const char* unusable[] = {"", overlong.c_str(), "::{20d04fe0-3aea-1069-a2d8-08002b30309d}"};
    for (const char* hostDirectory : unusable) {
        browseDirectory[0] = '\0';
        CopyText(g_config.rsc3059, hostDirectory);
        EnsureBrowseDirectory();
        EXPECT_EQ(browseDirectory, CurrentDirectory()) << hostDirectory;
    }
    browseDirectory[0] = '\0';
    g_config.missingString = 3059;  // once a crash
    EnsureBrowseDirectory();
    g_config.missingString = 0;
    EXPECT_EQ(browseDirectory, CurrentDirectory());
    CopyText(browseDirectory, "::{20d04fe0-3aea-1069-a2d8-08002b30309d}");
    CopyText(g_config.rsc3059, "Z:\\");
    EnsureBrowseDirectory();
    EXPECT_STREQ(browseDirectory, "Z:\\") << "a shell folder is never kept, a root stays a root";
    browseDirectory[0] = '\0';
    g_config.rsc3059[0] = '\0';
}

// Regression: a folder too long to browse, or "My Computer", chosen in the
// path dialog became the default silently, and only the next BROWSE refused
// it. Now it is told at once and the old folder stays.
TEST(BrowseDirectory, AChosenFolderThatCannotBeBrowsedIsToldAndTheOldOneKept) {
    std::string overlong = "C:\\" + std::string(kLongestCacheFolder - 2, 'd');
    for (const char* chosen : {overlong.c_str(), "::{20d04fe0-3aea-1069-a2d8-08002b30309d}", ""}) {
        QueueBoxAnswer(IDOK);
        EXPECT_FALSE(AcceptBrowseFolder(chosen, kLongestCacheFolder)) << chosen;
    }
    overlong.pop_back();
    EXPECT_TRUE(AcceptBrowseFolder(overlong.c_str(), kLongestCacheFolder)) << "the longest that has a cache";
    EXPECT_TRUE(AcceptBrowseFolder("C:\\new", kLongestCacheFolder));
}

// A folder too long for "\folder.dir" starts the dialog on the bare name in
// the current folder, not on a cut path; cancelled, nothing changes.
TEST(BrowseP, AFolderTooLongForThePresetProposesTheBareName) {
    std::string folder = "C:\\" + std::string(kDirSize - 12, 'd');
    CopyText(browseDirectory, folder.c_str());
    testdlg::PathDialogUser user;
    BeginCommand("BROWSEP");
    CmdBrowseP();
    ASSERT_TRUE(user.Join());
    EXPECT_EQ(user.Proposed(), "folder.dir");
    EXPECT_EQ(ActiveCommand(), nullptr) << "the command ended";
    EXPECT_EQ(browseDirectory, folder);
    browseDirectory[0] = '\0';
}

// The macro lines reach the host's interpreter, which records them.
struct MacroLines : ::testing::Test {
    TempFolder folder{"macros"};
    std::string Transcript() { return folder.path + "\\transcript.txt"; }
    void SetUp() override {
        CopyText(g_config.rsc3053, "Software\\KvUnit\\commands");
        RegDeleteTreeA(HKEY_CURRENT_USER, g_config.rsc3053);
        Options = OptionsRecord{0, 1, 0};
        CloseTranscript();
        OpenTranscript(Transcript().c_str());
    }
    void StoreInsertStyle(int32_t style) {
        OptionsRecord stored = {style, 1, 0};
        std::string key = std::string(g_config.rsc3053) + "\\XP\\Vandrel\\Kiru32 (Lumo32)\\";
        HKEY handle;
        ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, key.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr,
                                  &handle, nullptr), ERROR_SUCCESS);
        RegSetValueExA(handle, "Options", 0, REG_BINARY, reinterpret_cast<const BYTE*>(&stored),
                       sizeof stored);
        RegCloseKey(handle);
    }
    // The lines handed to the interpreter and the aborts, in order; what
    // the stand-in's interpreter then did with them is left out.
    std::string Lines() {
        CloseTranscript();
        std::string all = folder.Read("transcript.txt"), out;
        for (size_t at = 0; at < all.size();) {
            size_t end = all.find('\n', at);
            std::string line = all.substr(at, end - at + 1);
            if (line.rfind("macro ", 0) == 0 || line.rfind("abort-scripts", 0) == 0 ||
                line.rfind("error-box", 0) == 0) {
                out += line;
            }
            at = end == std::string::npos ? all.size() : end + 1;
        }
        return out;
    }
};

TEST_F(MacroLines, PartLineFollowsTheStoredInsertStyle) {
    EmitPart("C:\\p.kvw");            // nothing stored: the default
    StoreInsertStyle(1);
    EmitPart("C:\\p.kvw");
    StoreInsertStyle(2);
    EmitPart("C:\\p.kvw");
    StoreInsertStyle(7);              // any other value acts as 0
    EmitPart("C:\\p.kvw");
    std::string lines = Lines();
    EXPECT_EQ(lines, "macro ~PARTM C:\\p.kvw;\nmacro ~MPAR C:\\p.kvw;\nmacro ~MPARS C:\\p.kvw;\n"
                     "macro ~PARTM C:\\p.kvw;\n");
    EXPECT_EQ(lines.find("abort-scripts"), std::string::npos) << "inserting aborts no macros";
}

TEST_F(MacroLines, LoadAbortsRunningMacrosFirstAndTemplateStartsANewDrawing) {
    EmitLoad("C:\\a b\\plan.kvw");
    EmitTemplate("C:\\t.kvt");
    std::string lines = Lines();
    EXPECT_EQ(lines, "abort-scripts\nmacro ~LOADM C:\\a b\\plan.kvw;\nmacro ~TEMPLATEM C:\\t.kvt;NEW;\n");
}

// A file named "A;~LOADM X.KVW;B.KVW" loaded A and then ran what its name
// carried; a line feed or return split the line the same way.
TEST_F(MacroLines, APathThatWouldSplitTheLineIsRefusedWithAMessage) {
    for (int i = 0; i < 4; ++i) QueueBoxAnswer(IDOK);
    EmitLoad("C:\\A;~LOADM X.KVW;B.KVW");
    EmitPart("C:\\x;y\\p.kvw");
    EmitTemplate("C:\\t\nNEW.kvt");
    EXPECT_TRUE(AcceptPickedPath("C:\\a b\\pl\xE4n.kvw"));
    EXPECT_FALSE(AcceptPickedPath("C:\\a\rb.kvw"));
    EXPECT_EQ(Lines(),
              "error-box This file cannot be used:\\n\\nC:\\A;~LOADM X.KVW;B.KVW\\n\\nIts path holds a "
              "semicolon or a control character, which would end the command there.\n"
              "error-box This file cannot be used:\\n\\nC:\\x;y\\p.kvw\\n\\nIts path holds a semicolon or "
              "a control character, which would end the command there.\n"
              "error-box This file cannot be used:\\n\\nC:\\t\\nNEW.kvt\\n\\nIts path holds a semicolon "
              "or a control character, which would end the command there.\n"
              "error-box This file cannot be used:\\n\\nC:\\a\\rb.kvw\\n\\nIts path holds a semicolon or "
              "a control character, which would end the command there.\n")
        << "no line, no aborted macros";
}

TEST_F(MacroLines, LongestPickedPathFitsTheLine) {
    std::string path = "C:\\" + std::string(kPickedPathSize - 4, 'x');
    EmitTemplate(path.c_str());
    EXPECT_EQ(Lines(), "macro ~TEMPLATEM " + path + ";NEW;\n");
}

}  // namespace
