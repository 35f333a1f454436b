// Shared among the browser's files: the list model, the row geometry and the
// dialog's handlers.
#pragma once

#include <windows.h>

#include "browsecache/imageinfo.h"
#include "host/hostapi.h"

enum { kMaxFormatExtensions = 5, kStatusSize = 260 };
enum { kLargeColumns = 3, kSmallColumns = 6 };
enum { kLargeRowHeight = 211, kSmallRowHeight = 109 };
// The owner-draw actions of the host's list binding.
enum { kDrawRow = 0, kMeasureRow = 1 };
// A handler's answer: keep the dialog open, or end it.
enum { kKeepOpen = 0, kEndDialog = 2 };

// The combo's items: six texts, a NUL after each, an empty text last.
const char* FormatComboItems();

// The "&Small pictures" check box; lives as long as the module.
extern int SmallPictures;
// 6 with small pictures, else 3; set at every fill of the list.
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

// ---- scan.cpp ----
void ScanBrowseDir(int formatIndex);
void LinkViewChain(int formatIndex);
// The name a listed file can be opened by, or null.
const char* OpenableName(const WIN32_FIND_DATAA& found);
// The first file of the last scan left out because its full path is too
// long to open; empty when none was.
extern char LongPathFile[kEntryNameSize];

// ---- browselist.cpp ----
void FillBrowseList();
int RefreshBrowseList();
void CacheMissingPictures(int formatIndex);
int InitBrowseList();
int ChangeBrowseFormat();
int CacheAll();
// Shows "Loading NAME..." in the status line, an overlong name shortened.
void ShowLoadingStatus(const char* name);
void FormatLoadingStatus(char (&text)[kStatusSize], const char* name);

// ---- rowpainter.cpp ----
// The picture box of a column, in the list's client coordinates.
RECT PictureBox(const RECT& item, int column, bool small);
// The name band under a picture box.
RECT NameBand(const RECT& box);
int DrawBrowseRow(int action, void* item);

// ---- browseclick.cpp ----
// The column that a click dx pixels from the list's left edge hits, or -1.
int HitColumn(int dx, bool small, int columns);
// What a click on this entry does: pick it, or with "&Delete on click" ask
// and delete its file. Returns the handler's answer.
int ActOnBrowseEntry(ImageInfoRecord* entry);
int OnBrowseListClick(int code);

// ---- browsedialog.cpp ----
LRESULT CALLBACK BrowseMouseHook(int code, WPARAM wParam, LPARAM lParam);
int CloseBrowser();
int SelectBrowsePath();
// True while the dialog's mouse hook is installed.
bool BrowseHookInstalled();
// Names LongPathFile in a message box, once per showing of the dialog.
void TellLongPathFile();

// ---- browsekeys.cpp ----
// The framed picture's column; its row is the list's caret row. Written by
// the keys and clicks, read by the painter.
extern int FramedColumn;
// Where a key moves the frame from picture (counted from 0 through the view
// chain) among count pictures; pageRows is how many rows the list shows.
int MoveFrame(int picture, int key, int count, int columns, int pageRows);
// The framed picture, or -1 when the list has none.
int FramedPicture();
// Frames picture (clamped to those listed) and scrolls it into view.
void FramePicture(int picture);
// The host's initialisation callback: the list filled, the keyboard on its
// first picture.
int InitBrowseDialog();
// The dialog's thread message hook, installed around the dialog.
void StartBrowseKeys();
void StopBrowseKeys();
