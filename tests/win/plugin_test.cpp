// The plug-in as the host sees it: vokira.dll loaded with LoadLibrary, called
// through its exports, with the stub standing in for the recognizer.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "common/names.h"
#include "common/wrapper_win.h"
#include "tests/win/process_counts.h"
#include "tests/win/testbench.h"

namespace {

const std::string kOk = "PLUGIN/2.0 200 OK\r\nCharset: Shift_JIS\r\n\r\n";
const std::string kVersion = "PLUGIN/2.0 200 OK\r\nCharset: Shift_JIS\r\nValue: VOKIRA/1.0\r\n\r\n";
const std::string kBad = "PLUGIN/2.0 400 Bad Request\r\n\r\n";

// Long enough for a Wine process to start on a slow, busy machine: the first
// programs in a new Wine prefix can take tens of seconds.
constexpr DWORD kStartWait = 60000;

class PluginTest : public ::testing::Test {
 protected:
  void SetUp() override {
    KillWrappers();
    ASSERT_NE(plugin.module, nullptr);
    ASSERT_TRUE(plugin.load && plugin.request && plugin.unload);
  }
  void TearDown() override {
    DeleteFileA((dir.path + "\\wrapper-stub.hang").c_str());
    KillWrappers();
  }
  bool StubRunning() const { return FindWrapperWindow() != nullptr; }
  // On failure, says how far the stub got, so a slow start can be told from a missing one.
  ::testing::AssertionResult WaitForStub() {
    if (WaitFor([this] { return StubRunning(); }, kStartWait)) return ::testing::AssertionSuccess();
    ::testing::AssertionResult failure = ::testing::AssertionFailure();
    failure << "no recognizer window; " << kWrapperProgram
            << (PathExists(dir.path + "\\" + kWrapperProgram) ? " installed" : " missing") << "; stub log:";
    for (const std::string& line : StubLog(dir.path)) failure << " [" << line << "]";
    return failure;
  }
  TempDir dir;
  Plugin plugin;
};

TEST_F(PluginTest, RepliesAreExactAndBlocksHoldExactlyTheReply) {
  ASSERT_EQ(plugin.Load(dir.path), TRUE);
  const struct {
    const char* name;
    std::string request;
    std::string reply;
  } cases[] = {
      {"version", "GET PLUGIN/2.0\r\nID: version\r\nCharset: Shift_JIS\r\n\r\n", kVersion},
      {"version without closing line end", "GET PLUGIN/2.0\r\nID: version", kVersion},
      {"capital Version", "GET PLUGIN/2.0\r\nID: Version\r\n\r\n", kOk},
      {"ID without space after colon", "GET PLUGIN/2.0\r\nID:version\r\n\r\n", kOk},
      {"notify", "NOTIFY PLUGIN/2.0\r\nID: OnSecondChange\r\n\r\n", kOk},
      {"unknown ID", "GET PLUGIN/2.0\r\nID: nonsense\r\n\r\n", kOk},
      {"request line only", "GET PLUGIN/2.0\r\n\r\n", kOk},
      {"later ID wins", "GET PLUGIN/2.0\r\nID: version\r\nID: other\r\n\r\n", kOk},
      {"empty", "", kBad},
      {"zero bytes inside", std::string("GET PLUGIN/2.0\r\nID: ver\0sion\r\n\r\n", 32), kOk},
  };
  for (const auto& c : cases) {
    Reply reply = plugin.Request(c.request);
    ASSERT_TRUE(reply.returned) << c.name;
    EXPECT_EQ(reply.bytes, c.reply) << c.name;
    EXPECT_EQ(reply.len, static_cast<long>(c.reply.size())) << c.name;
  }
  EXPECT_EQ(plugin.Unload(), TRUE);
}

TEST_F(PluginTest, BadArgumentsFromTheHostAreAnsweredNotTrusted) {
  ASSERT_EQ(plugin.load(nullptr, 10), TRUE);
  ASSERT_EQ(plugin.load(FixedBlock("abc"), -5), TRUE);

  long len = 40;
  HGLOBAL block = plugin.request(nullptr, &len);
  ASSERT_NE(block, nullptr);
  EXPECT_EQ(std::string(static_cast<char*>(block), len), kBad);
  GlobalFree(block);

  len = -1;
  block = plugin.request(FixedBlock("GET PLUGIN/2.0\r\nID: version\r\n\r\n"), &len);
  ASSERT_NE(block, nullptr);
  EXPECT_EQ(std::string(static_cast<char*>(block), len), kBad);
  GlobalFree(block);

  EXPECT_EQ(plugin.request(FixedBlock("GET PLUGIN/2.0\r\nID: version\r\n\r\n"), nullptr), nullptr);
  EXPECT_EQ(plugin.Unload(), TRUE);
}

#if defined(__i386__)
// i686 only (x86-64 has one calling convention). The host calls the exports
// as cdecl: the caller takes the arguments off the stack afterwards. An
// export built stdcall would pop them itself, and every host call would
// leave the host's stack off by that much. Calls `function(0, 0)` with the
// arguments pushed by hand and returns how many bytes of them it popped.
int BytesPoppedByCallee(void* function) {
  int popped = 0;
  __asm__ volatile(
      "movl %%esp, %%esi\n\t"  // esi is kept across calls by either convention
      "pushl $0\n\t"
      "pushl $0\n\t"
      "call *%1\n\t"
      "movl %%esp, %0\n\t"
      "subl %%esi, %0\n\t"
      "addl $8, %0\n\t"
      "movl %%esi, %%esp"
      : "=&a"(popped)
      : "b"(function)
      : "ecx", "edx", "esi", "memory", "cc");
  return popped;
}

TEST_F(PluginTest, ExportsLeavePoppingTheirArgumentsToTheCaller) {
  const struct {
    const char* name;  // load(null, 0) and request(null, null) are harmless
    void* function;
  } exports[] = {
      {"load", reinterpret_cast<void*>(plugin.load)},
      {"request", reinterpret_cast<void*>(plugin.request)},
  };
  for (const auto& e : exports) EXPECT_EQ(BytesPoppedByCallee(e.function), 0) << e.name;
  EXPECT_EQ(plugin.Unload(), TRUE);
}
#endif

TEST_F(PluginTest, LoadStartsTheRecognizerAndUnloadClosesIt) {
  InstallStub(dir.path);
  ASSERT_EQ(plugin.Load(dir.path), TRUE);
  ASSERT_TRUE(WaitForStub()) << "vokira.exe was not started";
  EXPECT_EQ(plugin.Unload(), TRUE);
  EXPECT_TRUE(WaitFor([this] { return !StubRunning(); }, kStartWait));
  std::vector<std::string> log = StubLog(dir.path);
  ASSERT_FALSE(log.empty());
  EXPECT_EQ(log.front().rfind("start", 0), 0u);
  EXPECT_NE(std::find(log.begin(), log.end(), "close"), log.end());
}

TEST_F(PluginTest, DirectoryEndingInBackslashStillNamesTheRecognizer) {
  InstallStub(dir.path);
  ASSERT_EQ(plugin.Load(dir.path + "\\"), TRUE);
  EXPECT_TRUE(WaitForStub());
  EXPECT_EQ(plugin.Unload(), TRUE);
}

TEST_F(PluginTest, MarkerFileKeepsTheRecognizerStoppedButTheTimerRuns) {
  InstallStub(dir.path);
  WriteFileBytes(dir.path + "\\" + kMarkerFile, "surpress");
  ASSERT_EQ(plugin.Load(dir.path), TRUE);
  EXPECT_GE(CountTimerTicks(2000), 1) << "the timer does not run";
  EXPECT_FALSE(StubRunning());
  EXPECT_TRUE(StubLog(dir.path).empty()) << "vokira.exe was started despite the marker";
  EXPECT_EQ(plugin.Unload(), TRUE);
}

TEST_F(PluginTest, UnloadWithoutRecognizerReturnsOne) {
  ASSERT_EQ(plugin.Load(dir.path), TRUE);
  EXPECT_EQ(plugin.Unload(), TRUE);
}

// A hung recognizer is still hung when unload returns: the send gave up
// instead of waiting for it.
TEST_F(PluginTest, HungRecognizerDoesNotHoldUnload) {
  InstallStub(dir.path);
  ASSERT_EQ(plugin.Load(dir.path), TRUE);
  ASSERT_TRUE(WaitForStub());
  WriteFileBytes(dir.path + "\\wrapper-stub.hang", "");
  EXPECT_EQ(plugin.Unload(), TRUE);
  // The stub logs "close" when it starts handling WM_CLOSE, which a busy
  // machine may delay past the send's bound.
  std::vector<std::string> log;
  EXPECT_TRUE(WaitFor(
      [&] {
        log = StubLog(dir.path);
        return std::find(log.begin(), log.end(), "close") != log.end();
      },
      kStartWait))
      << "WM_CLOSE never arrived";
  EXPECT_TRUE(StubRunning()) << "the stub stopped hanging before unload returned";
  EXPECT_EQ(std::find(log.begin(), log.end(), "exit"), log.end());
}

// The two counters see a leak of one handle and of one block.
TEST(LeakCounters, SeeOneHandleAndOneBlock) {
  int handles = OpenHandleCount();
  HANDLE event = CreateEventA(nullptr, FALSE, FALSE, nullptr);
  EXPECT_EQ(OpenHandleCount(), handles + 1);
  CloseHandle(event);
  EXPECT_EQ(OpenHandleCount(), handles);

  size_t bytes = CommittedPrivateBytes();
  void* block = VirtualAlloc(nullptr, 1 << 20, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
  EXPECT_GE(CommittedPrivateBytes(), bytes + (1 << 20));
  VirtualFree(block, 0, MEM_RELEASE);
}

// The host may unload and load the plug-in again in the same process.
TEST_F(PluginTest, RepeatedLoadUnloadLeavesNothingBehind) {
  WriteFileBytes(dir.path + "\\" + kMarkerFile, "surpress");
  auto cycle = [&] {
    ASSERT_EQ(plugin.Load(dir.path), TRUE);
    ASSERT_EQ(plugin.Request("GET PLUGIN/2.0\r\nID: version\r\n\r\n").bytes, kVersion);
    ASSERT_EQ(plugin.Unload(), TRUE);
  };
  for (int i = 0; i < 10; ++i) cycle();
  PumpFor(100);
  int handles = OpenHandleCount();
  size_t bytes = CommittedPrivateBytes();
  for (int i = 0; i < 100; ++i) cycle();
  EXPECT_EQ(OpenHandleCount(), handles);
  EXPECT_LT(CommittedPrivateBytes(), bytes + size_t{256} * 1024);

  // No timer outlives unload: nothing ticks on this thread any more.
  EXPECT_EQ(CountTimerTicks(1000), 0);
}

// A load that follows a load without unload replaces the timer instead of
// adding a second one.
TEST_F(PluginTest, SecondLoadWithoutUnloadKeepsOneTimer) {
  WriteFileBytes(dir.path + "\\" + kMarkerFile, "surpress");
  ASSERT_EQ(plugin.Load(dir.path), TRUE);
  ASSERT_EQ(plugin.Load(dir.path), TRUE);
  ASSERT_EQ(plugin.Unload(), TRUE);
  EXPECT_EQ(CountTimerTicks(1000), 0);
}

// The host reloads plug-ins when the user asks: the library, loaded and freed
// again, leaves no memory behind (the C++ runtime's exception pool was 73 KB
// a reload on x86-64, 18 KB on i686), bare or after a session. On i686 the
// unwinder's frame-registration lock, a semaphore that each loaded copy of the
// runtime creates and never closes, costs one handle a reload; a lock made on
// first use (a function-local static's guard) would cost one more, but only
// once the library has been used.
TEST(LibraryReload, LeavesNoMemoryBehind) {
  TempDir dir;
  WriteFileBytes(dir.path + "\\" + kMarkerFile, "surpress");
  for (bool used : {false, true}) {
    SCOPED_TRACE(used ? "after a session" : "bare");
    auto reload = [&] {
      Plugin plugin;
      ASSERT_NE(plugin.module, nullptr);
      if (!used) return;
      ASSERT_EQ(plugin.Load(dir.path), TRUE);
      ASSERT_EQ(plugin.Request("NOTIFY PLUGIN/2.0\r\nID: ghostpathlist\r\nReference0: " + dir.path + "\r\n\r\n").bytes,
                kOk);
      ASSERT_EQ(plugin.Request("NOTIFY PLUGIN/2.0\r\nID: OnGhostBoot\r\nReference1: Nobody\r\n\r\n").bytes, kOk);
      ASSERT_EQ(plugin.Unload(), TRUE);
    };
    for (int i = 0; i < 5; ++i) reload();
    int handles = OpenHandleCount();
    size_t bytes = CommittedPrivateBytes();
    const int kCycles = 200;
    for (int i = 0; i < kCycles; ++i) reload();
    const int handlesPerReload = sizeof(void*) == 4 ? 1 : 0;
    EXPECT_LE(OpenHandleCount(), handles + handlesPerReload * kCycles);
    // 512 KB in all: 2.6 KB a reload, far below the runtime's pool.
    EXPECT_LT(CommittedPrivateBytes(), bytes + size_t{512} * 1024);
  }
}

// The request blocks the host hands over are freed: 200 requests of 1 MB
// each would otherwise keep 200 MB.
TEST_F(PluginTest, RequestBlocksAreFreed) {
  WriteFileBytes(dir.path + "\\" + kMarkerFile, "surpress");
  ASSERT_EQ(plugin.Load(dir.path), TRUE);
  const std::string big = "GET PLUGIN/2.0\r\nID: version\r\nX-Pad: " + std::string(1 << 20, 'x') + "\r\n\r\n";
  for (int i = 0; i < 5; ++i) ASSERT_EQ(plugin.Request(big).bytes, kVersion);
  size_t bytes = CommittedPrivateBytes();
  for (int i = 0; i < 200; ++i) ASSERT_EQ(plugin.Request(big).bytes, kVersion);
  EXPECT_LT(CommittedPrivateBytes(), bytes + (size_t{16} << 20));
  EXPECT_EQ(plugin.Unload(), TRUE);
}

// The times of the thread timer's ticks over `ms`.
std::vector<DWORD> TickTimes(DWORD ms) {
  std::vector<DWORD> times;
  DWORD start = GetTickCount();
  for (DWORD elapsed; (elapsed = GetTickCount() - start) < ms;) {
    MsgWaitForMultipleObjects(0, nullptr, FALSE, ms - elapsed, QS_ALLINPUT);
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
      if (msg.message == WM_TIMER && !msg.hwnd) times.push_back(GetTickCount());
      DispatchMessageA(&msg);
    }
  }
  return times;
}

// Four ticks a second. A busy machine delays ticks and so lengthens some
// intervals; the lower quartile of the intervals stays near the period.
TEST_F(PluginTest, TimerTicksEvery250Milliseconds) {
  WriteFileBytes(dir.path + "\\" + kMarkerFile, "surpress");
  ASSERT_EQ(plugin.Load(dir.path), TRUE);
  std::vector<DWORD> times = TickTimes(6000);
  ASSERT_GE(times.size(), 9u) << "the timer hardly runs";
  std::vector<DWORD> intervals;
  for (size_t i = 1; i < times.size(); ++i) intervals.push_back(times[i] - times[i - 1]);
  std::sort(intervals.begin(), intervals.end());
  DWORD lowerQuartile = intervals[intervals.size() / 4];
  EXPECT_GT(lowerQuartile, 125u);
  EXPECT_LT(lowerQuartile, 400u);
  EXPECT_EQ(plugin.Unload(), TRUE);
}

// Only a marker that opens for reading stops the recognizer: a folder of that
// name, or a marker another program holds open without sharing, does not.
TEST(UnopenableMarker, DoesNotStopTheRecognizer) {
  const struct {
    const char* name;
    bool folder;
  } cases[] = {{"a folder named surpress.dat", true}, {"a marker held open without sharing", false}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    KillWrappers();
    TempDir dir;
    InstallStub(dir.path);
    std::string marker = dir.path + "\\" + kMarkerFile;
    HANDLE held = INVALID_HANDLE_VALUE;
    if (c.folder) {
      ASSERT_TRUE(CreateDirectoryA(marker.c_str(), nullptr));
    } else {
      held = CreateFileA(marker.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
      ASSERT_NE(held, INVALID_HANDLE_VALUE);
    }
    Plugin plugin;
    ASSERT_EQ(plugin.Load(dir.path), TRUE);
    EXPECT_TRUE(WaitFor([] { return FindWrapperWindow() != nullptr; }, kStartWait)) << "vokira.exe was not started";
    EXPECT_EQ(plugin.Unload(), TRUE);
    if (held != INVALID_HANDLE_VALUE) CloseHandle(held);
    KillWrappers();
  }
}

// A host that counts a final zero byte in load's length: the directory ends
// there, so vokira.exe and the marker are found as usual (instead of the
// folder itself being opened).
TEST(LoadLength, CountingAFinalZeroStillFindsTheFiles) {
  const struct {
    const char* name;
    bool marker;
  } cases[] = {{"no marker: the recognizer starts", false}, {"marker: nothing starts", true}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    KillWrappers();
    TempDir dir;
    InstallStub(dir.path);
    if (c.marker) WriteFileBytes(dir.path + "\\" + kMarkerFile, "surpress");
    Plugin plugin;
    std::string text = dir.path + std::string(1, '\0');
    ASSERT_EQ(plugin.load(FixedBlock(text), static_cast<long>(text.size())), TRUE);
    if (c.marker) {
      PumpFor(2000);  // a start would have shown in the log by now
      EXPECT_TRUE(StubLog(dir.path).empty()) << "vokira.exe was started despite the marker";
    } else {
      EXPECT_TRUE(WaitFor([&] { return !StubLog(dir.path).empty(); }, kStartWait)) << "vokira.exe was not started";
    }
    EXPECT_EQ(plugin.Unload(), TRUE);
    KillWrappers();
  }
}

}  // namespace
