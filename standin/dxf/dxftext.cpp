// DXF texts and colours as this host shows them.
#include <windows.h>

#include <ctype.h>
#include <stdlib.h>
#include <string.h>

#include "standin/device/device.h"
#include "standin/dxf/dxf.h"

namespace {

// Code page 1252's letters in 0x80..0x9F (0 where it has none); the rest of
// the page above 0x9F is Latin-1.
const uint16_t kCp1252High[32] = {
    0x20AC, 0, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0, 0x017D, 0,
    0, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0, 0x017E, 0x0178,
};

// A code point as the host shows text: in its ANSI code page 1252; '?' for
// what that page cannot hold.
void PutCodePoint(std::string* out, unsigned long cp) {
    if (cp == '\n') out->push_back('\n');
    else if (cp < 0x20 || cp == 0x7F) out->push_back(' ');
    else if (cp < 0x80 || (cp >= 0xA0 && cp <= 0xFF)) out->push_back(static_cast<char>(cp));
    else {
        char c = '?';
        for (int k = 0; k < 32; ++k) {
            if (kCp1252High[k] == cp) c = static_cast<char>(0x80 + k);
        }
        out->push_back(c);
    }
}

// Decodes one character at s[*i]: UTF-8 for the drawings of 2007 and later,
// else a character of the drawing's code page (one byte, or two for a lead
// byte of an East Asian page).
unsigned long TakeChar(const std::string& s, size_t* i, int codePage) {
    unsigned char c = static_cast<unsigned char>(s[*i]);
    ++*i;
    if (c < 0x80) return c;
    if (codePage == kDxfUtf8) {
        int extra = c >= 0xF0 ? 3 : c >= 0xE0 ? 2 : c >= 0xC0 ? 1 : -1;
        if (extra < 0) return '?';
        unsigned long cp = c & (0x3F >> extra);
        for (int k = 0; k < extra; ++k) {
            if (*i >= s.size() || (static_cast<unsigned char>(s[*i]) & 0xC0) != 0x80) return '?';
            cp = (cp << 6) | (static_cast<unsigned char>(s[*i]) & 0x3F);
            ++*i;
        }
        return cp;
    }
    if (codePage == 1252) return c >= 0xA0 ? c : kCp1252High[c - 0x80] ? kCp1252High[c - 0x80] : '?';
    char bytes[2] = {static_cast<char>(c), 0};
    int n = 1;
    if (IsDBCSLeadByteEx(codePage, c) && *i < s.size()) {
        bytes[1] = s[*i];
        ++*i;
        n = 2;
    }
    wchar_t wide[2];
    int got = MultiByteToWideChar(codePage, MB_ERR_INVALID_CHARS, bytes, n, wide, 2);
    return got == 1 ? wide[0] : '?';
}

// Skips an MTEXT code's argument up to and including its ';'.
void SkipArgument(const std::string& s, size_t* i) {
    while (*i < s.size() && s[*i] != ';') ++*i;
    if (*i < s.size()) ++*i;
}

// "%%d" and its kind: degree, plus-minus, diameter, a literal percent, a
// character by number; underline and overline toggles vanish.
bool TakePercentCode(const std::string& s, size_t* i, int codePage, std::string* out) {
    if (s.compare(*i, 2, "%%") != 0 || *i + 2 >= s.size()) return false;
    char c = s[*i + 2];
    switch (c) {
    case 'd': case 'D': out->push_back('\xB0'); break;
    case 'p': case 'P': out->push_back('\xB1'); break;
    case 'c': case 'C': out->push_back('\xD8'); break;
    case '%': out->push_back('%'); break;
    case 'u': case 'U': case 'o': case 'O': case 'k': case 'K': break;
    default:
        if (c >= '0' && c <= '9') {
            size_t j = *i + 2;
            unsigned long code = 0;
            while (j < s.size() && j < *i + 5 && s[j] >= '0' && s[j] <= '9') code = code * 10 + (s[j++] - '0');
            // The text fonts' own numbers for degree, plus-minus and
            // diameter; any other number is a character of the drawing's
            // code page.
            static const unsigned long kFontSigns[3] = {0xB0, 0xB1, 0xD8};
            std::string byte(1, static_cast<char>(code));
            size_t at = 0;
            if (code >= 127 && code <= 129) PutCodePoint(out, kFontSigns[code - 127]);
            else PutCodePoint(out, code < 0x100 && codePage != kDxfUtf8 ? TakeChar(byte, &at, codePage) : code);
            *i = j;
            return true;
        }
        return false;
    }
    *i += 3;
    return true;
}

int HexDigits(const std::string& s, size_t at, int count) {
    int value = 0;
    for (int k = 0; k < count; ++k) {
        if (at + k >= s.size() || !isxdigit(static_cast<unsigned char>(s[at + k]))) return -1;
        char h = s[at + k];
        value = value * 16 + (h <= '9' ? h - '0' : (h | 0x20) - 'a' + 10);
    }
    return value;
}

// The escapes that writers put in TEXT and MTEXT alike for characters their
// code page lacks: "\U+XXXX" (a Unicode character) and "\M+nXXXX" (the two
// bytes XXXX of East Asian code page n). False when s[*i] starts neither.
bool TakeCharEscape(const std::string& s, size_t* i, std::string* out) {
    if (s.compare(*i, 3, "\\U+") == 0) {
        int cp = HexDigits(s, *i + 3, 4);
        if (cp < 0) return false;
        PutCodePoint(out, static_cast<unsigned long>(cp));
        *i += 7;
        return true;
    }
    if (s.compare(*i, 3, "\\M+") == 0 && *i + 3 < s.size()) {
        static const int kPages[6] = {0, 932, 950, 949, 1361, 936};
        int page = s[*i + 3] - '0', bytes = HexDigits(s, *i + 4, 4);
        if (page < 1 || page > 5 || bytes < 0) return false;
        char pair[2] = {static_cast<char>(bytes >> 8), static_cast<char>(bytes & 0xFF)};
        wchar_t wide[2];
        int got = MultiByteToWideChar(kPages[page], MB_ERR_INVALID_CHARS, pair, 2, wide, 2);
        PutCodePoint(out, got == 1 ? wide[0] : '?');
        *i += 8;
        return true;
    }
    return false;
}

// One backslash code of MTEXT at s[*i] == '\\'.
void TakeMTextCode(const std::string& s, size_t* i, int codePage, std::string* out) {
    if (*i + 1 >= s.size()) {
        ++*i;
        return;
    }
    char c = s[*i + 1];
    *i += 2;
    switch (c) {
    case 'P': case 'X': case 'N': out->push_back('\n'); break;
    case '~': out->push_back('\xA0'); break;   // a space that lines do not wrap at
    case '\\': case '{': case '}': out->push_back(c); break;
    case 'L': case 'l': case 'O': case 'o': case 'K': case 'k': break;
    case 'A': case 'C': case 'c': case 'F': case 'f': case 'H': case 'Q': case 'T':
    case 'W': case 'p':
        SkipArgument(s, i);
        break;
    case 'S': {  // stacked fraction: "\Snum^den;" shown as num/den
        while (*i < s.size() && s[*i] != ';') {
            char d = s[*i];
            if (d == '^' || d == '#') {
                out->push_back('/');
                ++*i;
            } else {
                PutCodePoint(out, TakeChar(s, i, codePage));
            }
        }
        if (*i < s.size()) ++*i;
        break;
    }
    default:
        out->push_back(c);
        break;
    }
}

}  // namespace

