// The settings program: one small window with the credits, the check box that
// switches speech recognition on or off, and OK. One instance per logon
// session; it always ends with exit code 0 and never shows a message box.
#include <windows.h>

#include <string>

#include "common/names.h"
#include "config/enable_switch_win.h"
#include "config/own_directory_win.h"

namespace {

const char kMutexName[] = "vokira_config_proc";
const char kClassName[] = "VKWConfigClass";
const char kIconName[] = "IDI_VOKIRA";

const int kWidth = 450;
const int kHeight = 256;
const int kEnableSwitchId = 1000;
const int kOkId = 1001;
const int kCloseCommandId = 105;

// Text lines are Shift_JIS bytes, written as escapes so that the source's own
// encoding cannot change them.
struct TextLine {
  int y;
  const char* text;
};
const TextLine kTextLines[] = {
    // マイク音声認識プラグイン for SSP
    {8, "\x83\x7d\x83\x43\x83\x4e\x89\xb9\x90\xba\x94\x46\x8e\xaf\x83\x76\x83\x89\x83\x4f\x83\x43\x83\x93 for SSP"},
    // 作者：vokira project
    {28, "\x8d\xec\x8e\xd2\x81\x46vokira project"},
    // 音声認識エンジン：「大語彙連続音声認識エンジン Julius」
    {68,
     "\x89\xb9\x90\xba\x94\x46\x8e\xaf\x83\x47\x83\x93\x83\x57\x83\x93\x81\x46\x81\x75\x91\xe5\x8c\xea\x9c\x62\x98\x41"
     "\x91\xb1\x89\xb9\x90\xba\x94\x46\x8e\xaf\x83\x47\x83\x93\x83\x57\x83\x93 Julius\x81\x76"},
    // Julius's licence asks programs that use it to show its copyright holders.
    // Without the word "Copyright" the longest line still fits the window in
    // the 16-pixel system font of Japanese Windows.
    // (c) 1991-2020 京都大学 河原研究室
    {88, "(c) 1991-2020 \x8b\x9e\x93\x73\x91\xe5\x8a\x77 \x89\xcd\x8c\xb4\x8c\xa4\x8b\x86\x8e\xba"},
    // (c) 2000-2005 奈良先端科学技術大学院大学 鹿野研究室
    {108,
     "(c) 2000-2005 \x93\xde\x97\xc7\x90\xe6\x92\x5b\x89\xc8\x8a\x77\x8b\x5a\x8f\x70\x91\xe5\x8a\x77\x89\x40"
     "\x91\xe5\x8a\x77 \x8e\xad\x96\xec\x8c\xa4\x8b\x86\x8e\xba"},
    // (c) 2005-2020 名古屋工業大学 Julius開発チーム
    {128,
     "(c) 2005-2020 \x96\xbc\x8c\xc3\x89\xae\x8d\x48\x8b\xc6\x91\xe5\x8a\x77 Julius\x8a\x4a\x94\xad\x83\x60"
     "\x81\x5b\x83\x80"},
};
// 有効
const char kEnableSwitchText[] = "\x97\x4c\x8c\xf8";

HINSTANCE g_instance;  // recorded before the window exists: WM_CREATE needs it
HWND g_window;
std::string g_directory;  // the plug-in directory, ending with its separator
HWND g_enableSwitch;
HWND g_okButton;
bool g_initiallyEnabled;

void DrawTextLine(HDC dc, int x, int y, const std::string& text) {
  TextOutA(dc, x, y, text.data(), static_cast<int>(text.size()));
}

HWND CreateButton(const char* text, DWORD style, int x, int y, int width, int height, int id) {
  return CreateWindowExA(0, "BUTTON", text, style, x, y, width, height, g_window,
                         reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), g_instance, nullptr);
}

