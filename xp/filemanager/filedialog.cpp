// RunFileManager: the system's Explorer-style open dialog with the preview
// panel, alternating with the directory browser through the panel's Browse.
#include "filemanager/filemanager.h"

#include <windows.h>

#include <commdlg.h>
#include <stddef.h>
#include <string.h>

#include "browsecache/cache.h"
#include "browser/browser.h"
#include "filemanager/panel.h"
#include "host/host.h"
#include "module/paths.h"
#include "module/state.h"
#include "module/text.h"
#include "module/xprecord.h"
#include "preview/preview.h"
#include "settings/settings.h"

namespace {

// The short record of the first Explorer-style dialogs: the system then
// leaves out the places bar and the fields that later versions added.
enum : DWORD { kShortRecordSize = 76 };
static_assert(offsetof(OPENFILENAMEA, lpTemplateName) + sizeof(LPCSTR) == kShortRecordSize,
              "the short record ends after lpTemplateName");

const DWORD kDialogFlags = OFN_HIDEREADONLY | OFN_NOCHANGEDIR | OFN_ENABLEHOOK | OFN_ENABLETEMPLATE |
                           OFN_PATHMUSTEXIST | OFN_FILEMUSTEXIST | OFN_CREATEPROMPT | OFN_EXPLORER |
                           OFN_ENABLESIZING;
static_assert(kDialogFlags == 0x88386C, "");

struct ErrorText {
    DWORD code;
    const char* text;
};
const ErrorText kErrorTexts[] = {
    {CDERR_STRUCTSIZE, "File dialog closed with a CDERR_STRUCTSIZE error."},
    {CDERR_INITIALIZATION, "File dialog closed with a CDERR_INITIALIZATION error."},
    {CDERR_NOTEMPLATE, "File dialog closed with a CDERR_NOTEMPLATE error."},
    {CDERR_NOHINSTANCE, "File dialog closed with a CDERR_NOHINSTANCE error."},
    {CDERR_LOADSTRFAILURE, "File dialog closed with a CDERR_LOADSTRFAILURE error."},
    {CDERR_FINDRESFAILURE, "File dialog closed with a CDERR_FINDRESFAILURE error."},
    {CDERR_LOADRESFAILURE, "File dialog closed with a CDERR_LOADRESFAILURE error."},
    {CDERR_LOCKRESFAILURE, "File dialog closed with a CDERR_LOCKRESFAILURE error."},
    {CDERR_MEMALLOCFAILURE, "File dialog closed with a CDERR_MEMALLOCFAILURE error."},
    {CDERR_MEMLOCKFAILURE, "File dialog closed with a CDERR_MEMLOCKFAILURE error."},
    {CDERR_NOHOOK, "File dialog closed with a CDERR_NOHOOK error."},
    {FNERR_SUBCLASSFAILURE, "File dialog closed with a FNERR_SUBCLASSFAILURE error."},
    {FNERR_INVALIDFILENAME, "File dialog closed with an FNERR_INVALIDFILENAME error."},
    {FNERR_BUFFERTOOSMALL, "File dialog closed with an FNERR_BUFFERTOOSMALL error."},
};

void FillDialogRecord(OPENFILENAMEA* record, char* buffer, int size) {
    ZeroMemory(record, sizeof *record);
    record->lStructSize = kShortRecordSize;
    record->hwndOwner = XpRecord.hostWindow;
    record->hInstance = XpRecord.instance;
    // The rows are FormatIndex 0 to 5, the browser's "File format:" rows.
    record->lpstrFilter = FormatFilterList();
    record->lpstrFile = buffer;
    record->nMaxFile = static_cast<DWORD>(size);
    record->lpstrTitle = "File manager";
    record->Flags = kDialogFlags;
    record->lpstrDefExt = "KVW";
    record->lpfnHook = FileManagerHook;
    record->lpTemplateName = "IDD_DLGFILE";
}

}  // namespace

const char* FileDialogErrorText(DWORD code) {
    for (const ErrorText& entry : kErrorTexts) {
        if (entry.code == code) return entry.text;
    }
    return nullptr;
}

// The last part file, or the host's default name, cut of its extension only
// where Open, adding the extension of the file type shown (filterRow), gives
// back the same file: "plan.kvw" becomes "plan", while "plan.tar.kvw" (whose
// cut keeps an extension) and "plan.dxf" under a KVW type stay whole, or
// Open on the proposal said "File does not exist" or took another file.
// Only the file's own name counts: "C:\old.dir\plan" stays whole. Nor is it
// cut where the cut name is a folder: Open on a folder's name goes into the
// folder and loads nothing. A name too long for the buffer is not proposed
// at all, as cut it would name another file.
void MakeStartingName(char* buffer, int size, int partFlag, int filterRow) {
    if (size <= 0) return;
    const char* start = partFlag && lastPartFile[0] ? lastPartFile : host::RscAdr(kStringDefaultFileName);
    if (!start || !CopyText(buffer, static_cast<size_t>(size), start)) buffer[0] = '\0';
    char* name = buffer + (FileNamePart(buffer) - buffer);
    char* dot = strchr(name, '.');
    const char* added = FormatFirstExtension(filterRow);
    if (!dot || dot == name || strchr(dot + 1, '.') || !added || lstrcmpiA(dot + 1, added) != 0) {
        return;
    }
    *dot = '\0';
    if (IsFolder(buffer)) *dot = '.';
}

int RunFileManager(char* buffer, int size, int partFlag) {
    MakeStartingName(buffer, size, partFlag, FormatIndex);
    int* changedFlag = nullptr;
    int changed = host::MarkChanged(&changedFlag);
    NotifyHost();
    SaveBackupIfWanted();

    OPENFILENAMEA record;
    FillDialogRecord(&record, buffer, size);
    int result = 0;
    for (;;) {
        record.nFilterIndex = static_cast<DWORD>(FormatIndex + 1);
        browseRequested = false;
        PreviewDrawing = nullptr;
        result = GetOpenFileNameA(&record);
        if (!result) {
            const char* text = FileDialogErrorText(CommDlgExtendedError());
            if (text) host::ErrorBox(text);
        } else if (partFlag) {
            CopyText(lastPartFile, buffer);
        }
        // The dialog reports the type shown even when cancelled; a value out
        // of the list's range (none chosen) keeps the old one.
        int shown = static_cast<int>(record.nFilterIndex) - 1;
        if (shown >= 0 && shown < kFormatCount) FormatIndex = shown;
        DropPreviewDrawing();
        if (!browseRequested) break;
        // The browser writes up to a picked path's full size into the buffer.
        result = size >= kPickedPathSize ? BrowseFiles(buffer, useBrowseFile) : 0;
        if (browseRequested) break;
    }
    CloseCache();
    NotifyHost();
    if (changedFlag) *changedFlag = changed;
    return result;
}
