// Whether a name joined to its folder reaches the file the folder lists
// under that name: not a file elsewhere behind a link, and not another
// spelling's file on a file system that ignores case.
#include "module/infolder.h"

#include <windows.h>

#include <string.h>

#include "module/gdi.h"
#include "module/names.h"
#include "module/paths.h"

namespace {

enum { kWidePathSize = 1024 };

// The final path of what path opens, without the "\\?\" that the system
// puts before it. The handle asks for no access, so a file that another
// program holds open answers too; FILE_FLAG_BACKUP_SEMANTICS opens folders.
bool FinalPath(const char* path, wchar_t* finalPath, DWORD size) {
    FileHandle file = FileHandle::Take(CreateFileA(path, 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                                   nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    if (!file) return false;
    DWORD length = GetFinalPathNameByHandleW(file.Get(), finalPath, size, FILE_NAME_NORMALIZED);
    if (length == 0 || length >= size) return false;
    if (wcsncmp(finalPath, L"\\\\?\\", 4) == 0) memmove(finalPath, finalPath + 4, (length - 3) * sizeof(wchar_t));
    return true;
}

// The last part of a path, after its last backslash; the folder part is cut
// off at that backslash.
const wchar_t* SplitLastPart(wchar_t* path) {
    wchar_t* last = wcsrchr(path, L'\\');
    if (!last) return nullptr;
    *last = L'\0';
    return last + 1;
}

// The name as the folder's listing spells it, or its short name: an entry
// may be listed by its short name when its own one cannot be spelt.
bool IsListedAs(const wchar_t* finalPath, const wchar_t* finalName, const char* name) {
    char spelt[MAX_PATH];
    if (SpellInCodePage(finalName, spelt, sizeof spelt) && lstrcmpA(spelt, name) == 0) return true;
    wchar_t shortPath[kWidePathSize];
    DWORD length = GetShortPathNameW(finalPath, shortPath, kWidePathSize);
    if (length == 0 || length >= kWidePathSize) return false;
    const wchar_t* shortName = wcsrchr(shortPath, L'\\');
    return shortName && SpellInCodePage(shortName + 1, spelt, sizeof spelt) && lstrcmpA(spelt, name) == 0;
}

}  // namespace

// Wine's DeleteFileA follows a symbolic link and deletes its target, and
// reports no reparse point on the link: only where the opened file really
// lies tells. The folder's own final path is the measure, so a folder that
// is itself reached through a link still holds its files.
bool NamesFileInFolder(const char* folder, const char* name) {
    char path[MAX_PATH];
    wchar_t finalFolder[kWidePathSize];
    wchar_t finalFile[kWidePathSize];
    if (!JoinPath(path, folder, name) || !FinalPath(folder, finalFolder, kWidePathSize) ||
        !FinalPath(path, finalFile, kWidePathSize)) {
        return false;
    }
    wchar_t whole[kWidePathSize];
    lstrcpynW(whole, finalFile, kWidePathSize);
    const wchar_t* finalName = SplitLastPart(finalFile);
    // A drive root's final path ends in its backslash.
    size_t folderLength = wcslen(finalFolder);
    if (folderLength > 0 && finalFolder[folderLength - 1] == L'\\') finalFolder[folderLength - 1] = L'\0';
    return finalName && lstrcmpiW(finalFile, finalFolder) == 0 && IsListedAs(whole, finalName, name);
}

// A name is looked up without regard to case: on a case-sensitive file
// system, after plan.kvw is deleted, "plan.kvw" still finds PLAN.KVW. So the
// folder's own spelling of what the name finds must be the name, or its
// short name, letter for letter.
bool IsNameGone(const char* folder, const char* name) {
    char path[MAX_PATH];
    wchar_t widePath[MAX_PATH];
    if (!JoinPath(path, folder, name) || !WidenFromCodePage(path, widePath, MAX_PATH)) return false;
    WIN32_FIND_DATAW found;
    if (!FindHandle::Take(FindFirstFileW(widePath, &found))) {
        DWORD error = GetLastError();
        return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND || error == ERROR_NO_MORE_FILES;
    }
    char spelt[MAX_PATH];
    bool listed = (SpellInCodePage(found.cFileName, spelt, sizeof spelt) && lstrcmpA(spelt, name) == 0) ||
                  (SpellInCodePage(found.cAlternateFileName, spelt, sizeof spelt) && lstrcmpA(spelt, name) == 0);
    return !listed;
}
