// config.exe as a user meets it: started from a scratch plug-in directory,
// driven with button and command messages, and watched from outside through
// its window, the marker file and the stub recognizer's log. Runs under
// LC_ALL=ja_JP.UTF-8, so Wine uses code page 932 as Japanese Windows does.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "common/names.h"
#include "common/wrapper_win.h"
#include "config/module_dir.h"
#include "config/own_directory_win.h"
#include "tests/win/png_write.h"
#include "tests/win/testbench.h"

namespace {

const char kSettingsClass[] = "VKWConfigClass";
const int kSwitchId = 1000;
const int kOkId = 1001;
// Generous: a Wine process on a busy machine can take many seconds to start.
constexpr DWORD kWait = 60000;

const std::string kSurpress = "surpress";
const std::string kHyouji = "\x95\x5c\x8e\xa6";  // 表示: trail byte 0x5C
const std::string kSo = "\x83\x5c";              // ソ: trail byte 0x5C

std::string Marker(const std::string& dir) { return dir + "\\" + kMarkerFile; }

bool HasLine(const std::vector<std::string>& log, const std::string& line) {
  return std::find(log.begin(), log.end(), line) != log.end();
}

bool HasStart(const std::vector<std::string>& log) {
  return std::any_of(log.begin(), log.end(), [](const std::string& l) { return l.rfind("start", 0) == 0; });
}

// The process that owns the settings window, if one is open.
DWORD SettingsOwner() {
  HWND window = FindWindowA(kSettingsClass, kWrapperTitle);
  DWORD pid = 0;
  if (window) GetWindowThreadProcessId(window, &pid);
  return pid;
}

// A named CALLBACK, not a lambda: a lambda converts only to a cdecl pointer,
// and the i686 enumerator calls stdcall.
BOOL CALLBACK CountIfSettings(HWND window, LPARAM counter) {
  char name[64] = "";
  GetClassNameA(window, name, sizeof name);
  if (std::string(name) == kSettingsClass) ++*reinterpret_cast<int*>(counter);
  return TRUE;
}

int CountSettingsWindows() {
  int count = 0;
  EnumWindows(CountIfSettings, reinterpret_cast<LPARAM>(&count));
  return count;
}

// One config.exe process, ended on destruction if it is still running.
struct ConfigProcess {
  explicit ConfigProcess(const std::string& exe) {
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    std::string commandLine = "\"" + exe + "\"";
    if (!CreateProcessA(exe.c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &info))
      info = {};
  }
  ~ConfigProcess() {
    if (!info.hProcess) return;
    if (WaitForSingleObject(info.hProcess, 0) == WAIT_TIMEOUT) {
      TerminateProcess(info.hProcess, 1);
      WaitForSingleObject(info.hProcess, kWait);
    }
    CloseHandle(info.hProcess);
    CloseHandle(info.hThread);
  }
  ConfigProcess(const ConfigProcess&) = delete;
  ConfigProcess& operator=(const ConfigProcess&) = delete;

  // The settings window of this process, once it is shown. The window can be
  // found while WM_CREATE still runs (before the check box is set); it is
  // shown only after that.
  HWND Window() {
    HWND found = nullptr;
    WaitFor(
        [&] {
          HWND window = FindWindowA(kSettingsClass, kWrapperTitle);
          if (window && SettingsOwner() == info.dwProcessId && IsWindowVisible(window)) found = window;
          return found != nullptr || Exited();
        },
        kWait);
    return found;
  }
  bool Exited() const { return info.hProcess && WaitForSingleObject(info.hProcess, 0) == WAIT_OBJECT_0; }
  // Waits for the end (handling messages meanwhile) and gives the exit code, or -1.
  long ExitCode() {
    if (!info.hProcess || !WaitFor([this] { return Exited(); }, kWait)) return -1;
    DWORD code = 1;
    GetExitCodeProcess(info.hProcess, &code);
    return static_cast<long>(code);
  }
  PROCESS_INFORMATION info = {};
};

bool IsChecked(HWND window) { return SendMessageA(GetDlgItem(window, kSwitchId), BM_GETCHECK, 0, 0) == BST_CHECKED; }
// The check box's own click: it toggles its mark, as a user's click does.
void ClickSwitch(HWND window) { SendMessageA(GetDlgItem(window, kSwitchId), BM_CLICK, 0, 0); }

class ConfigTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(GetACP(), 932u) << "these tests need Wine's Japanese code page (LC_ALL=ja_JP.UTF-8)";
    KillWrappers();
    ASSERT_EQ(SettingsOwner(), 0u) << "a settings window is left from elsewhere";
  }
  void TearDown() override { KillWrappers(); }
  // config.exe copied into `directory` under `name`.
  static std::string InstallConfig(const std::string& directory, const std::string& name = kConfigProgram) {
    std::string exe = directory + "\\" + name;
    CopyFileA((BinDir() + "\\" + kConfigProgram).c_str(), exe.c_str(), FALSE);
    return exe;
  }
  // Starts the stub as the running recognizer of `dir`.
  static ::testing::AssertionResult RunStub(const std::string& directory) {
    InstallStub(directory);
    std::string exe = directory + "\\" + kWrapperProgram;
    StartProgram(exe);
    if (WaitFor([] { return FindWrapperWindow() != nullptr; }, kWait)) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "the stub recognizer did not start";
  }
  TempDir dir;
};

