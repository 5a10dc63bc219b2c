// Ghost events and the timer's re-announcements, with the stub recognizer
// logging every activation it receives.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "common/names.h"
#include "common/wrapper_win.h"
#include "plugin/dispatch_win.h"
#include "plugin/registry.h"
#include "plugin/request.h"
#include "tests/win/registry_fixture.h"
#include "tests/win/remove_tree.h"
#include "tests/win/testbench.h"

namespace {

constexpr DWORD kStartWait = 60000;

// An activation as the stub logs it, without the decoded name:
// "flag=1 bytes=2 hex=45 6D".
std::string Expected(int flag, const std::string& sakura) {
  std::string line = "flag=" + std::to_string(flag) + " bytes=" + std::to_string(sakura.size()) + " hex=";
  char byte[4];
  for (size_t i = 0; i < sakura.size(); ++i) {
    std::snprintf(byte, sizeof byte, "%s%02X", i ? " " : "", static_cast<unsigned char>(sakura[i]));
    line += byte;
  }
  return line;
}

// The activations the stub logged after the first `skip` of them.
std::vector<std::string> Activations(const std::string& dir, size_t skip = 0) {
  std::vector<std::string> found;
  for (const std::string& line : StubLog(dir)) {
    if (line.rfind("activation ", 0) != 0) continue;
    size_t name = line.find(" name=");
    found.push_back(line.substr(11, name - 11));
  }
  found.erase(found.begin(), found.begin() + static_cast<std::ptrdiff_t>(std::min(skip, found.size())));
  return found;
}

std::string GhostEvent(const char* id, const char* name) {
  std::string text = std::string("NOTIFY PLUGIN/2.0\r\nID: ") + id +
                     "\r\nCharset: Shift_JIS\r\nReference0: 1\x01"
                     "2\r\n";
  if (name) text += std::string("Reference1: ") + name + "\r\n";
  return text + "Reference2: master\r\nReference3: id\r\nReference4: C:\\ssp\\ghost\\x\\\r\n\r\n";
}

// Waits for the recognizer's window without dispatching anything, so that no
// tick runs behind the test's back.
bool WaitForWindowQuietly(bool present) {
  for (DWORD start = GetTickCount(); GetTickCount() - start < kStartWait; Sleep(20))
    if ((FindWrapperWindow() != nullptr) == present) return true;
  return false;
}

// Dispatches exactly one tick of the plug-in's thread timer.
bool RunOneTick() {
  DWORD start = GetTickCount();
  MSG msg;
  while (!PeekMessageA(&msg, nullptr, WM_TIMER, WM_TIMER, PM_REMOVE)) {
    if (GetTickCount() - start > 10000) return false;
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 50, QS_TIMER);
  }
  DispatchMessageA(&msg);
  return true;
}

class EventsTest : public ::testing::Test {
 protected:
  void SetUp() override { KillWrappers(); }
  void TearDown() override {
    DeleteFileA((dir.path + "\\wrapper-stub.hang").c_str());
    KillWrappers();
  }
  void StartStub() {
    InstallStub(dir.path);
    StartProgram(dir.path + "\\" + kWrapperProgram);
    ASSERT_TRUE(WaitForWindowQuietly(true)) << "the stub did not start";
  }
  TempDir dir;     // the plug-in directory
  TempDir ghosts;  // the ghost root
};

