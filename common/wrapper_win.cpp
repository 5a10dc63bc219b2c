#include "wrapper_win.h"

#include <shellapi.h>

#include "names.h"

HWND FindWrapperWindow() { return FindWindowA(kWrapperClass, kWrapperTitle); }

// SMTO_NORMAL keeps handling messages sent to this thread while it waits, as a
// plain SendMessage does; SMTO_ABORTIFHUNG gives up at once on a window that
// the system already knows to be hung.
static bool SendBounded(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT timeoutMs = kSendTimeoutMs) {
  DWORD_PTR result = 0;
  return SendMessageTimeoutA(window, message, wParam, lParam, SMTO_NORMAL | SMTO_ABORTIFHUNG, timeoutMs, &result) != 0;
}

void SendActivation(bool active, const std::string& sakuraName) {
  HWND window = FindWrapperWindow();
  if (window) SendActivationTo(window, active, sakuraName);
}

bool SendActivationTo(HWND window, bool active, const std::string& sakuraName, UINT timeoutMs) {
  COPYDATASTRUCT data;
  data.dwData = active ? 1 : 0;
  data.cbData = static_cast<DWORD>(sakuraName.size());
  data.lpData = const_cast<char*>(sakuraName.c_str());
  return SendBounded(window, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&data), timeoutMs);
}

void CloseWrapper() {
  HWND window = FindWrapperWindow();
  if (window) SendBounded(window, WM_CLOSE, 0, 0);
}

void StartProgram(const std::string& path) { ShellExecuteA(nullptr, "open", path.c_str(), nullptr, nullptr, SW_SHOW); }