TEST_F(ConfigTest, WindowIsCentredFixedSizeWithItsTwoButtons) {
  ConfigProcess config(InstallConfig(dir.path));
  HWND window = config.Window();
  ASSERT_NE(window, nullptr) << "no window of class VKWConfigClass titled " << kWrapperTitle;

  RECT outer;
  GetWindowRect(window, &outer);
  EXPECT_EQ(outer.left, 287);  // (1024 - 450) / 2
  EXPECT_EQ(outer.top, 256);   // (768 - 256) / 2
  EXPECT_EQ(outer.right - outer.left, 450);
  EXPECT_EQ(outer.bottom - outer.top, 256);

  LONG style = GetWindowLongA(window, GWL_STYLE);
  EXPECT_EQ(style & (WS_CAPTION | WS_SYSMENU), WS_CAPTION | WS_SYSMENU);
  EXPECT_EQ(style & (WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX | WS_CHILD), 0);
  EXPECT_EQ(GetWindowLongA(window, GWL_EXSTYLE) & (WS_EX_TOOLWINDOW | WS_EX_TOPMOST), 0);
  // Wine gives only the style of another process's class (icon, cursor and
  // brush read as 0); the screenshot shows the painted background.
  EXPECT_EQ(GetClassLongPtrA(window, GCL_STYLE), static_cast<ULONG_PTR>(CS_HREDRAW | CS_VREDRAW));

  const struct {
    int id;
    const char* text;
    LONG style;
    RECT rect;  // in the settings window's client area
  } buttons[] = {
      {kSwitchId, "\x97\x4c\x8c\xf8" /* 有効 */, WS_CHILD | WS_VISIBLE | BS_AUTOCHECKBOX, {8, 168, 136, 192}},
      {kOkId, "OK", WS_CHILD | WS_VISIBLE | BS_PUSHBUTTON, {360, 184, 424, 208}},
  };
  for (const auto& b : buttons) {
    HWND child = GetDlgItem(window, b.id);
    ASSERT_NE(child, nullptr) << b.id;
    char name[32] = "", text[32] = "";
    GetClassNameA(child, name, sizeof name);
    GetWindowTextA(child, text, sizeof text);
    EXPECT_STREQ(CharUpperA(name), "BUTTON") << b.id;
    EXPECT_EQ(std::string(text), b.text) << b.id;
    EXPECT_EQ(GetWindowLongA(child, GWL_STYLE), b.style) << b.id;
    RECT rect;
    GetWindowRect(child, &rect);
    MapWindowPoints(nullptr, window, reinterpret_cast<POINT*>(&rect), 2);
    EXPECT_EQ(rect.left, b.rect.left) << b.id;
    EXPECT_EQ(rect.top, b.rect.top) << b.id;
    EXPECT_EQ(rect.right, b.rect.right) << b.id;
    EXPECT_EQ(rect.bottom, b.rect.bottom) << b.id;
  }

  // Commands other than OK and 105 are not ours: the window stays open.
  SendMessageA(window, WM_COMMAND, MAKEWPARAM(kSwitchId, BN_CLICKED), 0);
  SendMessageA(window, WM_COMMAND, MAKEWPARAM(1002, 0), 0);
  EXPECT_TRUE(IsWindow(window));

  PostMessageA(window, WM_CLOSE, 0, 0);
  EXPECT_EQ(config.ExitCode(), 0);
  EXPECT_FALSE(PathExists(Marker(dir.path)));
}