// The handlers as the dispatch runs them, without a timer in the process.
TEST_F(EventsTest, EachEventSendsWhatItsRuleSays) {
  StartStub();
  WriteGhost(ghosts.path, "emily", "name,Emily\r\nsakura.name,Em\r\n");
  WriteGhost(ghosts.path, "blank", "name,Blank\r\n");
  GhostPathList(ghosts.path);
  ASSERT_EQ(Ghosts().size(), 2u);

  struct Event {
    const char* id;
    const char* name;  // null: no Reference1 line at all
  };
  const struct {
    const char* name;
    std::vector<Event> events;
    std::vector<std::string> sent;
    bool activeAfter;
  } cases[] = {
      {"two boots send two",
       {{"OnGhostBoot", "Emily"}, {"OnGhostBoot", "Emily"}},
       {Expected(1, "Em"), Expected(1, "Em")},
       true},
      {"two updates of an inactive ghost send one",
       {{"OnGhostInfoUpdate", "Emily"}, {"OnGhostInfoUpdate", "Emily"}},
       {Expected(1, "Em")},
       true},
      {"an update after a boot sends nothing more",
       {{"OnGhostBoot", "Emily"}, {"OnGhostInfoUpdate", "Emily"}},
       {Expected(1, "Em")},
       true},
      {"exit of an inactive ghost still sends flag 0", {{"OnGhostExit", "Emily"}}, {Expected(0, "Em")}, false},
      {"boot then exit",
       {{"OnGhostBoot", "Emily"}, {"OnGhostExit", "Emily"}},
       {Expected(1, "Em"), Expected(0, "Em")},
       false},
      {"empty Reference1", {{"OnGhostBoot", ""}, {"OnGhostExit", ""}}, {}, false},
      {"no Reference1", {{"OnGhostBoot", nullptr}, {"OnGhostInfoUpdate", nullptr}}, {}, false},
      {"a name is matched exactly", {{"OnGhostBoot", "emily"}, {"OnGhostBoot", "Emily "}}, {}, false},
      {"an uninstalled ghost", {{"OnGhostBoot", "Nobody"}, {"OnGhostExit", "Nobody"}}, {}, false},
  };
  for (const auto& c : cases) {
    AccessGhost("Emily").active = false;
    size_t before = Activations(dir.path).size();
    for (const Event& e : c.events) ASSERT_EQ(HandleRequest(GhostEvent(e.id, e.name), RunHandler), kReplyOk);
    EXPECT_EQ(Activations(dir.path, before), c.sent) << c.name;
    EXPECT_EQ(FindGhost("Emily")->active, c.activeAfter) << c.name;
    EXPECT_EQ(Ghosts().size(), 2u) << c.name << ": an event created an entry";
  }

  size_t before = Activations(dir.path).size();
  HandleRequest(GhostEvent("OnGhostBoot", "Blank"), RunHandler);
  EXPECT_EQ(Activations(dir.path, before), std::vector<std::string>{Expected(1, "")}) << "empty sakura name";
}

// The plug-in as the host loads it, with the timer dispatched one tick at a
// time so that counts never depend on timing.
class TimerTest : public EventsTest {
 protected:
  void SetUp() override {
    EventsTest::SetUp();
    ASSERT_NE(plugin.module, nullptr);
    // Ghost names in the opposite order of their sakura names.
    WriteGhost(ghosts.path, "1", "name,a-ghost\nsakura.name,Zed\n");
    WriteGhost(ghosts.path, "2", "name,b-ghost\nsakura.name,Mid\n");
    WriteGhost(ghosts.path, "3", "name,c-ghost\nsakura.name,Alpha\n");
    WriteGhost(ghosts.path, "4", "name,d-ghost\nsakura.name,Idle\n");
    InstallStub(dir.path);
    ASSERT_EQ(plugin.Load(dir.path), TRUE);
    ASSERT_TRUE(WaitForWindowQuietly(true)) << "load did not start the stub";
    PathList(ghosts.path + "\\");
    for (const char* name : {"c-ghost", "a-ghost", "b-ghost"}) plugin.Request(GhostEvent("OnGhostBoot", name));
    ASSERT_EQ(Activations(dir.path).size(), 3u);
  }
  void TearDown() override {
    plugin.Unload();
    EventsTest::TearDown();
  }
  void PathList(const std::string& root) {
    plugin.Request("GET PLUGIN/2.0\r\nID: ghostpathlist\r\nReference0: " + root + "\r\n\r\n");
  }
  std::vector<std::vector<std::string>> TicksWithNestedRequest(const std::string& nested, int ticks);
  // Six more ghosts, and every ghost booted: ten running. Gives the ghost
  // name of each activation the stub can log.
  std::map<std::string, std::string> BootTenGhosts() {
    std::map<std::string, std::string> ghostOf = {{Expected(1, "Zed"), "a-ghost"},
                                                  {Expected(1, "Mid"), "b-ghost"},
                                                  {Expected(1, "Alpha"), "c-ghost"},
                                                  {Expected(1, "Idle"), "d-ghost"}};
    for (char c = 'e'; c <= 'j'; ++c) {
      std::string name = std::string(1, c) + "-ghost", sakura = std::string("S") + static_cast<char>('j' - c + 'a');
      WriteGhost(ghosts.path, std::string(1, c), "name," + name + "\nsakura.name," + sakura + "\n");
      ghostOf[Expected(1, sakura)] = name;
    }
    PathList(ghosts.path + "\\");
    for (const auto& entry : ghostOf) plugin.Request(GhostEvent("OnGhostBoot", entry.second.c_str()));
    EXPECT_EQ(Activations(dir.path).size(), 3u + ghostOf.size());
    return ghostOf;
  }
  // What each of `ticks` ticks sent.
  std::vector<std::vector<std::string>> Ticks(int ticks) {
    std::vector<std::vector<std::string>> sent;
    for (int i = 0; i < ticks; ++i) {
      size_t before = Activations(dir.path).size();
      EXPECT_TRUE(RunOneTick()) << "the timer does not run";
      sent.push_back(Activations(dir.path, before));
    }
    return sent;
  }
  Plugin plugin;
};

