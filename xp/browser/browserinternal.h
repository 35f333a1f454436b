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
// A subfolder of the browsed folder, shown as a folder tile before the
// drawings.
struct Subfolder {
    char name[MAX_PATH];
};
// The showing's listing of the folder: made on a thread of its own while
// the cache loads, or by a scan, and kept for the next change of format.
// Going, it stops its thread and waits for it, as the listing's maker tells
// it to (so that the showing's record needs nothing of listing.cpp).
struct KeptListing;
struct DropListing {
    void (*drop)(KeptListing* kept) = nullptr;
    void operator()(KeptListing* kept) const {
        if (drop) drop(kept);
    }
};

// ---- What the list shows (browseshown.cpp) ----
// One picture of the list: a folder tile, a cache entry, or a file past the
// cache's limit.
enum ShownKind : uint8_t { kShownFolder, kShownEntry, kShownUnlisted };
struct ShownItem {
    ShownKind kind;
    uint32_t index;             // a folder's place in Showing.subfolders, an unlisted file's in Showing.unlistedFiles
    HostEntity* entity;         // an entry's, where it lies now
};

// ---- What the Find box searches (browsematch.cpp) ----
enum { kFindSize = 256 };
// The typed words in upper case, each ended by a NUL.
struct FindWords {
    char text[kFindSize];
    int count;
};
// What a search looks through for one entry: its name and its notes' headings
// and texts, upper-cased once, and what the entry was when it was read.
struct SearchText {
    std::string name;           // the entry's name as stored
    FILETIME fileTime;
    bool notesRead;
    std::string text;
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
    int picture;                // the picture named, -1 for none
    int fill;                   // in the fill of that number
    char text[kTipSize];
};
// The dialog's layout as the showing started (browselayout.cpp).
enum { kAnchoredControls = 17 };
struct LayoutState {
    RECT start[kAnchoredControls];  // where each control was, in client coordinates
    SIZE startClient;
    SIZE smallest;              // the template's window size
    BrowseSizeRecord shownAt;   // the size the showing started with
    bool maximised;             // as the last WM_SIZE said
    bool maximiseWhenShown;     // it was closed maximised last time
    bool filled;                // the rows are there to be laid out again
    int countWidth;             // the count's width as laid out
    int countGrowth;            // pixels the count reaches further left, to show all its text (browsecount.cpp)
    Subclass dialogProc;
};
// The Find box's words and what they are searched in.
struct FindState {
    char typed[kFindSize];      // the box's text (browsefind.cpp)
    FindWords words;            // none while the box is empty (browsefind.cpp)
    int unread;                 // drawings the last fill left out with their notes not read (browseshown.cpp)
    std::unordered_map<const HostEntity*, SearchText> texts;  // made as searches need them (browsematch.cpp)
    Subclass dialogProc;        // hears the box's changes (browsefind.cpp)
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
    char nextFolder[kDirSize] = "";  // the parent (Backspace) or a subfolder opened, handed to "Select &Path"
    DWORD openingClickAt = 0;   // the click that opened this folder from its parent's tile, or 0 (browseclick.cpp)

    // Where the list and the pointer are (browsedialog.cpp, rowpainter.cpp).
    HHOOK mouseHook = nullptr;  // the mouse hook, while installed
    POINT LastMousePos = {0, 0};  // written by the hook, in screen coordinates
    POINT ListOrigin = {0, 0};  // the list's client area on the screen, as the last row drawn saw it

    // The folder's files (scan.cpp, listing.cpp).
    int FoundCount = 0;         // files taken by the last scan
    LeftOutFiles leftOut = {};  // the files the last scan left out, told by the dialog
    std::vector<UnlistedFile> unlistedFiles;  // past the cache's limit, in name order, after the entries
    std::vector<Subfolder> subfolders;  // the folder's subfolders in name order, from the last scan
    std::unique_ptr<KeptListing, DropListing> listing;  // made while the cache loads or by a scan, kept for the next
    int listingsMade = 0;       // how often the showing listed the folder