TEST_F(ConfigTest, SecondInstanceEndsAtOnceWithoutAWindow) {
  std::string exe = InstallConfig(dir.path);
  ConfigProcess first(exe);
  HWND window = first.Window();
  ASSERT_NE(window, nullptr);
  {
    ConfigProcess second(exe);
    ASSERT_NE(second.info.hProcess, nullptr);
    EXPECT_EQ(second.ExitCode(), 0);
  }
  EXPECT_EQ(CountSettingsWindows(), 1);
  EXPECT_EQ(SettingsOwner(), first.info.dwProcessId);
  EXPECT_FALSE(first.Exited());
  PostMessageA(window, WM_COMMAND, MAKEWPARAM(105, 1), 0);
  EXPECT_EQ(first.ExitCode(), 0);
}

enum class Finish { kOkClick, kOkCommand, kCloseBox, kCommand105 };

void FinishWith(HWND window, Finish finish) {
  switch (finish) {
    case Finish::kOkClick:
      SendMessageA(GetDlgItem(window, kOkId), BM_CLICK, 0, 0);
      break;
    case Finish::kOkCommand:  // only the low word counts
      PostMessageA(window, WM_COMMAND, MAKEWPARAM(kOkId, 0x1234), 0x5678);
      break;
    case Finish::kCloseBox:
      PostMessageA(window, WM_CLOSE, 0, 0);
      break;
    case Finish::kCommand105:
      PostMessageA(window, WM_COMMAND, MAKEWPARAM(105, 1), 0);
      break;
  }
}

