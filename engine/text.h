// Byte texts in the ANSI code page (cp936 for all of the program's own texts).
// Lengths and positions count bytes; positions are 1-based and a failed search gives -1.
// A byte of 0x80 or above starts a double-byte character, and its trail byte (which may be
// 0x5C, the backslash) is never taken for a character of its own.
#pragma once

#include <string>
#include <string_view>

// <commdlg.h> defines FindText as a macro for FindTextA; this header's FindText is the
// program's own and must keep its name in every file that sees both.
#ifdef FindText
#undef FindText
#endif

using Text = std::string;
using TextView = std::string_view;

constexpr bool IsLeadByte(char c) { return static_cast<unsigned char>(c) >= 0x80; }

Text TextLeft(TextView t, int n);
Text TextRight(TextView t, int n);
Text TextMid(TextView t, int start, int n);
int FindText(TextView t, TextView s);
int FindTextLast(TextView t, TextView s);
Text ToUpperAscii(TextView t);
int TextLength(TextView t);