using Batches = std::vector<std::vector<std::string>>;

TEST_F(TimerTest, ReannouncesFromTheThirdTickInGhostNameOrder) {
  const std::vector<std::string> batch = {Expected(1, "Zed"), Expected(1, "Mid"), Expected(1, "Alpha")};
  EXPECT_EQ(Ticks(5), (Batches{{}, {}, batch, batch, batch}));

  // An exited ghost drops out of the batch.
  plugin.Request(GhostEvent("OnGhostExit", "b-ghost"));
  EXPECT_EQ(Ticks(1), (Batches{{Expected(1, "Zed"), Expected(1, "Alpha")}}));

  // A tick without the window restarts the count.
  KillWrappers();
  ASSERT_TRUE(WaitForWindowQuietly(false));
  EXPECT_EQ(Ticks(1), (Batches{{}}));
  StartProgram(dir.path + "\\" + kWrapperProgram);
  ASSERT_TRUE(WaitForWindowQuietly(true));
  const std::vector<std::string> two = {Expected(1, "Zed"), Expected(1, "Alpha")};
  EXPECT_EQ(Ticks(4), (Batches{{}, {}, two, two}));
}

// The stub answers each activation by sending a message to this test's own
// window, whose procedure makes a request once: it runs nested inside the
// plug-in's send, as it can in the host.
Plugin* g_nestedPlugin = nullptr;
std::string g_nestedRequest;

LRESULT CALLBACK HostWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_APP && g_nestedPlugin && !g_nestedRequest.empty()) {
    std::string request;
    request.swap(g_nestedRequest);
    g_nestedPlugin->Request(request);
    return 0;
  }
  return DefWindowProcA(window, message, wParam, lParam);
}

// What `ticks` ticks sent, from the third on, while every activation the stub
// takes brings `nested` from inside the plug-in's send.
std::vector<std::vector<std::string>> TimerTest::TicksWithNestedRequest(const std::string& nested, int ticks) {
  HWND host = CreateTestWindow("VokiraTestHost", "", HostWindowProc);
  EXPECT_NE(host, nullptr);
  g_nestedPlugin = &plugin;
  g_nestedRequest = nested;
  Ticks(2);
  WriteFileBytes(dir.path + "\\wrapper-stub.poke", "VokiraTestHost");
  auto sent = Ticks(ticks);
  g_nestedPlugin = nullptr;
  DestroyWindow(host);
  return sent;
}

// a-ghost goes first; its own send brings the nested request, whose rebuild
// erases it and b-ghost. The tick goes on with c-ghost alone, and so do later
// ticks.
TEST_F(TimerTest, RebuildNestedInASendErasesSafely) {
  TempDir fewer;
  WriteGhost(fewer.path, "3", "name,c-ghost\nsakura.name,Alpha\n");
  const Batches after = {{Expected(1, "Zed"), Expected(1, "Alpha")}, {Expected(1, "Alpha")}, {Expected(1, "Alpha")}};
  EXPECT_EQ(TicksWithNestedRequest("GET PLUGIN/2.0\r\nID: ghostpathlist\r\nReference0: " + fewer.path + "\r\n\r\n", 3),
            after);
}

TEST_F(TimerTest, InstallRebuildNestedInASendErasesSafely) {
  RemoveTree(ghosts.path + "\\1");
  RemoveTree(ghosts.path + "\\2");
  const Batches after = {{Expected(1, "Zed"), Expected(1, "Alpha")}, {Expected(1, "Alpha")}, {Expected(1, "Alpha")}};
  EXPECT_EQ(TicksWithNestedRequest(InstallComplete("balloon\x01ghost", "x\x01y",
                                                   "C:\\a\x01"
                                                   "C:\\b"),
                                   3),
            after);
}

