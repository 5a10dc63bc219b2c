#include "testbench.h"

#include <cstdio>

#include "common/names.h"
#include "common/wrapper_win.h"
#include "tests/win/remove_tree.h"

std::string BinDir() {
  char path[MAX_PATH * 4];
  DWORD n = GetModuleFileNameA(nullptr, path, sizeof path);
  std::string s(path, n);
  return s.substr(0, s.find_last_of("\\/"));
}

std::string ReadFileBytes(const std::string& path) {
  std::string bytes;
  FILE* f = std::fopen(path.c_str(), "rb");
  if (!f) return bytes;
  char buffer[65536];
  for (size_t n; (n = std::fread(buffer, 1, sizeof buffer, f)) > 0;) bytes.append(buffer, n);
  std::fclose(f);
  return bytes;
}

void WriteFileBytes(const std::string& path, const std::string& bytes) {
  FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return;
  std::fwrite(bytes.data(), 1, bytes.size(), f);
  std::fclose(f);
}

void WriteGhost(const std::string& root, const std::string& directory, const std::string& descript) {
  std::string path = root + "\\" + directory;
  for (const char* part : {"", "\\ghost", "\\master"}) CreateDirectoryA((path += part).c_str(), nullptr);
  WriteFileBytes(path + "\\descript.txt", descript);
}

bool PathExists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

TempDir::TempDir() {
  char base[MAX_PATH];
  GetTempPathA(sizeof base, base);
  static unsigned counter = 0;
  for (;;) {
    char name[MAX_PATH + 64];
    std::snprintf(name, sizeof name, "%svokira-%lu-%u", base, GetCurrentProcessId(), counter++);
    if (CreateDirectoryA(name, nullptr)) {
      path = name;
      return;
    }
  }
}

TempDir::~TempDir() { RemoveTree(path); }

HWND CreateTestWindow(const char* className, const char* title, WNDPROC procedure) {
  WNDCLASSA wc = {};
  wc.lpfnWndProc = procedure;
  wc.hInstance = GetModuleHandleA(nullptr);
  wc.lpszClassName = className;
  RegisterClassA(&wc);
  return CreateWindowExA(0, className, title, WS_OVERLAPPED, 0, 0, 10, 10, nullptr, nullptr, wc.hInstance, nullptr);
}

void PumpFor(DWORD ms) {
  WaitFor([] { return false; }, ms);
}

int CountTimerTicks(DWORD ms) {
  int ticks = 0;
  DWORD start = GetTickCount();
  for (DWORD elapsed; (elapsed = GetTickCount() - start) < ms;) {
    MsgWaitForMultipleObjects(0, nullptr, FALSE, ms - elapsed, QS_ALLINPUT);
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
      if (msg.message == WM_TIMER && !msg.hwnd) ++ticks;
      DispatchMessageA(&msg);
    }
  }
  return ticks;
}

bool WaitFor(const std::function<bool()>& done, DWORD timeoutMs) {
  DWORD start = GetTickCount();
  for (;;) {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&msg);
      DispatchMessageA(&msg);
    }
    if (done()) return true;
    DWORD elapsed = GetTickCount() - start;
    if (elapsed >= timeoutMs) return false;
    MsgWaitForMultipleObjects(0, nullptr, FALSE, timeoutMs - elapsed < 20 ? timeoutMs - elapsed : 20, QS_ALLINPUT);
  }
}

HGLOBAL FixedBlock(const std::string& bytes) {
  HGLOBAL block = GlobalAlloc(GMEM_FIXED, bytes.size() ? bytes.size() : 1);
  if (block) CopyMemory(block, bytes.data(), bytes.size());
  return block;
}

Plugin::Plugin() {
  module = LoadLibraryA((BinDir() + "\\vokira.dll").c_str());
  if (!module) return;
  load = reinterpret_cast<decltype(load)>(reinterpret_cast<void*>(GetProcAddress(module, "load")));
  request = reinterpret_cast<decltype(request)>(reinterpret_cast<void*>(GetProcAddress(module, "request")));
  unload = reinterpret_cast<decltype(unload)>(reinterpret_cast<void*>(GetProcAddress(module, "unload")));
}

Plugin::~Plugin() {
  if (module) FreeLibrary(module);
}

BOOL Plugin::Load(const std::string& directory) {
  return load(FixedBlock(directory), static_cast<long>(directory.size()));
}

Reply Plugin::Request(const std::string& text) {
  Reply reply;
  reply.len = static_cast<long>(text.size());
  HGLOBAL block = request(FixedBlock(text), &reply.len);
  if (!block) return reply;
  reply.returned = true;
  reply.bytes.assign(static_cast<const char*>(block), GlobalSize(block));
  GlobalFree(block);
  return reply;
}

BOOL Plugin::Unload() { return unload(); }

void InstallStub(const std::string& directory) {
  CopyFileA((BinDir() + "\\wrapper-stub.exe").c_str(), (directory + "\\" + kWrapperProgram).c_str(), FALSE);
}

std::vector<std::string> StubLog(const std::string& directory) {
  std::vector<std::string> lines;
  std::string text = ReadFileBytes(directory + "\\wrapper-stub.log");
  size_t start = 0;
  for (size_t nl; (nl = text.find('\n', start)) != std::string::npos; start = nl + 1)
    lines.push_back(text.substr(start, nl - start));
  return lines;
}

void KillWrappers() {
  for (HWND window; (window = FindWrapperWindow()) != nullptr;) {
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    HANDLE process = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, pid);
    if (!process) break;
    TerminateProcess(process, 0);
    WaitForSingleObject(process, 10000);
    CloseHandle(process);
  }
}