TEST_F(ConfigTest, SwitchAppliesOnlyAChangeAndOnlyOnOk) {
  const char* const kAbsent = nullptr;
  const struct {
    const char* name;
    const char* markerBefore;  // content when the window opens, or absent
    const char* markerLater;   // written while the window is open, or nothing
    bool stubInstalled, stubRunning;
    int clicks;
    Finish finish;
    bool opensChecked;
    const char* markerAfter;
    bool started, closed;
  } cases[] = {
      {"absent: opens checked, OK unchanged does nothing", kAbsent, nullptr, true, false, 0, Finish::kOkClick, true,
       kAbsent, false, false},
      {"present: opens unchecked, OK unchanged does nothing", "x", nullptr, true, false, 0, Finish::kOkCommand, false,
       "x", false, false},
      {"toggle then close box applies nothing", kAbsent, nullptr, true, true, 1, Finish::kCloseBox, true, kAbsent,
       false, false},
      {"toggle then command 105 applies nothing", "x", nullptr, true, false, 1, Finish::kCommand105, false, "x", false,
       false},
      {"toggle twice then OK applies nothing", kAbsent, nullptr, true, true, 2, Finish::kOkClick, true, kAbsent, false,
       false},
      {"off: closes the recognizer, marker replaces longer content", kAbsent, "older and longer content\r\n", true,
       true, 1, Finish::kOkClick, true, "surpress", false, true},
      {"off with no recognizer running still writes the marker", kAbsent, nullptr, false, false, 1, Finish::kOkCommand,
       true, "surpress", false, false},
      {"on: starts the recognizer and deletes the marker", "surpress", nullptr, true, false, 1, Finish::kOkClick, false,
       kAbsent, true, false},
      {"on without vokira.exe still deletes the marker", "x", nullptr, false, false, 1, Finish::kOkClick, false,
       kAbsent, false, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TempDir plugin;
    std::string marker = Marker(plugin.path);
    if (c.markerBefore) WriteFileBytes(marker, c.markerBefore);
    if (c.stubRunning) {
      ASSERT_TRUE(RunStub(plugin.path));
    }
    if (c.stubInstalled) InstallStub(plugin.path);
    ConfigProcess config(InstallConfig(plugin.path));
    HWND window = config.Window();
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(IsChecked(window), c.opensChecked);
    if (c.markerLater) WriteFileBytes(marker, c.markerLater);
    for (int i = 0; i < c.clicks; ++i) ClickSwitch(window);
    EXPECT_EQ(IsChecked(window), c.opensChecked != (c.clicks % 2 == 1));
    FinishWith(window, c.finish);
    EXPECT_EQ(config.ExitCode(), 0);

    std::string expectedMarker = c.markerAfter ? c.markerAfter : c.markerLater ? c.markerLater : "";
    EXPECT_EQ(PathExists(marker), c.markerAfter != nullptr || c.markerLater != nullptr);
    EXPECT_EQ(ReadFileBytes(marker), expectedMarker);
    if (c.started) {
      EXPECT_TRUE(WaitFor([] { return FindWrapperWindow() != nullptr; }, kWait)) << "vokira.exe was not started";
    } else if (c.stubInstalled && !c.stubRunning) {
      PumpFor(2000);  // a start would have shown in the log by now
      EXPECT_FALSE(HasStart(StubLog(plugin.path))) << "vokira.exe was started";
    }
    if (c.stubRunning && c.closed) {
      // The send gives up after its bound; a busy stub may log later.
      EXPECT_TRUE(WaitFor([&] { return HasLine(StubLog(plugin.path), "close"); }, kWait));
      EXPECT_TRUE(WaitFor([] { return FindWrapperWindow() == nullptr; }, kWait));
    } else if (c.stubRunning) {
      EXPECT_FALSE(HasLine(StubLog(plugin.path), "close"));
      EXPECT_NE(FindWrapperWindow(), nullptr);
    }
    KillWrappers();
  }
}

// Switching on with a read-only marker: its attribute is cleared and it is
// deleted, so the next host start starts the recognizer. A folder that takes
// the marker's place while the window is open is left as it is (Wine keeps no
// read-only attribute on folders, so there it shows only that the folder stays).
TEST_F(ConfigTest, TurningOnRemovesAReadOnlyMarkerButNoFolder) {
  // Wine refuses to delete a read-only file, even for root, as Windows does:
  // only clearing the attribute lets the marker go.
  std::string probe = dir.path + "\\probe";
  WriteFileBytes(probe, "x");
  ASSERT_TRUE(SetFileAttributesA(probe.c_str(), FILE_ATTRIBUTE_READONLY));
  ASSERT_FALSE(DeleteFileA(probe.c_str()));

  const struct {
    const char* name;
    bool folderLater;  // the marker is replaced by a read-only folder
  } cases[] = {{"a read-only marker goes", false}, {"a folder named surpress.dat stays", true}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TempDir plugin;
    std::string marker = Marker(plugin.path);
    WriteFileBytes(marker, kSurpress);
    ASSERT_TRUE(SetFileAttributesA(marker.c_str(), FILE_ATTRIBUTE_READONLY));
    InstallStub(plugin.path);
    ConfigProcess config(InstallConfig(plugin.path));
    HWND window = config.Window();
    ASSERT_NE(window, nullptr);
    EXPECT_FALSE(IsChecked(window));
    if (c.folderLater) {
      SetFileAttributesA(marker.c_str(), FILE_ATTRIBUTE_NORMAL);
      ASSERT_TRUE(DeleteFileA(marker.c_str()));
      ASSERT_TRUE(CreateDirectoryA(marker.c_str(), nullptr));
      ASSERT_TRUE(SetFileAttributesA(marker.c_str(), FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_READONLY));
    }
    DWORD attributesBefore = GetFileAttributesA(marker.c_str());
    ClickSwitch(window);
    FinishWith(window, Finish::kOkClick);
    EXPECT_EQ(config.ExitCode(), 0);
    EXPECT_TRUE(WaitFor([] { return FindWrapperWindow() != nullptr; }, kWait)) << "vokira.exe was not started";
    if (c.folderLater) {
      EXPECT_EQ(GetFileAttributesA(marker.c_str()), attributesBefore) << "the folder was touched";
    } else {
      EXPECT_FALSE(PathExists(marker)) << "the read-only marker is still there";
    }
    KillWrappers();
  }
}

// Opens the settings program, which must show recognition on, turns it off
// with OK and waits for the program to end.
void TurnOffWithOk(const std::string& exe) {
  ConfigProcess config(exe);
  HWND window = config.Window();
  ASSERT_NE(window, nullptr);
  ASSERT_TRUE(IsChecked(window));
  ClickSwitch(window);
  FinishWith(window, Finish::kOkClick);
  EXPECT_EQ(config.ExitCode(), 0);
}

// A fake recognizer window in this process notes what the marker file held
// when WM_CLOSE arrived.
std::string g_markerPath;
std::string g_markerAtClose;
bool g_closeSeen;

LRESULT CALLBACK FakeWrapperProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_CLOSE) {
    g_closeSeen = true;
    g_markerAtClose = PathExists(g_markerPath) ? ReadFileBytes(g_markerPath) : "(absent)";
    DestroyWindow(window);
    return 0;
  }
  return DefWindowProcA(window, message, wParam, lParam);
}