std::string CleanText(const std::string& text, bool mtext, int codePage) {
    std::string out;
    size_t i = 0;
    while (i < text.size() && out.size() < kDxfMaxText) {
        char c = text[i];
        if (TakePercentCode(text, &i, codePage, &out)) continue;
        if (c == '\\' && TakeCharEscape(text, &i, &out)) continue;
        if (mtext && c == '\\') {
            TakeMTextCode(text, &i, codePage, &out);
        } else if (mtext && (c == '{' || c == '}')) {
            ++i;
        } else if (c == '^' && i + 1 < text.size()) {
            // Caret notation of control characters: "^J" a line break, "^I" a tab, "^ " a caret.
            char d = text[i + 1];
            out.push_back(d == 'J' && mtext ? '\n' : d == ' ' ? '^' : ' ');
            i += 2;
        } else {
            PutCodePoint(&out, TakeChar(text, &i, codePage));
        }
    }
    return out;
}

namespace {

// Advance widths of the host's text face per em, one for each character of
// code page 1252; measured once, on first use, by whoever reads a DXF
// first. False when the system gave no face to measure.
float g_advance[256];
int g_advanceMeasured;   // 0 not yet, 1 measured, -1 not possible

bool MeasureAdvances() {
    const int kEm = 1000;
    HDC dc = CreateCompatibleDC(nullptr);
    HFONT font = CreateFontA(-kEm, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_TT_ONLY_PRECIS,
                             CLIP_DEFAULT_PRECIS, NONANTIALIASED_QUALITY, DEFAULT_PITCH | FF_SWISS, "Arial");
    bool measured = false;
    if (dc && font) {
        HGDIOBJ old = SelectObject(dc, font);
        INT widths[256];
        measured = GetCharWidth32A(dc, 0, 255, widths) != 0;
        for (int i = 0; measured && i < 256; ++i) g_advance[i] = static_cast<float>(widths[i]) / kEm;
        SelectObject(dc, old);
    }
    if (font) DeleteObject(font);
    if (dc) DeleteDC(dc);
    return measured;
}

}  // namespace

