// What the Windows tests share: the built binaries, scratch directories,
// the plug-in loaded as the host loads it, and the stub recognizer.
#pragma once
#include <windows.h>

#include <functional>
#include <string>
#include <vector>

// The folder that holds the test programs, vokira.dll and the tools.
std::string BinDir();

std::string ReadFileBytes(const std::string& path);
void WriteFileBytes(const std::string& path, const std::string& bytes);
bool PathExists(const std::string& path);

// root\directory\ghost\master\descript.txt holding exactly `descript`.
void WriteGhost(const std::string& root, const std::string& directory, const std::string& descript);

// A fresh directory under the temporary folder, removed with its contents.
struct TempDir {
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  std::string path;  // no trailing separator
};

// A hidden top-level window of the test's own (other processes find it with
// FindWindowA); `procedure` handles its messages on the test's thread.
HWND CreateTestWindow(const char* className, const char* title, WNDPROC procedure);

// Runs the message loop until `done` holds or `timeoutMs` passes.
bool WaitFor(const std::function<bool()>& done, DWORD timeoutMs);
void PumpFor(DWORD ms);
// Runs the message loop for `ms` and counts the ticks of thread timers.
int CountTimerTicks(DWORD ms);

struct Reply {
  bool returned = false;  // a block came back
  long len = 0;
  std::string bytes;
};

// vokira.dll through its exports, with blocks made the way the host makes them.
struct Plugin {
  Plugin();
  ~Plugin();
  Plugin(const Plugin&) = delete;
  Plugin& operator=(const Plugin&) = delete;
  BOOL Load(const std::string& directory);
  Reply Request(const std::string& text);
  BOOL Unload();
  HMODULE module = nullptr;
  BOOL(__cdecl* load)(HGLOBAL, long) = nullptr;
  HGLOBAL(__cdecl* request)(HGLOBAL, long*) = nullptr;
  BOOL(__cdecl* unload)() = nullptr;
};

HGLOBAL FixedBlock(const std::string& bytes);

// The stub recognizer copied into `directory` as vokira.exe.
void InstallStub(const std::string& directory);
std::vector<std::string> StubLog(const std::string& directory);
// Ends every process that owns a window with the recognizer's identity.
void KillWrappers();
