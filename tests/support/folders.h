// A fresh folder per test under the system's temporary folder, removed with
// everything in it afterwards.
#pragma once

#include <windows.h>

#include <stdint.h>
#include <stdio.h>

#include <string>

#include "module/text.h"

struct TempFolder {
    std::string path;

    explicit TempFolder(const char* tag) {
        char base[MAX_PATH];
        DWORD length = GetTempPathA(MAX_PATH, base);
        if (length == 0 || length >= MAX_PATH) CopyText(base, "C:\\");
        static int counter;
        char name[MAX_PATH];
        FormatText(name, sizeof name, "%sxp-%s-%lu-%d", base, tag, GetCurrentProcessId(), ++counter);
        path = name;
        CreateDirectoryA(path.c_str(), nullptr);
    }
    ~TempFolder() { Remove(path); }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    std::string File(const std::string& name) const { return path + "\\" + name; }

    void Write(const std::string& name, const std::string& bytes) const {
        SetFileAttributesA(File(name).c_str(), FILE_ATTRIBUTE_NORMAL);
        FILE* f = fopen(File(name).c_str(), "wb");
        if (!f) return;
        fwrite(bytes.data(), 1, bytes.size(), f);
        fclose(f);
    }

    std::string Read(const std::string& name) const {
        std::string bytes;
        FILE* f = fopen(File(name).c_str(), "rb");
        if (!f) return bytes;
        char chunk[4096];
        size_t n;
        while ((n = fread(chunk, 1, sizeof chunk, f)) > 0) bytes.append(chunk, n);
        fclose(f);
        return bytes;
    }

    static void Remove(const std::string& folder) {
        WIN32_FIND_DATAA found;
        HANDLE search = FindFirstFileA((folder + "\\*").c_str(), &found);
        if (search != INVALID_HANDLE_VALUE) {
            do {
                std::string name = found.cFileName;
                if (name == "." || name == "..") continue;
                std::string full = folder + "\\" + name;
                SetFileAttributesA(full.c_str(), FILE_ATTRIBUTE_NORMAL);
                if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) Remove(full);
                else DeleteFileA(full.c_str());
            } while (FindNextFileA(search, &found));
            FindClose(search);
        }
        RemoveDirectoryA(folder.c_str());
    }
};

// Sets a file's last write to that many seconds ago.
inline void SetFileAge(const std::string& path, int seconds) {
    FILETIME now;
    GetSystemTimeAsFileTime(&now);
    ULARGE_INTEGER t = {{now.dwLowDateTime, now.dwHighDateTime}};
    t.QuadPart -= uint64_t(seconds) * 10000000ull;
    FILETIME then = {t.LowPart, t.HighPart};
    HANDLE file = CreateFileA(path.c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                              nullptr, OPEN_EXISTING, 0, nullptr);
    SetFileTime(file, nullptr, nullptr, &then);
    CloseHandle(file);
}
