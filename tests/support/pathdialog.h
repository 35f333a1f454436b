// Plays the user at the host's path dialog ("Browse folder") from a second
// thread: notes the name the dialog proposes, then cancels it. Only the test
// thread's own windows are looked at, never an end-to-end run's on the same
// display.
#pragma once

#include <windows.h>

#include <stdint.h>

#include <string>

namespace testdlg {

class PathDialogUser {
public:
    PathDialogUser() : testThread_(GetCurrentThreadId()) {
        thread_ = CreateThread(nullptr, 0, Run, this, 0, nullptr);
    }
    ~PathDialogUser() { Join(); }
    PathDialogUser(const PathDialogUser&) = delete;
    PathDialogUser& operator=(const PathDialogUser&) = delete;

    // Waits for the user to have finished; true when the dialog was seen.
    bool Join() {
        if (thread_) {
            WaitForSingleObject(thread_, INFINITE);
            CloseHandle(thread_);
            thread_ = nullptr;
        }
        return seen_;
    }
    // The text of the dialog's file-name field when it showed.
    const std::string& Proposed() const { return proposed_; }

private:
    enum { kWaitMs = 30000, kNameCombo = 0x47c, kNameEdit = 0x480 };

    static BOOL CALLBACK Match(HWND window, LPARAM found) {
        char title[32];
        if (IsWindowVisible(window) && GetWindowTextA(window, title, sizeof title) &&
            lstrcmpA(title, "Browse folder") == 0) {
            *reinterpret_cast<HWND*>(found) = window;
            return FALSE;
        }
        return TRUE;
    }

    static DWORD WINAPI Run(void* self) {
        PathDialogUser* user = static_cast<PathDialogUser*>(self);
        for (int waited = 0; waited < kWaitMs; waited += 10) {
            HWND dialog = nullptr;
            EnumThreadWindows(user->testThread_, Match, reinterpret_cast<LPARAM>(&dialog));
            if (dialog) {
                HWND field = GetDlgItem(dialog, kNameCombo);
                if (!field) field = GetDlgItem(dialog, kNameEdit);
                char text[1024] = "";
                if (field) GetWindowTextA(field, text, sizeof text);
                user->proposed_ = text;
                user->seen_ = true;
                PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
                return 0;
            }
            Sleep(10);
        }
        return 1;
    }

    DWORD testThread_;
    HANDLE thread_ = nullptr;
    bool seen_ = false;
    std::string proposed_;
};

}  // namespace testdlg
