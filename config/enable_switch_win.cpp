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

void ApplyEnableSwitch(const std::string& directory, HWND enableSwitch, bool initiallyEnabled) {
  bool checked = SendMessageA(enableSwitch, BM_GETCHECK, 0, 0) == BST_CHECKED;
  if (checked == initiallyEnabled) return;
  std::string marker = directory + kMarkerFile;
  if (checked) {
    StartProgram(directory + kWrapperProgram);
    DeleteFileA(marker.c_str());
  } else {
    // The recognizer has handled WM_CLOSE (or the bounded wait gave up on a
    // hung one) before the marker appears.
    CloseWrapper();
    WriteMarker(marker);
  }
}