// Wrapping and centring need the width the text will show at: the face's
// own advances, where the extents' estimate errs wide on purpose.
double ShownTextWidth(const std::string& text, double height) {
    if (g_advanceMeasured == 0) g_advanceMeasured = MeasureAdvances() ? 1 : -1;
    double em = height / kDxfCapHeight;
    if (g_advanceMeasured < 0) return TextWidthPerHeight(text.c_str()) * em;
    double width = 0;
    for (unsigned char c : text) width += g_advance[c];
    return width * em;
}

int CodePageNamed(const char* name) {
    // "ANSI_1250", "DOS850", "ISO8859-2"; and the East Asian pages by name.
    static const struct { const char* name; int page; } kNamed[] = {
        {"MACINTOSH", 10000}, {"BIG5", 950}, {"KSC5601", 949}, {"JOHAB", 1361}, {"GB2312", 936},
    };
    int page = 0;
    if (_strnicmp(name, "ANSI_", 5) == 0) page = atoi(name + 5);
    else if (_strnicmp(name, "DOS", 3) == 0) page = atoi(name + 3);
    else if (_strnicmp(name, "ISO8859-", 8) == 0) page = 28590 + atoi(name + 8);
    for (const auto& n : kNamed) {
        if (_stricmp(name, n.name) == 0) page = n.page;
    }
    return page > 0 && IsValidCodePage(page) ? page : 0;
}

// The host's palette: the classic sixteen colours (0 black, 9 blue, 10 green,
// 11 cyan, 12 red, 13 magenta, 14 yellow, 15 white ...), then a 6 x 6 x 6
// colour cube from 16 (16 + 36 r + 6 g + b). ACI 1..9 take the classic
// colours; ACI 7 ("white" on AutoCAD's black screen) is black on this host's
// white background. ACI 10..249 are 24 hues of 15 degrees in ten shades
// (even shades full colour, odd ones paler, higher ones darker), 250..255 greys.
int HostColourOf(int aci) {
    static const unsigned char kFirst[10] = {0, 12, 14, 10, 11, 9, 13, 0, 8, 7};
    if (aci >= 1 && aci <= 9) return kFirst[aci];
    if (aci >= 250 && aci <= 255) {
        static const double kGrey[6] = {0.2, 0.31, 0.41, 0.51, 0.75, 1.0};
        int k = static_cast<int>(kGrey[aci - 250] * 5 + 0.5);
        return 16 + 43 * k;
    }
    if (aci < 10 || aci > 249) return 0;
    int hue = (aci - 10) / 10, shade = (aci - 10) % 10;
    static const double kValue[5] = {1.0, 0.65, 0.5, 0.3, 0.15};
    double value = kValue[shade / 2];
    double saturation = (shade & 1) ? 0.5 : 1.0;
    // HSV to RGB, hue in sixths of a turn.
    double h = hue * 15.0 / 60.0;
    int sector = static_cast<int>(h) % 6;
    double f = h - static_cast<int>(h);
    double p = value * (1 - saturation), q = value * (1 - saturation * f), t = value * (1 - saturation * (1 - f));
    double rgb[6][3] = {{value, t, p}, {q, value, p}, {p, value, t}, {p, q, value}, {t, p, value}, {value, p, q}};
    int r = static_cast<int>(rgb[sector][0] * 5 + 0.5);
    int g = static_cast<int>(rgb[sector][1] * 5 + 0.5);
    int b = static_cast<int>(rgb[sector][2] * 5 + 0.5);
    return 16 + 36 * r + 6 * g + b;
}