// b-ghost exits inside a-ghost's send, after the tick took its names: its
// farewell goes out there, and the tick, coming to b-ghost, skips it.
TEST_F(TimerTest, ExitNestedInASendDropsThatGhostFromTheBatch) {
  const Batches after = {{Expected(1, "Zed"), Expected(0, "Mid"), Expected(1, "Alpha")},
                         {Expected(1, "Zed"), Expected(1, "Alpha")}};
  EXPECT_EQ(TicksWithNestedRequest(GhostEvent("OnGhostExit", "b-ghost"), 2), after);
}

// Through the DLL freshly loaded: before any ghostpathlist no folder is
// known, so an install report finds nothing; after one, an install whose
// types include a ghost brings the new ghost, and another type does not.
TEST_F(EventsTest, InstallCompleteBeforeAndAfterGhostPathList) {
  InstallStub(dir.path);
  Plugin plugin;
  ASSERT_EQ(plugin.Load(dir.path), TRUE);
  ASSERT_TRUE(WaitForWindowQuietly(true)) << "load did not start the stub";
  TempDir added;
  WriteGhost(ghosts.path, "emily", "name,Emily\nsakura.name,Em\n");
  auto boot = [&](const char* name) {
    size_t before = Activations(dir.path).size();
    plugin.Request(GhostEvent("OnGhostBoot", name));
    return Activations(dir.path, before);
  };
  using Sent = std::vector<std::string>;

  EXPECT_EQ(plugin.Request(InstallComplete("ghost", "Emily", ghosts.path + "\\emily\\")).bytes, kReplyOk);
  EXPECT_EQ(boot("Emily"), Sent{}) << "an install before any ghostpathlist";

  plugin.Request(GhostPathListRequest({ghosts.path + "\\", added.path + "\\"}));
  EXPECT_EQ(boot("Emily"), Sent{Expected(1, "Em")});

  WriteGhost(added.path, "teru", "name,Teru\nsakura.name,T\n");
  EXPECT_EQ(plugin.Request(InstallComplete("balloon", "Teru", added.path + "\\teru\\")).bytes, kReplyOk);
  EXPECT_EQ(boot("Teru"), Sent{}) << "a balloon install";
  plugin.Request(InstallComplete("balloon\x01ghost", "b\x01Teru", "C:\\b\x01" + added.path + "\\teru\\"));
  EXPECT_EQ(boot("Teru"), Sent{Expected(1, "T")}) << "a ghost among the types";
  EXPECT_EQ(boot("Emily"), Sent{Expected(1, "Em")}) << "the other ghosts stay";
  plugin.Unload();
}

bool Released(const std::string& dir) {
  std::vector<std::string> log = StubLog(dir);
  return std::find(log.begin(), log.end(), "released") != log.end();
}

// A recognizer that hangs inside a message holds a tick or an event for the
// send's bound only: each returns while the stub is still hung.
TEST_F(TimerTest, HungRecognizerDoesNotHoldTicksOrEvents) {
  Ticks(3);
  size_t before = Activations(dir.path).size();
  WriteFileBytes(dir.path + "\\wrapper-stub.hang", "");
  ASSERT_TRUE(RunOneTick());
  EXPECT_FALSE(Released(dir.path)) << "the tick waited for the hung stub";
  EXPECT_EQ(Activations(dir.path, before), std::vector<std::string>{Expected(1, "Zed")});
  plugin.Request(GhostEvent("OnGhostExit", "a-ghost"));
  plugin.Request(GhostEvent("OnGhostBoot", "a-ghost"));
  EXPECT_FALSE(Released(dir.path)) << "an event waited for the hung stub";
  DeleteFileA((dir.path + "\\wrapper-stub.hang").c_str());
  EXPECT_TRUE(WaitForWindowQuietly(true));
}

