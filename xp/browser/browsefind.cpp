// The Find box: the list shows only the folders and drawings whose name, or
// a drawing's cached notes (headings and texts), hold every word typed,
// without regard to case. Each entry's text is upper-cased once, when a
// search first needs it, and read again only when the entry changed (its
// pictures made, so its notes read): a keystroke then costs one pass over
// the texts, not a reading of 30,000 entries' notes. A drawing without a
// picture has no notes in the cache yet; it is searched by its name, and
// the dialog says how many such drawings a search may have missed.
#include "browser/browserinternal.h"

#include <string.h>

#include <algorithm>

#include "browsecache/cache.h"
#include "host/host.h"
#include "module/text.h"
#include "preview/preview.h"
#include "resources/resource.h"

namespace {

// Of one entry's notes a search reads this much: a hostile cache entry may
// hold hundreds of thousands of notes.
enum { kMostSearchText = 256 * 1024 };

bool IsWordGap(char c) { return c == ' ' || c == '\t'; }

bool Holds(const char* text, size_t length, const char* word, size_t wordLength) {
    if (wordLength > length) return false;
    const char* last = text + (length - wordLength);
    for (const char* at = text; at <= last; ++at) {
        at = static_cast<const char*>(memchr(at, word[0], static_cast<size_t>(last - at) + 1));
        if (!at) return false;
        if (memcmp(at, word, wordLength) == 0) return true;
    }
    return false;
}

// A heading, a line end, the text, a line end: no word (it holds no blank)
// can run from one into the next.
int AddNoteText(int, HostEntity* note, intptr_t textValue, intptr_t) {
    auto* text = reinterpret_cast<std::string*>(textValue);
    NoteText fields;
    if (!ReadNoteText(note, &fields)) return 0;
    if (text->size() >= kMostSearchText) return 1;
    size_t room = kMostSearchText - text->size();
    text->append(fields.heading, std::min(fields.headingLength, room));
    text->push_back('\n');
    text->append(fields.body, std::min(fields.bodyLength, room));
    text->push_back('\n');
    return 0;
}

void UpperCase(std::string& text) {
    if (!text.empty()) CharUpperBuffA(&text[0], static_cast<DWORD>(text.size()));
}

void ReadSearchText(HostEntity* entity, const ImageInfoRecord* entry, SearchText* search) {
    search->name = entry->name;
    search->fileTime = entry->fileTime;
    search->notesRead = entry->state != kNoPicture;
    search->text = entry->name;
    search->text.push_back('\n');
    HDL members = search->notesRead ? host::DLGetSubList(entity) : nullptr;
    if (members) host::DLScan(members, AddNoteText, kScanAll, reinterpret_cast<intptr_t>(&search->text), 0);
    UpperCase(search->text);
}

// Null without memory: the entry is then searched by its name alone.
const SearchText* SearchTextOf(HostEntity* entity, const ImageInfoRecord* entry) {
    try {
        SearchText& search = Showing.find.texts[entity];
        bool notesRead = entry->state != kNoPicture;
        if (search.text.empty() || search.notesRead != notesRead ||
            CompareFileTime(&search.fileTime, &entry->fileTime) != 0 || search.name != entry->name) {
            ReadSearchText(entity, entry, &search);
        }
        return &search;
    } catch (...) {
        return nullptr;
    }
}

HWND FindBox() {
    HWND dialog = host::GetDlgWin();
    return dialog ? GetDlgItem(dialog, IDC_BROWSE_FIND) : nullptr;
}

// A new search shows its first picture framed, at the top.
void OnFindChanged(HWND box) {
    FindState& find = Showing.find;
    char typed[kFindSize] = "";
    GetWindowTextA(box, typed, sizeof typed);
    FindWords words;
    SplitFindWords(typed, &words);
    CopyText(find.typed, typed);
    if (words.count == find.words.count && memcmp(words.text, find.words.text, sizeof words.text) == 0) return;
    find.words = words;
    RefillFromTop();
}

LRESULT CALLBACK FindDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    FindState& find = Showing.find;
    if (message == WM_COMMAND && LOWORD(wParam) == IDC_BROWSE_FIND && HIWORD(wParam) == EN_CHANGE) {
        OnFindChanged(reinterpret_cast<HWND>(lParam));
    }
    if (message == WM_NCDESTROY) RemoveSubclass(find.dialogProc);
    return CallOriginal(find.dialogProc, dialog, message, wParam, lParam);
}

void PutCaretInBox(HWND dialog, HWND box) {
    SendMessageA(dialog, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(box), TRUE);
    SendMessageA(box, EM_SETSEL, 0, -1);
}

