// Shared among the browser's files: the record of one showing of the
// dialog, the list model, the row geometry and the dialog's handlers.
#pragma once

#include <windows.h>

#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "browsecache/imageinfo.h"
#include "host/hostapi.h"
#include "module/state.h"
#include "module/subclass.h"
#include "settings/settings.h"

enum { kMaxFormatExtensions = 5, kStatusSize = 260 };
// The rows at the dialog's default size and 96 pixels per inch.
enum { kLargeColumns = 3, kSmallColumns = 6, kMaxColumns = 100 };
enum { kLargeRowHeight = 211, kSmallRowHeight = 109, kDefaultDpi = 96 };
// The owner-draw actions of the host's list binding.
enum { kDrawRow = 0, kMeasureRow = 1 };
// A handler's answer: keep the dialog open, or end it.
enum { kKeepOpen = 0, kEndDialog = 2 };

// The combo's items: six texts, a NUL after each, an empty text last.
const char* FormatComboItems();
// The combo's text of a format; the first one's for a value outside the table.
const char* FormatLabel(int formatIndex);

// The "&Small pictures" check box; lives as long as the module. Written by
// the check box, read by the fill, the painter, the clicks and the keys.
extern int SmallPictures;

// ---- What a listing of the folder finds (listing.cpp, scan.cpp) ----
// Why a file of a drawing's format is not listed.
enum LeftOutReason {
    kNotLeftOut, kPathTooLong, kUnspellable, kNotPlain, kDeviceName, kSameName, kReservedCharacter
};
// The files of a listing that were left out: how many, and the first in
// name order with their reasons, as many as one message can name and
// still fit on the screen.
enum { kLeftOutNamed = 20 };
struct LeftOutFile {
    LeftOutReason reason;
    char name[MAX_PATH];
};
struct LeftOutFiles {
    int count;
    LeftOutFile files[kLeftOutNamed];
};
// A file the cache keeps no entry for: the folder holds more than it can.
struct UnlistedFile {
    char name[kEntryNameSize];
    FILETIME fileTime;
    uint8_t state;              // kNoPicture, or kFileDeleted once deleted from the browser
};
// A listing made on a thread of its own while the cache loads; going, it
// stops the thread and waits for it, as the listing's maker tells it to
// (so that the showing's record needs nothing of listing.cpp).
struct StartedListing;
struct StopListing {
    void (*stop)(StartedListing* started) = nullptr;
    void operator()(StartedListing* started) const {
        if (stop) stop(started);
    }
};

// ---- showing.cpp: the record of one showing of the dialog ----
// Everything that lives for one showing, in one record that BrowseFiles
// resets in one statement when a showing starts: a field added here starts
// each showing at its initial value. The fields that the design of the
// browser names keep their names.

// The dialog's keys and wheel (browsekeys.cpp).
struct KeysState {
    HHOOK messageHook;          // installed around the dialog
    int wheelRest;              // wheel turns smaller than a notch, kept until they add up to one
    char typed[kEntryNameSize]; // the letters typed so far
    DWORD lastTyped;            // when the last came (message time)
};
// The list's tooltip (browsetips.cpp); made at the first mouse message.
enum { kTipSize = kEntryNameSize + 128 };
struct TipsState {
    HWND tip;
    bool tried;                 // made once a showing: a refused tooltip is not asked for again
    HWND list;
    RECT cell;
    const ImageInfoRecord* entry;
    char text[kTipSize];
};
// The dialog's layout as the showing started (browselayout.cpp).
enum { kAnchoredControls = 13 };
struct LayoutState {
    RECT start[kAnchoredControls];  // where each control was, in client coordinates
    SIZE startClient;
    SIZE smallest;              // the template's window size
    BrowseSizeRecord shownAt;   // the size the showing started with
    bool maximised;             // as the last WM_SIZE said
    bool maximiseWhenShown;     // it was closed maximised last time
    bool filled;                // the rows are there to be laid out again
    Subclass dialogProc;
};
// What the user has been told once in this showing (browsetell.cpp): a box
// at every scan would nag.
struct ToldState {
    bool missingFolder;
    bool leftOut;
    bool unlisted;
};