LRESULT OnCreate(HWND window) {
  g_window = window;
  g_directory = OwnDirectory();
  // Without its directory the program would put the marker file wherever the
  // current directory is: better not to open at all.
  if (g_directory.empty()) return -1;
  g_enableSwitch =
      CreateButton(kEnableSwitchText, WS_CHILD | WS_VISIBLE | BS_AUTOCHECKBOX, 8, 168, 128, 24, kEnableSwitchId);
  g_initiallyEnabled = IsRecognitionEnabled(g_directory);
  if (g_initiallyEnabled) SendMessageA(g_enableSwitch, BM_SETCHECK, BST_CHECKED, 0);
  g_okButton = CreateButton("OK", WS_CHILD | WS_VISIBLE | BS_PUSHBUTTON, 360, 184, 64, 24, kOkId);
  return 0;
}

void Paint(HDC dc) {
  // The colour is read on every paint, so a changed system colour shows.
  HBRUSH face = CreateSolidBrush(GetSysColor(COLOR_BTNFACE));
  RECT all = {0, 0, kWidth, kHeight};
  FillRect(dc, &all, face);
  DeleteObject(face);
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, RGB(0, 0, 0));
  for (const TextLine& line : kTextLines) DrawTextLine(dc, 8, line.y, line.text);
}

void OnPaint(HWND window) {
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(window, &ps);
  Paint(dc);
  EndPaint(window, &ps);
}

// Returns whether the command was ours; the rest (the check box's own
// notifications among them) go to DefWindowProc.
bool OnCommand(HWND window, WPARAM wParam) {
  switch (LOWORD(wParam)) {
    case kOkId:
      ApplyEnableSwitch(g_directory, g_enableSwitch, g_initiallyEnabled);
      DestroyWindow(window);
      return true;
    case kCloseCommandId:
      DestroyWindow(window);
      return true;
  }
  return false;
}

LRESULT CALLBACK SettingsWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) noexcept {
  try {
    switch (message) {
      case WM_CREATE:
        return OnCreate(window);
      case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
      case WM_PAINT:
        OnPaint(window);
        return 0;
      case WM_CLOSE:  // closing applies nothing
        DestroyWindow(window);
        return 0;
      case WM_COMMAND:
        if (OnCommand(window, wParam)) return 0;
        break;
    }
  } catch (...) {
    // Out of memory: a window that cannot be created stays uncreated; any
    // other message is dropped rather than let the exception into the system.
    return message == WM_CREATE ? -1 : 0;
  }
  return DefWindowProcA(window, message, wParam, lParam);
}

void RegisterSettingsClass(HINSTANCE instance) {
  WNDCLASSEXA wc = {};
  wc.cbSize = sizeof wc;
  wc.style = CS_HREDRAW | CS_VREDRAW;
  wc.lpfnWndProc = SettingsWindowProc;
  wc.hInstance = instance;
  wc.hIcon = LoadIconA(instance, kIconName);
  wc.hCursor = LoadCursorA(nullptr, IDC_ARROW);
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
  wc.lpszClassName = kClassName;
  // No small icon: the system picks the 16 x 16 image of the icon group.
  RegisterClassExA(&wc);
}

bool CreateSettingsWindow(HINSTANCE instance) {
  g_instance = instance;
  RECT desktop;
  GetWindowRect(GetDesktopWindow(), &desktop);
  // Centred on the desktop; a shift of a signed value rounds toward minus
  // infinity, so a desktop smaller than the window gives negative coordinates.
  int x = (desktop.right - kWidth) >> 1;
  int y = (desktop.bottom - kHeight) >> 1;
  HWND window = CreateWindowExA(0, kClassName, kWrapperTitle, WS_CAPTION | WS_SYSMENU, x, y, kWidth, kHeight, nullptr,
                                nullptr, nullptr, nullptr);
  if (!window) return false;
  g_window = window;
  ShowWindow(window, SW_SHOW);
  UpdateWindow(window);
  return true;
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  HANDLE mutex = CreateMutexA(nullptr, FALSE, kMutexName);
  if (!mutex) return 0;
  // Another settings program is open: leave quietly, without bringing it forward.
  if (GetLastError() == ERROR_ALREADY_EXISTS) {
    CloseHandle(mutex);
    return 0;
  }
  RegisterSettingsClass(instance);
  if (CreateSettingsWindow(instance)) {
    // No IsDialogMessage: Tab and Enter do not move between or press the controls.
    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
      TranslateMessage(&msg);
      DispatchMessageA(&msg);
    }
  }
  CloseHandle(mutex);
  return 0;
}
