#include "ghost_scan_win.h"

#include <windows.h>

#include <cstdio>
#include <cstring>
#include <new>
#include <string>
#include <vector>

#include "ghost_folders.h"
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

void ReadGhostDescription(const std::string& folder, const char* directory) {
  std::string path = folder + "\\" + directory + "\\ghost\\master\\descript.txt";
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

// Enumerates folder + "\*.*" and reads each directory's description file. A
// folder that cannot be searched contributes nothing.
void ReadGhostFolder(const std::string& folder) {
  WIN32_FIND_DATAA found;
  HANDLE search = FindFirstFileA((folder + "\\*.*").c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return;
  SearchCloser closer{search};
  do {
    if (!IsGhostDirectory(found)) continue;
    try {
      ReadGhostDescription(folder, found.cFileName);
    } catch (const std::bad_alloc&) {
      // A description file too big to hold names no ghost; the others
      // are still read, and the sweep still runs.
    }
  } while (FindNextFileA(search, &found));
}

// One rebuild over every folder in order, so that where several description
// files give one name, the last read wins: a later folder over an earlier one.
void RebuildRegistry() {
  const std::vector<std::string> folders = GhostFolders();
  BeginRebuild();
  for (const std::string& folder : folders) ReadGhostFolder(folder);
  SweepAbsentGhosts();
}

}  // namespace

void OnGhostPathList() {
  SetGhostFolders(GhostFolderList(RequestText()));
  RebuildRegistry();
}

// Other install types (balloon, shell, plugin, headline, ...) change no
// ghost's description file: they leave the registry as it is. Before the
// first ghostpathlist no folder is known: the rebuild reads nothing, and the
// registry, empty as well until then, stays so.
void OnInstallComplete() {
  if (InstallsGhost(HeaderValue("Reference0"))) RebuildRegistry();
}