struct BrowseShowing {
    // The caller's, and what it gets back (browsedialog.cpp, browseclick.cpp).
    char* ResultPath = nullptr; // the caller's 500 bytes: the picked path, or the folder and "\Work"
    bool Picked = false;        // a file was picked: BrowseFiles' result
    int DeleteOnClick = 0;      // bound to "&Delete on click"
    int BrowseListRow = 0;      // bound to the list: the row last clicked
    char parentFolder[kDirSize] = "";  // Backspace's folder, handed to "Select &Path"; empty otherwise

    // Where the list and the pointer are (browsedialog.cpp, rowpainter.cpp).
    HHOOK mouseHook = nullptr;  // the mouse hook, while installed
    POINT LastMousePos = {0, 0};  // written by the hook, in screen coordinates
    POINT ListOrigin = {0, 0};  // the list's client area on the screen, as the last row drawn saw it

    // The folder's files (scan.cpp, listing.cpp).
    int FoundCount = 0;         // files taken by the last scan
    LeftOutFiles leftOut = {};  // the files the last scan left out, told by the dialog
    std::vector<UnlistedFile> unlistedFiles;  // past the cache's limit, in name order, after the entries
    std::unique_ptr<StartedListing, StopListing> listing;  // made while the cache loads, taken by the scan

    // The rows (browselist.cpp, rowgeometry.cpp, browseframe.cpp).
    int ColumnsPerRow = kLargeColumns;  // pictures per row, from the list's width; set at every fill
    int unlistedFirstRow = 0;   // the first row of the unlisted files; the row count when there are none
    int rowDpi = kDefaultDpi;   // the screen's pixels per inch that the rows are laid out for
    int framedColumn = 0;       // the framed picture's column; its row is the list's caret row

    KeysState keys = {};
    TipsState tips = {};
    LayoutState layout = {};
    Subclass emptyListProc = {};  // browseempty.cpp
    ToldState told = {};
};
// Reset by BrowseFiles at every showing; written and read by the browser's
// files as each field says.
extern BrowseShowing Showing;
// The browse list of the dialog being shown, or null.
HWND BrowseListWindow();

// ---- formats.cpp (and FormatFilterList in browser.h) ----
// extension: the three letters, no dot.
bool MatchFormat(int formatIndex, const char* extension);
// The same test on a file name's last three characters.
bool NameMatchesFormat(int formatIndex, const char* name);
// The entry behind an entity when it is one and its name passes the format.
ImageInfoRecord* ShownEntry(HostEntity* entity, int formatIndex);

// ---- listing.cpp ----
// The name a file of the listing is used by (into name), or why none is.
LeftOutReason ListingName(const WIN32_FIND_DATAW& found, char (&name)[MAX_PATH]);
// The wide name with '?' for each character the code page lacks.
void ShownName(const wchar_t* wide, char (&name)[MAX_PATH]);
// A folder's drawings of one format by name in upper case, as one listing
// found them, before any is matched to the cache.
struct ListedFile {
    std::string name;
    FILETIME time;
};
struct FolderListing {
    std::unordered_map<std::string, ListedFile> files;
    LeftOutFiles leftOut;
    bool whole;                 // false: a file could be neither kept nor handed on
};
// Where a file goes that the listing has no memory to keep; false stops it.
struct UnkeptFile {
    bool (*take)(void* context, const char* name, const FILETIME& time);
    void* context;
};
void ListFolder(const char* folder, int formatIndex, FolderListing* listing, UnkeptFile unkept,
                const volatile LONG* stop = nullptr);
// The listing of browseDirectory for formatIndex, made on a thread of its
// own while the cache loads (Showing.listing); taken by the next scan of
// that folder and format (false, and dropped, when there is none or it is
// not whole), or dropped. Both wait for the thread.
void StartFolderListing(int formatIndex);
bool TakeFolderListing(int formatIndex, FolderListing* listing);
void DropFolderListing();

// ---- scan.cpp ----
void ScanBrowseDir(int formatIndex);
void LinkViewChain(int formatIndex);

// ---- rowgeometry.cpp ----
// A length of the 96-DPI table at Showing.rowDpi.
int ScaleToDpi(int length);
// The picture box of a column, in the list's client coordinates.
RECT PictureBox(const RECT& item, int column, bool small);
// The name band under a picture box.
RECT NameBand(const RECT& box);
int RowHeight(bool small);
// Pictures per row for a list whose rows are width pixels wide.
int ColumnsForWidth(int width, bool small);
// The column that a click dx pixels from the list's left edge hits, or -1.
int HitColumn(int dx, bool small, int columns);

