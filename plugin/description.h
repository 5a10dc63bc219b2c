// Ghost description files (ghost\master\descript.txt): the line reader and
// the two keys the registry takes from them.
#pragma once
#include <cstdio>
#include <string>

struct GhostDescription {
  std::string name;
  std::string sakuraName;
};

// Reads bytes up to and including the next LF into line; the last line needs
// no line end. Returns the line's length, or -1 when no byte was left.
long long ReadLine(std::FILE* file, std::string& line);

// Removes the line's last byte when it is `byte`.
void TrimTrailing(std::string& line, char byte);

// Reads the whole open file. The stream's mode decides what a line end is:
// text mode on Windows turns CR LF into LF and ends the file at Ctrl-Z.
GhostDescription ReadDescription(std::FILE* file);
