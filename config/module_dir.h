// The settings program's directory from its own executable path.
#pragma once
#include <string>

// Tells whether a byte starts a double-byte character in the ANSI code page.
using LeadBytePredicate = bool (*)(unsigned char byte);

// The drive ("X:" when the second byte is ':') followed by the directory up
// to and including the last '\' or '/'. The trail byte of a double-byte
// character is never a separator, even when it is 0x5C (as in the Shift_JIS
// bytes of "表示" or "ソ"). The result is not cut at any length: a shortened
// directory would address files somewhere else. A path without a separator
// gives just its drive.
std::string DirectoryOfPath(const std::string& path, LeadBytePredicate isLeadByte);
