// Shared among the browser's files: the list model, the row geometry and the
// dialog's handlers.
#pragma once

#include <windows.h>

#include <string>
#include <unordered_map>
#include <vector>

#include "browsecache/imageinfo.h"
#include "host/hostapi.h"

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

// The "&Small pictures" check box; lives as long as the module.
extern int SmallPictures;
// Pictures per row, from the list's width; set at every fill of the list.
extern int ColumnsPerRow;
// Files taken by the last scan.
extern int FoundCount;
// Screen position of the list's client area; written by the row painter.
extern POINT ListOrigin;
// Last mouse position seen by the dialog's hook, in screen coordinates.
extern POINT LastMousePos;
// The "&Delete on click" check box; cleared at every showing.
extern int DeleteOnClick;
// The caller's 500-byte result buffer, remembered for the handlers.
extern char* ResultPath;
// 1 once a file was picked in this showing.
extern int Picked;
// The browse list's selection variable: the row last clicked.
extern int BrowseListRow;

// ---- formats.cpp (and FormatFilterList in browser.h) ----
// extension: the three letters, no dot.
bool MatchFormat(int formatIndex, const char* extension);
// The same test on a file name's last three characters.
bool NameMatchesFormat(int formatIndex, const char* name);
// The entry behind an entity when it is one and its name passes the format.
ImageInfoRecord* ShownEntry(HostEntity* entity, int formatIndex);

// ---- listing.cpp ----
// Why a file of a drawing's format is not listed.
enum LeftOutReason { kNotLeftOut, kPathTooLong, kUnspellable, kNotPlain, kDeviceName, kSameName };
// The name a file of the listing is used by (into name), or why none is.
LeftOutReason ListingName(const WIN32_FIND_DATAW& found, char (&name)[MAX_PATH]);
// The wide name with '?' for each character the code page lacks.
void ShownName(const wchar_t* wide, char (&name)[MAX_PATH]);
// The files of a listing that were left out: how many, and the first
// few in name order with their reasons.
enum { kLeftOutNamed = 4 };
struct LeftOutFile {
    LeftOutReason reason;
    char name[MAX_PATH];
};
struct LeftOutFiles {
    int count;
    LeftOutFile files[kLeftOutNamed];
};
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
// own while the cache loads; taken by the next scan of that folder and
// format (false, and dropped, when there is none or it is not whole), or
// dropped. Both wait for the thread.
void StartFolderListing(int formatIndex);
bool TakeFolderListing(int formatIndex, FolderListing* listing);
void DropFolderListing();

// ---- scan.cpp ----
// A file the cache keeps no entry for: the folder holds more than it can.
struct UnlistedFile {
    char name[kEntryNameSize];
    FILETIME fileTime;
    uint8_t state;              // kNoPicture, or kFileDeleted once deleted from the browser
};
// The files past the cache's limit, in name order, listed after the entries.
extern std::vector<UnlistedFile> UnlistedFiles;
void ScanBrowseDir(int formatIndex);
void LinkViewChain(int formatIndex);
// The files the last scan left out; told by the dialog.
extern LeftOutFiles LeftOut;


// ---- browselist.cpp ----
// The first row of the files past the cache's limit; the row count when
// there are none.
extern int UnlistedFirstRow;
// The file past the limit shown at that place, or null.
UnlistedFile* UnlistedAt(int row, int column);
void FillBrowseList();
int RefreshBrowseList();
void CacheMissingPictures(int formatIndex);
int InitBrowseList();
int ChangeBrowseFormat();
int CacheAll();
// The browse list of the dialog being shown, or null.
HWND BrowseListWindow();
// True when the list's width now holds another count of pictures per row.
bool ColumnsChanged();
// Shows "Loading NAME..." in the status line, an overlong name shortened.
void ShowLoadingStatus(const char* name);
void FormatLoadingStatus(char (&text)[kStatusSize], const char* name);
// "Making pictures: N of M", the progress of a batch.
void FormatBatchProgress(char (&text)[kStatusSize], int done, int total);

// ---- rowgeometry.cpp ----
// The screen's pixels per inch that the rows are laid out for.
extern int RowDpi;
// A length of the 96-DPI table at RowDpi.
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

// ---- browsedialog.cpp ----
LRESULT CALLBACK BrowseMouseHook(int code, WPARAM wParam, LPARAM lParam);
int CloseBrowser();
int SelectBrowsePath();
// Backspace: the parent folder is shown next, the way "Select &Path" shows
// the folder chosen. False at a root.
bool OpenParentFolder();
// True while the dialog's mouse hook is installed.
bool BrowseHookInstalled();
// Names the first file left out by the scan and why, once per showing of
// the dialog; and that the folder does not exist, when it does not.
void TellLeftOutFiles();
// Tells that the folder holds more drawings than the cache keeps, once per
// showing.
void TellUnlistedFiles();

// ---- browsekeys.cpp ----
// The framed picture's column; its row is the list's caret row. Written by
// the keys and clicks, read by the painter.
extern int FramedColumn;
// Where a key moves the frame from picture (counted from 0 through the view
// chain) among count pictures; pageRows is how many rows the list shows.
int MoveFrame(int picture, int key, int count, int columns, int pageRows);
// The framed picture, or -1 when the list has none.
int FramedPicture();
// Frames picture (clamped to those listed) and scrolls it into view unless
// told not to.
void FramePicture(int picture, bool intoView = true);
// The host's initialisation callback: the list filled, the keyboard on its
// first picture.
int InitBrowseDialog();
// The dialog's thread message hook, installed around the dialog.
void StartBrowseKeys();
void StopBrowseKeys();

// ---- browselayout.cpp ----
// Makes the dialog resizable: the controls keep to their edges, the list
// takes the room, the rows are laid out again when their count changes,
// and the size is remembered. Also sets RowDpi.
void StartBrowseLayout();

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
