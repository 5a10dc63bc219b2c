// Where the settings program lies: the plug-in directory.
#pragma once
#include <windows.h>

#include <string>

// This process's executable path, read whole however long it is: the buffer
// starts at `firstSize` bytes and doubles until the path fits.
std::string ReadModulePath(DWORD firstSize = 1024);

// The drive and directory of this executable, ending with its separator,
// split with the lead bytes of the current ANSI code page.
std::string OwnDirectory();
