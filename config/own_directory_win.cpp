#include "config/own_directory_win.h"

#include "config/module_dir.h"

std::string ReadModulePath(DWORD firstSize) {
  std::string path(firstSize ? firstSize : 1, '\0');
  for (;;) {
    DWORD n = GetModuleFileNameA(nullptr, &path[0], static_cast<DWORD>(path.size()));
    // A result that fills the whole buffer may be cut short (and, on older
    // systems, unterminated): try again with more room.
    if (n < path.size()) {
      path.resize(n);
      return path;
    }
    path.resize(path.size() * 2);
  }
}

static bool IsAnsiLeadByte(unsigned char byte) { return IsDBCSLeadByte(byte) != FALSE; }

std::string OwnDirectory() { return DirectoryOfPath(ReadModulePath(), IsAnsiLeadByte); }