    // The rows (browselist.cpp, browseshown.cpp, rowgeometry.cpp, browseframe.cpp).
    int ColumnsPerRow = kLargeColumns;  // pictures per row, from the list's width; set at every fill
    // The pictures in shown order, row r from picture r * ColumnsPerRow on;
    // made at every fill, emptied by a scan.
    std::vector<ShownItem> shown;
    int shownDrawings = 0;      // the files among them that are still there (the count's N while searching)
    int fills = 0;              // fills so far: what a tooltip named may have gone
    int rowDpi = kDefaultDpi;   // the screen's pixels per inch that the rows are laid out for
    int framedColumn = 0;       // the framed picture's column; its row is the list's caret row

    KeysState keys = {};
    FindState find = {};
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
// True while the Find box holds a word.
bool Searching();
// Ends the showing for folder to be shown next, as "Select &Path" does.
bool ShowFolderNext(const char* folder);

// ---- formats.cpp (and FormatFilterList in browser.h) ----
// extension: the three letters, no dot.
bool MatchFormat(int formatIndex, const char* extension);
// The same test on a file name's last three characters.
bool NameMatchesFormat(int formatIndex, const char* name);
// The same test for any choice: whether the name is a drawing's at all (in
// template mode only a template's).
bool NameMatchesAnyFormat(const char* name);
// The entry behind an entity when it is one and its name passes the format.
ImageInfoRecord* ShownEntry(HostEntity* entity, int formatIndex);

// ---- listing.cpp ----
// The name a file of the listing is used by (into name), or why none is.
LeftOutReason ListingName(const WIN32_FIND_DATAW& found, char (&name)[MAX_PATH]);
// The wide name with '?' for each character the code page lacks.
void ShownName(const wchar_t* wide, char (&name)[MAX_PATH]);
// A drawing of any format as a listing found it.
struct ListedDrawing {
    std::string name;           // the name it is used by; its shown name when it has none
    std::string shown;          // its name as far as the code page shows it, where that is not name
    LeftOutReason reason;       // why it is left out whatever the format
    bool pathFits;              // folder, backslash and name make a path the host opens
    FILETIME time;
};
// A folder's listing: the drawings of every format and the subfolders a
// user may open, by name.
struct FolderListing {
    std::vector<ListedDrawing> files;
    std::vector<Subfolder> folders;
    bool whole;                 // false: a file is missing (no memory for it, or the listing was stopped)
};
// What a scan takes from a listing: the drawings of one format by name in
// upper case, the files of that format left out, and the subfolders.
struct ListedFile {
    std::string name;
    FILETIME time;
};
struct FormatFiles {
    std::unordered_map<std::string, ListedFile> files;
    LeftOutFiles leftOut = {};
    std::vector<Subfolder> folders;
};
// Where a file goes that there is no memory to keep; false stops the listing.
struct UnkeptFile {
    bool (*take)(void* context, const char* name, const FILETIME& time);
    void* context;
};
// The listing of browseDirectory made on a thread of its own while the
// cache loads (Showing.listing); the next scan takes it, or it is dropped.
// Either waits for the thread.
void StartFolderListing(int formatIndex);
void DropFolderListing();
// How a scan comes by the folder's files: the listing made while the cache
// loaded when there is one, else a new listing; or, for a change of format,
// the listing kept from the last scan while nothing in the folder changed.
enum ListingUse { kListAgain, kReuseUnchanged };
// The files of formatIndex for a scan, as use says; the listing is kept
// for the next scan.
void ListFormat(int formatIndex, ListingUse use, FormatFiles* files, UnkeptFile unkept);

// ---- scan.cpp ----
void ScanBrowseDir(int formatIndex, ListingUse use = kListAgain);
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

// ---- browseshown.cpp ----
// Bound to "&Newest first": kOrderNewestFirst or kOrderByName.
extern int NewestFirst;
// Collects what the list shows into Showing.shown: the subfolders first,
// then the drawings of the format (entries, then the files past the cache's
// limit) by name or newest first, each kept while it holds the Find box's
// words; links the shown entries through next shown in that order and
// counts the drawings.
void CollectShownItems(int formatIndex);
// A list row for each ColumnsPerRow pictures shown.
void AddShownRows();
// The picture's item, or null.
const ShownItem* ShownAt(int picture);
// The entry of a picture, or null (a folder, a file past the limit).
ImageInfoRecord* PictureEntry(int picture);
// The name under a picture, or null.
const char* PictureName(int picture);
// The first picture of that name (without regard to case), or -1.
int FindPictureNamed(const char* name);
// The pictures the list shows.
int PictureCount(HWND list);
// The picture's entry now lies at entity (its notes were stored): the shown
// pictures, the row's data and the chain follow it.
void ShownEntryMoved(int picture, HostEntity* entity);

// ---- browsematch.cpp ----
// Splits typed text at blanks into words, upper-cased in the code page.
void SplitFindWords(const char* typed, FindWords* words);
// True when every word occurs in the upper-cased text.
bool HoldsEveryWord(const char* text, size_t length, const FindWords& words);
// Whether a folder's or file's name holds every word of the box.
bool NameMatchesFind(const char* name);
// Whether the entry's name or notes hold every word; *notesUnread tells
// that it did not, but its notes are not read yet.
bool EntryMatchesFind(HostEntity* entity, const ImageInfoRecord* entry, bool* notesUnread);

// ---- browsefind.cpp ----
void StartFindBox();
// Ctrl+F and F3 anywhere in the dialog, and the box's own keys; true when
// the message is used up.
bool OnFindMessage(const MSG& msg);

// ---- browsecount.cpp ----
// The count of files: "N", or "N of M" while searching.
enum { kCountSize = 32 };
void FormatFileCount(char (&text)[kCountSize]);
// Shows the count (and the Find box's note) as they are now.
void ShowFileCount();
// "N drawings' notes unread ...", shown beside the box while searching.
void FormatUnreadNote(char* text, size_t size, int unread);
void ShowFindNote();

// ---- browseframe.cpp ----
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
void FillBrowseList();
int RefreshBrowseList();
// Refills the list and frames its first picture, at the top.
void RefillFromTop();
// The host's change callback of "&Newest first".
int ChangeBrowseOrder();
void CacheMissingPictures(int formatIndex);
int InitBrowseList();
// The "File format:" combo's change: the files of the format chosen, from
// the showing's listing while the folder has not changed.
int ChangeBrowseFormat();
// F5: the folder listed again, and the list filled.
void ScanAndFillAgain();
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

// ---- foldertile.cpp ----
// A subfolder's tile in a picture box: a folder and its full name.
void DrawFolderTile(HDC dc, const RECT& box, const char* name);

// ---- browseclick.cpp ----
// What a click on this entry does: pick it, or with "&Delete on click" ask
// and delete its file. Returns the handler's answer.
int ActOnBrowseEntry(ImageInfoRecord* entry);
int ActOnUnlistedFile(UnlistedFile* file);
// What a click on a picture does: open a folder, or act on the file.
int ActOnPicture(int picture);
// Enter and Space: the framed picture as a click would take it; a pick
// ends the dialog.
void ActOnFramedPicture();
// Shows the subfolder of that name next, this folder's cache saved first.
void OpenSubfolder(const char* name);
// The time of the click on a folder tile that ended the last showing, or 0;
// taken once, for the next showing.
DWORD TakeOpeningClick();
// True (once) for a press of this showing's list that is the second half of
// the double click that opened the folder.
bool IsOpeningClicksEcho(DWORD time);
// Asks about the entry's file and deletes it after Yes, as a click with
// "&Delete on click" does; the dialog stays open.
int DeleteEntryFile(ImageInfoRecord* entry);
int OnBrowseListClick(int code);

// ---- browsetips.cpp ----
// The picture at a point of the list's client area, or -1.
int PictureAt(HWND list, LPARAM position);
// The tooltip of the list: a picture's full name, size and date.
void StartBrowseTips(HWND list);
// Names the picture at a point of the list (none: hides).
void TipAt(HWND list, LPARAM position);
// The pictures moved under a pointer that stood still (scrolled, filled
// again): the tip names what is under it now, or hides.
void TipFollowsPointer();
void RelayToTip(const MSG& msg);
// The tip's text for a file: its name, size and last-write time.
void FormatTipText(char* text, size_t size, const char* name, const WIN32_FILE_ATTRIBUTE_DATA* data);

// ---- browseempty.cpp ----
// What an empty list says: that the folder does not exist, or that it
// holds no file of the format chosen.
void FormatEmptyListText(char* text, size_t size, bool folderExists, int formatIndex, bool templates);
// What an empty list says while searching for typed, unread drawings not
// searched in their notes.
void FormatEmptySearchText(char* text, size_t size, const char* typed, int unread);
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
