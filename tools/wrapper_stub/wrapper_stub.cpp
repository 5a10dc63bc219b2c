// A stand-in for the recognizer vokira.exe: it owns a window with the
// recognizer's class and title, writes every message it is sent to
// wrapper-stub.log beside itself, and ends on WM_CLOSE.
//
// It takes no arguments (the plug-in starts it with none); files beside it
// change what it does:
//   wrapper-stub.hang   while this file exists, each logged message is held
//                       (up to two minutes) before it returns: a hung recognizer;
//                       "released" is logged when the hold ends
//   wrapper-stub.show   show the window (it stays hidden otherwise)
//   wrapper-stub.poke   holds a window class name: on each activation the stub
//                       sends WM_APP to that window before it returns, so the
//                       sender handles a message nested inside its own send
//   wrapper-stub.slow   holds a number of milliseconds: each activation sleeps
//                       that long before it returns (a slow recognizer)
//
// "start" is logged before the window exists, so whoever finds the window
// finds the line too.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "common/names.h"

static std::string g_directory;  // with its trailing separator

static std::string Beside(const char* name) { return g_directory + name; }

static bool FileExists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

static std::string ReadSmallFile(const std::string& path) {
  std::string text;
  FILE* f = std::fopen(path.c_str(), "rb");
  if (!f) return text;
  char buffer[256];
  text.assign(buffer, std::fread(buffer, 1, sizeof buffer, f));
  std::fclose(f);
  while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
  return text;
}

static std::string ShiftJisToUtf8(const std::string& bytes) {
  if (bytes.empty()) return bytes;
  int wide = MultiByteToWideChar(932, 0, bytes.data(), static_cast<int>(bytes.size()), nullptr, 0);
  if (wide <= 0) return "?";
  std::wstring text(static_cast<size_t>(wide), L'\0');
  MultiByteToWideChar(932, 0, bytes.data(), static_cast<int>(bytes.size()), &text[0], wide);
  int narrow = WideCharToMultiByte(CP_UTF8, 0, text.data(), wide, nullptr, 0, nullptr, nullptr);
  std::string utf8(static_cast<size_t>(narrow), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.data(), wide, &utf8[0], narrow, nullptr, nullptr);
  return utf8;
}

// One line per message, flushed at once: tests read the log while we run.
static void Log(const std::string& line) {
  FILE* log = std::fopen(Beside("wrapper-stub.log").c_str(), "ab");
  if (!log) return;
  std::fwrite(line.data(), 1, line.size(), log);
  std::fputc('\n', log);
  std::fclose(log);
}

// Logs "released" after a hold, so a sender can tell that it gave up first.
static void HoldIfHung() {
  if (!FileExists(Beside("wrapper-stub.hang"))) return;
  for (int waited = 0; waited < 120000 && FileExists(Beside("wrapper-stub.hang")); waited += 50) Sleep(50);
  Log("released");
}

static void OnCopyData(const COPYDATASTRUCT* data) {
  std::string name;
  if (data->cbData && data->lpData) name.assign(static_cast<const char*>(data->lpData), data->cbData);
  std::string hex;
  char byte[4];
  for (unsigned char c : name) {
    std::snprintf(byte, sizeof byte, "%s%02X", hex.empty() ? "" : " ", c);
    hex += byte;
  }
  char head[64];
  std::snprintf(head, sizeof head, "activation flag=%lu bytes=%lu", static_cast<unsigned long>(data->dwData),
                static_cast<unsigned long>(data->cbData));
  Log(std::string(head) + " hex=" + hex + " name=" + ShiftJisToUtf8(name));
  std::string slow = ReadSmallFile(Beside("wrapper-stub.slow"));
  if (!slow.empty()) Sleep(static_cast<DWORD>(std::strtoul(slow.c_str(), nullptr, 10)));
  std::string poke = ReadSmallFile(Beside("wrapper-stub.poke"));
  if (!poke.empty()) {
    HWND target = FindWindowA(poke.c_str(), nullptr);
    if (target) SendMessageA(target, WM_APP, 0, 0);
  }
  HoldIfHung();
}

static LRESULT CALLBACK StubWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) noexcept {
  try {
    switch (message) {
      case WM_COPYDATA:
        OnCopyData(reinterpret_cast<const COPYDATASTRUCT*>(lParam));
        return TRUE;
      case WM_CLOSE:
        Log("close");
        HoldIfHung();
        DestroyWindow(window);
        return 0;
      case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    }
  } catch (...) {
  }
  return DefWindowProcA(window, message, wParam, lParam);
}

static std::string ModuleDirectory() {
  std::string path(MAX_PATH, '\0');
  for (;;) {
    DWORD n = GetModuleFileNameA(nullptr, &path[0], static_cast<DWORD>(path.size()));
    if (n < path.size()) {
      path.resize(n);
      break;
    }
    path.resize(path.size() * 2);
  }
  size_t cut = path.find_last_of("\\/");
  return cut == std::string::npos ? std::string() : path.substr(0, cut + 1);
}

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  try {
    g_directory = ModuleDirectory();
    char pid[32];
    std::snprintf(pid, sizeof pid, "start pid=%lu", GetCurrentProcessId());
    Log(pid);
    WNDCLASSEXA wc = {};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = StubWindowProc;
    wc.hInstance = instance;
    wc.lpszClassName = kWrapperClass;
    RegisterClassExA(&wc);
    HWND window = CreateWindowExA(0, kWrapperClass, kWrapperTitle, WS_OVERLAPPEDWINDOW, CW_USEDEFAULT, CW_USEDEFAULT,
                                  320, 120, nullptr, nullptr, instance, nullptr);
    if (!window) return 1;
    if (FileExists(Beside("wrapper-stub.show"))) ShowWindow(window, SW_SHOW);
    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
      TranslateMessage(&msg);
      DispatchMessageA(&msg);
    }
    Log("exit");
  } catch (...) {
  }
  return 0;
}