TEST_F(ConfigTest, TurningOffClosesTheRecognizerBeforeWritingTheMarker) {
  HWND fake = CreateTestWindow(kWrapperClass, kWrapperTitle, FakeWrapperProc);
  ASSERT_NE(fake, nullptr);
  g_markerPath = Marker(dir.path);
  g_closeSeen = false;

  ConfigProcess config(InstallConfig(dir.path));
  HWND window = config.Window();
  ASSERT_NE(window, nullptr);
  ASSERT_TRUE(IsChecked(window));
  WriteFileBytes(g_markerPath, "old");
  ClickSwitch(window);
  FinishWith(window, Finish::kOkCommand);
  EXPECT_EQ(config.ExitCode(), 0);  // waits handling messages: WM_CLOSE reaches the fake
  EXPECT_TRUE(g_closeSeen);
  EXPECT_EQ(g_markerAtClose, "old") << "the marker was written before the recognizer was closed";
  EXPECT_EQ(ReadFileBytes(g_markerPath), kSurpress);
  if (IsWindow(fake)) DestroyWindow(fake);
  UnregisterClassA(kWrapperClass, GetModuleHandleA(nullptr));
}

// A directory named surpress.dat cannot be opened as a file, for reading or
// writing, even by root: recognition counts as on, and turning it off finds
// no file to write.
TEST_F(ConfigTest, UnopenableMarkerCountsAsOnAndOkStillCloses) {
  ASSERT_TRUE(CreateDirectoryA(Marker(dir.path).c_str(), nullptr));
  ASSERT_TRUE(RunStub(dir.path));
  TurnOffWithOk(InstallConfig(dir.path));
  EXPECT_TRUE(WaitFor([this] { return HasLine(StubLog(dir.path), "close"); }, kWait));
  DWORD attributes = GetFileAttributesA(Marker(dir.path).c_str());
  EXPECT_TRUE(attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY));
}