// The keys of the box itself: Enter picks the framed picture as a click
// would (the dialog's default button would close it), Down goes to the
// pictures, and Escape empties the box before it closes the dialog.
bool OnBoxKey(HWND dialog, HWND box, WPARAM key) {
    HWND list = BrowseListWindow();
    switch (key) {
        case VK_RETURN:
            if (list && PictureCount(list) > 0) ActOnFramedPicture();
            else MessageBeep(MB_OK);
            return true;
        case VK_DOWN:
            if (list) SendMessageA(dialog, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(list), TRUE);
            return true;
        case VK_ESCAPE:
            if (GetWindowTextLengthA(box) == 0) return false;
            SetWindowTextA(box, "");
            return true;
    }
    return false;
}

}  // namespace

void SplitFindWords(const char* typed, FindWords* words) {
    memset(words, 0, sizeof *words);
    char upper[kFindSize];
    CopyText(upper, typed);
    CharUpperBuffA(upper, static_cast<DWORD>(lstrlenA(upper)));
    size_t at = 0;
    bool inWord = false;
    for (const char* c = upper; *c && at + 1 < sizeof words->text; ++c) {
        if (IsWordGap(*c)) {
            if (inWord) words->text[at++] = '\0';
            inWord = false;
            continue;
        }
        if (!inWord) ++words->count;
        inWord = true;
        words->text[at++] = *c;
    }
    words->text[at] = '\0';
}

bool HoldsEveryWord(const char* text, size_t length, const FindWords& words) {
    const char* word = words.text;
    for (int i = 0; i < words.count; ++i) {
        size_t wordLength = strlen(word);
        if (!Holds(text, length, word, wordLength)) return false;
        word += wordLength + 1;
    }
    return true;
}

bool Searching() { return Showing.find.words.count > 0; }

bool NameMatchesFind(const char* name) {
    if (!Searching()) return true;
    char upper[MAX_PATH];
    if (!CopyText(upper, name)) return false;
    DWORD length = static_cast<DWORD>(lstrlenA(upper));
    CharUpperBuffA(upper, length);
    return HoldsEveryWord(upper, length, Showing.find.words);
}

bool EntryMatchesFind(HostEntity* entity, const ImageInfoRecord* entry, bool* notesUnread) {
    *notesUnread = false;
    if (!Searching()) return true;
    const SearchText* search = SearchTextOf(entity, entry);
    if (!search) return NameMatchesFind(entry->name);
    if (HoldsEveryWord(search->text.data(), search->text.size(), Showing.find.words)) return true;
    // A drawing the host cannot load will never have notes to read.
    *notesUnread = !search->notesRead && !IsUnreadable(entry);
    return false;
}

void FormatUnreadNote(char* text, size_t size, int unread) {
    FormatText(text, size, unread == 1 ? "%d drawing's notes unread: Cache all reads them"
                                       : "%d drawings' notes unread: Cache all reads them",
               unread);
}

// Shown only while a search may have missed drawings.
void ShowFindNote() {
    HWND dialog = host::GetDlgWin();
    HWND note = dialog ? GetDlgItem(dialog, IDC_BROWSE_FINDNOTE) : nullptr;
    if (!note) return;
    int unread = Searching() ? Showing.find.unread : 0;
    char text[128] = "";
    if (unread > 0) FormatUnreadNote(text, sizeof text, unread);
    SetWindowTextA(note, text);
    ShowWindow(note, unread > 0 ? SW_SHOWNA : SW_HIDE);
}

// The box holds at most a search's worth of text.
void StartFindBox() {
    HWND box = FindBox();
    if (!box) return;
    SendMessageA(box, EM_LIMITTEXT, kFindSize - 1, 0);
    InstallSubclass(Showing.find.dialogProc, GetParent(box), FindDialogProc);
}

// Ctrl+F and F3 reach the box from any control of the dialog, not from a
// box shown over it.
bool OnFindMessage(const MSG& msg) {
    if (msg.message != WM_KEYDOWN) return false;
    HWND box = FindBox();
    HWND dialog = box ? GetParent(box) : nullptr;
    if (!dialog || (msg.hwnd != dialog && !IsChild(dialog, msg.hwnd))) return false;
    bool controlOnly = GetKeyState(VK_CONTROL) < 0 && GetKeyState(VK_MENU) >= 0;
    if (msg.wParam == VK_F3 || (msg.wParam == 'F' && controlOnly)) {
        PutCaretInBox(dialog, box);
        return true;
    }
    return msg.hwnd == box && OnBoxKey(dialog, box, msg.wParam);
}
