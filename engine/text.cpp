#include "engine/text.h"

#ifdef _WIN32
#include <windows.h>
#endif

bool IsLeadByte(char c) {
#ifdef _WIN32
    return IsDBCSLeadByte(static_cast<BYTE>(c)) != FALSE;
#else
    const unsigned char byte = static_cast<unsigned char>(c);
    return byte >= 0x81 && byte <= 0xFE;
#endif
}

namespace {

// Calls visit(position) for the start of every character of t, in order, and stops early
// when visit returns false.
template <typename Visit>
void ForEachCharacterStart(TextView t, Visit visit) {
    for (size_t i = 0; i < t.size(); i += IsLeadByte(t[i]) ? 2 : 1) {
        if (!visit(i)) return;
    }
}

}  // namespace

int TextLength(TextView t) { return static_cast<int>(t.size()); }

Text TextLeft(TextView t, int n) {
    if (n <= 0) return {};
    return Text(t.substr(0, static_cast<size_t>(n)));
}

Text TextRight(TextView t, int n) {
    if (n <= 0) return {};
    if (static_cast<size_t>(n) >= t.size()) return Text(t);
    return Text(t.substr(t.size() - static_cast<size_t>(n)));
}

Text TextMid(TextView t, int start, int n) {
    if (start < 1 || static_cast<size_t>(start) > t.size() || n <= 0) return {};
    return Text(t.substr(static_cast<size_t>(start - 1), static_cast<size_t>(n)));
}

int FindText(TextView t, TextView s) {
    if (s.empty()) return t.empty() ? -1 : 1;
    int found = -1;
    ForEachCharacterStart(t, [&](size_t i) {
        if (t.compare(i, s.size(), s) != 0) return true;
        found = static_cast<int>(i) + 1;
        return false;
    });
    return found;
}

int FindTextLast(TextView t, TextView s) {
    if (s.empty()) return t.empty() ? -1 : 1;
    int found = -1;
    ForEachCharacterStart(t, [&](size_t i) {
        if (t.compare(i, s.size(), s) == 0) found = static_cast<int>(i) + 1;
        return true;
    });
    return found;
}

Text ToUpperAscii(TextView t) {
    Text upper(t);
    ForEachCharacterStart(t, [&](size_t i) {
        char& c = upper[i];
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
        return true;
    });
    return upper;
}
