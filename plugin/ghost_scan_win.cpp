#include "ghost_scan_win.h"

#include <windows.h>

#include <cstdio>
#include <cstring>
#include <new>
#include <string>

#include "registry.h"
#include "request.h"

namespace {

struct SearchCloser {
  HANDLE search;
  ~SearchCloser() { FindClose(search); }
};

struct FileCloser {
  std::FILE* file;
  ~FileCloser() { std::fclose(file); }
};

bool IsGhostDirectory(const WIN32_FIND_DATAA& found) {
  if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) return false;
  return std::strcmp(found.cFileName, ".") != 0 && std::strcmp(found.cFileName, "..") != 0;
}

void ReadGhostDescription(const char* directory) {
  std::string path = GhostRoot() + "\\" + directory + "\\ghost\\master\\descript.txt";
  // Text mode: the C runtime turns CR LF into LF and stops at Ctrl-Z.
  std::FILE* file = std::fopen(path.c_str(), "r");
  if (!file) return;
  GhostDescription description;
  {
    FileCloser closer{file};
    description = ReadDescription(file);
  }
  RecordDescription(description);
}

// Enumerates root + "\*.*" and reads each directory's description file.
void RebuildRegistry() {
  BeginRebuild();
  WIN32_FIND_DATAA found;
  HANDLE search = FindFirstFileA((GhostRoot() + "\\*.*").c_str(), &found);
  if (search != INVALID_HANDLE_VALUE) {
    SearchCloser closer{search};
    do {
      if (!IsGhostDirectory(found)) continue;
      try {
        ReadGhostDescription(found.cFileName);
      } catch (const std::bad_alloc&) {
        // A description file too big to hold names no ghost; the others
        // are still read, and the sweep still runs.
      }
    } while (FindNextFileA(search, &found));
  }
  SweepAbsentGhosts();
}

}  // namespace

void OnGhostPathList() {
  SetGhostRoot(HeaderValue("Reference0"));
  RebuildRegistry();
}
