// What the Find box's words are searched in: a folder's or file's name, and
// an entry's name and cached notes (headings and texts), without regard to
// case. Each entry's text is upper-cased once, when a search first needs
// it, and read again only when the entry changed (its pictures made, so its
// notes read): a keystroke then costs one pass over the texts, not a
// reading of 30,000 entries' notes. A drawing without a picture has no
// notes in the cache yet; it is searched by its name.
#include "browser/browserinternal.h"

#include <string.h>

#include <algorithm>

#include "browsecache/cache.h"
#include "host/host.h"
#include "module/text.h"
#include "preview/preview.h"

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
