// Byte texts in the ANSI code page (cp936 for all of the program's own texts).
// Lengths and positions count bytes; positions are 1-based and a failed search gives -1.
// A lead byte, as the system's code page defines it, starts a double-byte character, and its
// trail byte (which may be 0x5C, the backslash) is never taken for a character of its own.
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

// The system's rule on Windows. Not every byte of 0x80 or above is one: in code page 936,
// 0x80 is the euro sign, a character of its own, and in single-byte code pages none is.
// Built for another system, the text code follows code page 936 (lead bytes 0x81 to 0xFE).
bool IsLeadByte(char c);

Text TextLeft(TextView t, int n);
Text TextRight(TextView t, int n);
Text TextMid(TextView t, int start, int n);
int FindText(TextView t, TextView s);
int FindTextLast(TextView t, TextView s);
Text ToUpperAscii(TextView t);
int TextLength(TextView t);
