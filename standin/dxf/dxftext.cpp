// DXF texts and colours as this host shows them.
#include <ctype.h>
#include <stdlib.h>
#include <string.h>

#include "standin/dxf/dxf.h"

namespace {

// A code point in the system code page: Latin-1 maps onto it for the
// characters drawings use (°, ±, Ø, accented letters); others become '?'.
void PutCodePoint(std::string* out, unsigned long cp) {
    if (cp == '\n') out->push_back('\n');
    else if (cp < 0x20 || cp == 0x7F) out->push_back(' ');
    else if (cp < 0x80 || (cp >= 0xA0 && cp <= 0xFF)) out->push_back(static_cast<char>(cp));
    else out->push_back('?');
}

// Decodes one character at s[*i]: UTF-8 when the drawing says so, else one byte.
unsigned long TakeChar(const std::string& s, size_t* i, bool unicode) {
    unsigned char c = static_cast<unsigned char>(s[*i]);
    ++*i;
    if (!unicode || c < 0x80) return c;
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

// Skips an MTEXT code's argument up to and including its ';'.
void SkipArgument(const std::string& s, size_t* i) {
    while (*i < s.size() && s[*i] != ';') ++*i;
    if (*i < s.size()) ++*i;
}

// "%%d" and its kind: degree, plus-minus, diameter, a literal percent, a
// character by number; underline and overline toggles vanish.
bool TakePercentCode(const std::string& s, size_t* i, std::string* out) {
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
            PutCodePoint(out, code);
            *i = j;
            return true;
        }
        return false;
    }
    *i += 3;
    return true;
}

// One backslash code of MTEXT at s[*i] == '\\'.
void TakeMTextCode(const std::string& s, size_t* i, bool unicode, std::string* out) {
    if (*i + 1 >= s.size()) {
        ++*i;
        return;
    }
    char c = s[*i + 1];
    *i += 2;
    switch (c) {
    case 'P': case 'X': case 'N': out->push_back('\n'); break;
    case '~': out->push_back(' '); break;
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
                PutCodePoint(out, TakeChar(s, i, unicode));
            }
        }
        if (*i < s.size()) ++*i;
        break;
    }
    case 'U':
        if (*i < s.size() && s[*i] == '+') {
            size_t j = *i + 1;
            unsigned long cp = 0;
            int digits = 0;
            while (j < s.size() && digits < 6 && isxdigit(static_cast<unsigned char>(s[j]))) {
                char h = s[j++];
                cp = cp * 16 + (h <= '9' ? h - '0' : (h | 0x20) - 'a' + 10);
                ++digits;
            }
            if (digits > 0) {
                PutCodePoint(out, cp);
                *i = j;
                break;
            }
        }
        out->push_back('U');
        break;
    case 'M':  // "\M+nXXXX": a double-byte character of an Asian code page
        *i += *i + 6 <= s.size() ? 6 : s.size() - *i;
        out->push_back('?');
        break;
    default:
        out->push_back(c);
        break;
    }
}

}  // namespace

std::string CleanText(const std::string& text, bool mtext, bool unicode) {
    std::string out;
    size_t i = 0;
    while (i < text.size() && out.size() < kDxfMaxText) {
        char c = text[i];
        if (TakePercentCode(text, &i, &out)) continue;
        if (mtext && c == '\\') {
            TakeMTextCode(text, &i, unicode, &out);
        } else if (mtext && (c == '{' || c == '}')) {
            ++i;
        } else if (c == '^' && i + 1 < text.size()) {
            // Caret notation of control characters: "^J" a line break, "^I" a tab, "^ " a caret.
            char d = text[i + 1];
            out.push_back(d == 'J' && mtext ? '\n' : d == ' ' ? '^' : ' ');
            i += 2;
        } else {
            PutCodePoint(&out, TakeChar(text, &i, unicode));
        }
    }
    return out;
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
