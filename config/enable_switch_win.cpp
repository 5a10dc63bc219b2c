#include "config/enable_switch_win.h"

#include <cstdio>

#include "common/names.h"
#include "common/wrapper_win.h"

// The marker's content; the plug-in only tests whether the file opens.
static const char kMarkerText[] = "surpress";

bool IsRecognitionEnabled(const std::string& directory) {
  // The C runtime's fopen shares the file with other readers and writers.
  FILE* marker = std::fopen((directory + kMarkerFile).c_str(), "r");
  if (!marker) return true;
  std::fclose(marker);
  return false;
}

static void WriteMarker(const std::string& path) {
  FILE* marker = std::fopen(path.c_str(), "w");
  // A directory we may not write to leaves recognition on; there is nobody
  // to tell, and a stream that never opened is neither written nor closed.
  if (!marker) return;
  std::fputs(kMarkerText, marker);
  std::fclose(marker);
}

// A read-only marker would survive a plain delete, and the next host start
// would keep the recognizer off while this window showed it on. A folder of
// that name is not ours to touch; a marker held open by another program
// without delete sharing stays.
static void DeleteMarker(const std::string& path) {
  DWORD attributes = GetFileAttributesA(path.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY)) return;
  if (attributes & FILE_ATTRIBUTE_READONLY) {
    DWORD writable = attributes & ~static_cast<DWORD>(FILE_ATTRIBUTE_READONLY);
    SetFileAttributesA(path.c_str(), writable ? writable : FILE_ATTRIBUTE_NORMAL);
  }
  DeleteFileA(path.c_str());
}

void ApplyEnableSwitch(const std::string& directory, HWND enableSwitch, bool initiallyEnabled) {
  bool checked = SendMessageA(enableSwitch, BM_GETCHECK, 0, 0) == BST_CHECKED;
  if (checked == initiallyEnabled) return;
  std::string marker = directory + kMarkerFile;
  if (checked) {
    StartProgram(directory + kWrapperProgram);
    DeleteMarker(marker);
  } else {
    // The recognizer has handled WM_CLOSE (or the bounded wait gave up on a
    // hung one) before the marker appears.
    CloseWrapper();
    WriteMarker(marker);
  }
}