// A recognizer that takes 500 ms per message: the whole batch of ten would
// hold the host for 5 s a tick. Each tick stops after about one send bound,
// and the next ones go on from where it stopped, so within a few ticks every
// ghost is announced, each tick in ascending name order. A message whose send
// timed out still reaches the stub later; the next tick begins with that ghost.
TEST_F(TimerTest, SlowRecognizerHoldsATickOneBoundAndLaterTicksGoOn) {
  std::map<std::string, std::string> ghostOf = BootTenGhosts();
  Ticks(3);
  WriteFileBytes(dir.path + "\\wrapper-stub.slow", "500");
  std::set<std::string> announced;
  for (int tick = 0; tick < 40 && announced.size() < ghostOf.size(); ++tick) {
    size_t before = Activations(dir.path).size();
    DWORD start = GetTickCount();
    ASSERT_TRUE(RunOneTick());
    DWORD took = GetTickCount() - start;
    EXPECT_LT(took, 3 * kSendTimeoutMs) << "tick " << tick << " held the host";
    std::vector<std::string> names;
    for (const std::string& sent : Activations(dir.path, before)) names.push_back(ghostOf.at(sent));
    EXPECT_TRUE(std::is_sorted(names.begin(), names.end())) << "tick " << tick;
    announced.insert(names.begin(), names.end());
  }
  EXPECT_EQ(announced.size(), ghostOf.size()) << "some ghosts were never announced";
}

// A hung recognizer: the tick's first send times out and the tick ends there.
// It takes about one bound, not one per ghost, and once the stub is released
// nothing else of that tick arrives.
TEST_F(TimerTest, TickEndsItsBatchAtATimedOutSend) {
  BootTenGhosts();
  Ticks(3);
  size_t before = Activations(dir.path).size();
  WriteFileBytes(dir.path + "\\wrapper-stub.hang", "");
  DWORD start = GetTickCount();
  ASSERT_TRUE(RunOneTick());
  EXPECT_LT(GetTickCount() - start, 4 * kSendTimeoutMs) << "the tick went on after a send timed out";
  DeleteFileA((dir.path + "\\wrapper-stub.hang").c_str());
  // Messages from one thread are handled in the order sent: once this one is
  // logged, every message the tick left queued has been logged before it.
  HWND window = FindWrapperWindow();
  ASSERT_NE(window, nullptr);
  COPYDATASTRUCT last = {7, 0, nullptr};
  DWORD_PTR result = 0;
  ASSERT_NE(SendMessageTimeoutA(window, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&last), SMTO_NORMAL, 60000, &result),
            0);
  EXPECT_EQ(Activations(dir.path, before), (std::vector<std::string>{Expected(1, "Zed"), "flag=7 bytes=0 hex="}));
}

// A load after unload in the same process: no ghost of the first session
// counts as running, and the new recognizer's window must be seen on three
// ticks before the first re-announcement.
TEST_F(TimerTest, SecondLoadStartsAFreshSession) {
  EXPECT_EQ(Ticks(3).back().size(), 3u);
  plugin.Unload();
  ASSERT_TRUE(WaitForWindowQuietly(false));
  ASSERT_EQ(plugin.Load(dir.path), TRUE);
  ASSERT_TRUE(WaitForWindowQuietly(true));
  PathList(ghosts.path + "\\");
  plugin.Request(GhostEvent("OnGhostBoot", "c-ghost"));
  const std::vector<std::string> alpha = {Expected(1, "Alpha")};
  EXPECT_EQ(Ticks(4), (Batches{{}, {}, alpha, alpha}));
}

TEST_F(EventsTest, MenuExecStartsTheSettingsProgram) {
  // The stub stands in for config.exe: it shows it was started by its window.
  CopyFileA((BinDir() + "\\wrapper-stub.exe").c_str(), (dir.path + "\\" + kConfigProgram).c_str(), FALSE);
  WriteFileBytes(dir.path + "\\" + kMarkerFile, "surpress");
  Plugin plugin;
  ASSERT_EQ(plugin.Load(dir.path), TRUE);
  EXPECT_EQ(plugin.Request("NOTIFY PLUGIN/2.0\r\nID: OnMenuExec\r\nReference0: x\r\n\r\n").bytes,
            "PLUGIN/2.0 200 OK\r\nCharset: Shift_JIS\r\n\r\n");
  EXPECT_TRUE(WaitForWindowQuietly(true)) << "config.exe was not started";
  std::vector<std::string> log;
  EXPECT_TRUE(WaitFor(
      [&] {
        log = StubLog(dir.path);
        return !log.empty();
      },
      kStartWait));
  ASSERT_FALSE(log.empty());
  EXPECT_EQ(log.front().rfind("start", 0), 0u);
  plugin.Unload();
}

}  // namespace