std::vector<std::string> FileNames(const std::string& dir) {
  std::vector<std::string> names;
  WIN32_FIND_DATAA found;
  HANDLE search = FindFirstFileA((dir + "\\*").c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return names;
  do {
    std::string name = found.cFileName;
    if (name != "." && name != "..") names.push_back(name);
  } while (FindNextFileA(search, &found));
  FindClose(search);
  std::sort(names.begin(), names.end());
  return names;
}

// Shift_JIS names whose trail byte is 0x5C, the byte of '\'. A search for
// the last backslash passes the directory case and fails the file name case.
TEST_F(ConfigTest, TrailByte5CNeverEndsTheDirectory) {
  const struct {
    const char* name;
    std::string subdirectory;
    std::string program;
  } cases[] = {
      {"directory 表示", kHyouji, kConfigProgram},
      {"program ソ.exe", "plain", kSo + ".exe"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    std::string plugin = dir.path + "\\" + c.subdirectory;
    ASSERT_TRUE(CreateDirectoryA(plugin.c_str(), nullptr));
    std::string exe = InstallConfig(plugin, c.program);
    ASSERT_TRUE(PathExists(exe));
    TurnOffWithOk(exe);
    EXPECT_EQ(ReadFileBytes(Marker(plugin)), kSurpress);
    std::vector<std::string> expected = {c.program, kMarkerFile};
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(FileNames(plugin), expected) << "a file appeared elsewhere";
    // And it finds the marker there when it opens again.
    ConfigProcess again(exe);
    HWND window = again.Window();
    ASSERT_NE(window, nullptr);
    EXPECT_FALSE(IsChecked(window));
    PostMessageA(window, WM_CLOSE, 0, 0);
    EXPECT_EQ(again.ExitCode(), 0);
  }
}

// The icon the class loads, as the system's loader reads it from config.exe.
TEST(ConfigIcon, LoadsAtBothSizesFromTheProgram) {
  HMODULE program = LoadLibraryExA((BinDir() + "\\" + kConfigProgram).c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
  ASSERT_NE(program, nullptr);
  for (int size : {32, 16}) {
    HICON icon = static_cast<HICON>(LoadImageA(program, "IDI_VOKIRA", IMAGE_ICON, size, size, 0));
    ASSERT_NE(icon, nullptr) << size;
    ICONINFO info = {};
    ASSERT_TRUE(GetIconInfo(icon, &info)) << size;
    BITMAP colour = {};
    GetObjectA(info.hbmColor, sizeof colour, &colour);
    EXPECT_EQ(colour.bmWidth, size);
    EXPECT_EQ(colour.bmHeight, size);
    DeleteObject(info.hbmColor);
    DeleteObject(info.hbmMask);
    DestroyIcon(icon);
  }
  FreeLibrary(program);
}

bool IsAnsiLead(unsigned char byte) { return IsDBCSLeadByte(byte) != FALSE; }

// The split with Wine's own code page 932 table, and the module path read
// through a buffer far too small at first.
TEST(OwnDirectory, SplitsWithTheAnsiCodePageAndReadsTheWholePath) {
  ASSERT_EQ(GetACP(), 932u);
  EXPECT_EQ(DirectoryOfPath("C:\\x\\" + kSo + ".exe", IsAnsiLead), "C:\\x\\");
  EXPECT_EQ(DirectoryOfPath("C:\\" + kHyouji + "\\config.exe", IsAnsiLead), "C:\\" + kHyouji + "\\");
  std::string whole = ReadModulePath(65536);
  ASSERT_GT(whole.size(), 10u);
  EXPECT_EQ(ReadModulePath(3), whole);
  EXPECT_EQ(OwnDirectory(), BinDir() + "\\");
}

// Captures the screen rectangle of the window's client area as 0x00RRGGBB.
std::vector<uint32_t> CaptureClient(HWND window, int width, int height) {
  POINT origin = {0, 0};
  ClientToScreen(window, &origin);
  HDC screen = GetDC(nullptr);
  HDC memory = CreateCompatibleDC(screen);
  BITMAPINFO info = {};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;  // top row first
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  void* bits = nullptr;
  HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  HGDIOBJ old = SelectObject(memory, bitmap);
  BitBlt(memory, 0, 0, width, height, screen, origin.x, origin.y, SRCCOPY);
  GdiFlush();
  std::vector<uint32_t> pixels(static_cast<const uint32_t*>(bits),
                               static_cast<const uint32_t*>(bits) + static_cast<size_t>(width) * height);
  for (uint32_t& p : pixels) p &= 0xFFFFFF;
  SelectObject(memory, old);
  DeleteObject(bitmap);
  DeleteDC(memory);
  ReleaseDC(nullptr, screen);
  return pixels;
}

TEST_F(ConfigTest, ScreenshotShowsSixTextRowsOnButtonFace) {
  ConfigProcess config(InstallConfig(dir.path));
  HWND window = config.Window();
  ASSERT_NE(window, nullptr);
  RECT client;
  GetClientRect(window, &client);
  const int width = client.right, height = client.bottom;
  ASSERT_GT(height, 140);
  COLORREF face = GetSysColor(COLOR_BTNFACE);
  const uint32_t kFace = (GetRValue(face) << 16) | (GetGValue(face) << 8) | GetBValue(face);
  auto at = [&](const std::vector<uint32_t>& pixels, int x, int y) {
    return pixels[static_cast<size_t>(y) * width + x];
  };

  // Uncovering the window repaints it whole; wait until the paint has landed.
  RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
  std::vector<uint32_t> pixels;
  WaitFor(
      [&] {
        pixels = CaptureClient(window, width, height);
        return at(pixels, width - 4, 4) == kFace && at(pixels, 200, 150) == kFace;
      },
      kWait);
  std::string png = BinDir() + "\\config-window.png";
  EXPECT_TRUE(WritePng(png, width, height, pixels)) << png;

  // Background: the button-face colour, also where the class's white would show.
  for (POINT p : {POINT{width - 4, 4}, POINT{200, 150}, POINT{4, height - 4}, POINT{width - 4, 60}})
    EXPECT_EQ(at(pixels, p.x, p.y), kFace) << "at " << p.x << "," << p.y;
  // Each text row has dark (text) pixels from x = 8 on and none left of it;
  // all but the engine's name (a fixed text) end before the window's edge.
  for (int y : {8, 28, 68, 88, 108, 128}) {
    int dark = 0, leftOfText = 0, atEdge = 0;
    for (int row = y; row < y + 12; ++row)
      for (int x = 0; x < width; ++x) {
        uint32_t p = at(pixels, x, row);
        bool isDark = ((p >> 16) & 0xFF) + ((p >> 8) & 0xFF) + (p & 0xFF) < 3 * 96;
        dark += isDark;
        leftOfText += isDark && x < 8;
        atEdge += isDark && x >= width - 4;
      }
    EXPECT_GT(dark, 20) << "row at y = " << y << " has no text";
    EXPECT_EQ(leftOfText, 0) << "row at y = " << y;
    if (y != 68) {
      EXPECT_EQ(atEdge, 0) << "row at y = " << y << " runs off the window";
    }
  }
  PostMessageA(window, WM_CLOSE, 0, 0);
  EXPECT_EQ(config.ExitCode(), 0);
}

}  // namespace