// ---- browseframe.cpp ----
// The entry that row's data names, or null (a row of unlisted files).
ImageInfoRecord* RowEntry(int row);
// The pictures the list shows, counted through its rows.
int PictureCount(HWND list);
// The entry of a picture (counted from 0 through the view chain), or null.
ImageInfoRecord* PictureEntry(int picture);
// Whole rows the list shows, at least one.
int VisibleRows(HWND list);
// Where a key moves the frame from picture among count pictures; pageRows
// is how many rows the list shows.
int MoveFrame(int picture, int key, int count, int columns, int pageRows);
// The framed picture, or -1 when the list has none.
int FramedPicture();
// Frames picture (clamped to those listed) and scrolls it into view unless
// told not to.
void FramePicture(int picture, bool intoView = true);
void RedrawRow(HWND list, int row);

// ---- browsetell.cpp ----
// Names the first file left out by the scan and why, once per showing; and
// that the folder does not exist, when it does not.
void TellLeftOutFiles();
// Tells that the folder holds more drawings than the cache keeps, once per
// showing.
void TellUnlistedFiles();

// ---- browselist.cpp ----
// The file past the cache's limit shown at that place, or null.
UnlistedFile* UnlistedAt(int row, int column);
void FillBrowseList();
int RefreshBrowseList();
void CacheMissingPictures(int formatIndex);
int InitBrowseList();
int ChangeBrowseFormat();
int CacheAll();
// True when the list's width now holds another count of pictures per row.
bool ColumnsChanged();
// Shows "Loading NAME..." in the status line, an overlong name shortened.
void ShowLoadingStatus(const char* name);
void FormatLoadingStatus(char (&text)[kStatusSize], const char* name);
// "Making pictures: N of M", the progress of a batch.
void FormatBatchProgress(char (&text)[kStatusSize], int done, int total);

// ---- rowpainter.cpp ----
int DrawBrowseRow(int action, void* item);

// ---- browseclick.cpp ----
// What a click on this entry does: pick it, or with "&Delete on click" ask
// and delete its file. Returns the handler's answer.
int ActOnBrowseEntry(ImageInfoRecord* entry);
int ActOnUnlistedFile(UnlistedFile* file);
// Asks about the entry's file and deletes it after Yes, as a click with
// "&Delete on click" does; the dialog stays open.
int DeleteEntryFile(ImageInfoRecord* entry);
int OnBrowseListClick(int code);

// ---- browsetips.cpp ----
// The tooltip of the list: a picture's full name, size and date.
void StartBrowseTips(HWND list);
// Names entry (null: none) while the pointer stays in cell.
void ShowTipFor(const ImageInfoRecord* entry, const RECT& cell);
void RelayToTip(const MSG& msg);
// The tip's text for a file: its name, size and last-write time.
void FormatTipText(char* text, size_t size, const char* name, const WIN32_FILE_ATTRIBUTE_DATA* data);

// ---- browseempty.cpp ----
// What an empty list says: that the folder does not exist, or that it
// holds no file of the format chosen.
void FormatEmptyListText(char* text, size_t size, bool folderExists, int formatIndex, bool templates);
// Has the list write that text across itself while it has no rows.
void StartEmptyListText(HWND list);

// ---- browselayout.cpp ----
// Makes the dialog resizable: the controls keep to their edges, the list
// takes the room, the rows are laid out again when their count changes,
// and the size is remembered. Also sets Showing.rowDpi.
void StartBrowseLayout();

// ---- browsekeys.cpp ----
// The dialog's thread message hook, installed around the dialog.
void StartBrowseKeys();
void StopBrowseKeys();
// Backspace: the parent folder is shown next, the way "Select &Path" shows
// the folder chosen. False at a root.
bool OpenParentFolder();

// ---- browsedialog.cpp ----
LRESULT CALLBACK BrowseMouseHook(int code, WPARAM wParam, LPARAM lParam);
// The host's initialisation callback: the list filled, the keyboard on its
// first picture.
int InitBrowseDialog();
int CloseBrowser();
int SelectBrowsePath();
