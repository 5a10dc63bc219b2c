// soak plays a long seeded host session against the real vokira.dll, with a
// misbehaving stand-in recognizer, and checks every step against a model of
// what the plug-in must do.
//
//   soak VOKIRA.dll WRAPPER-STUB.exe SECONDS [SEED [leak]]
//
// config.exe is taken from beside WRAPPER-STUB.exe.
//
// With "leak" the driver itself leaks a handle and 64 KB at every unload, to
// show that the leak checks catch it.
// The session: ghostpathlist over three ghost folders whose ghosts are added,
// removed, renamed, renamed inside (name, sakura.name), rewritten very large,
// binary or cut by Ctrl-Z, and locked while read; boots, updates and exits of
// known and unknown names; OnInstallComplete; other requests; unload and load,
// and now and then FreeLibrary and LoadLibrary. The recognizer (the stub, as
// vokira.exe in the plug-in directory) starts late, is killed in the middle of
// a held message, hangs past the send bound, answers slowly under it, runs as a
// second instance, pokes the host's window from inside its message (a request
// nested in the plug-in's send), and a window of its class with another title
// comes and goes. Now and then the host's menu starts the settings program,
// which the soak drives (switch toggled and OK, close box, OK unchanged),
// checking the marker file and whether a recognizer was started or closed.
//
// The model predicts the registry, the running flags, every reply and, while
// exactly one recognizer answers promptly, every message it receives: each
// event's and each tick's. It checks every call's duration against the send
// bound plus a margin, and that committed private memory and open handles stay
// flat after a warm-up. The first violation stops the run with the seed and
// the step; the same seed plays the same session again. The last line reads:
//   soak: x86_64 600 s, 48210 events, 312 recognizer faults, 0 violations,
//   memory +0 KB, handles +0, longest call 1012 ms
// (on one line); the exit status is 1 on a violation.
#include <windows.h>

#include <algorithm>
#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "common/names.h"
#include "tests/win/process_counts.h"
#include "tests/win/remove_tree.h"

namespace {

// Each send waits at most this long, and a tick's batch shares it.
constexpr DWORD kSendBoundMs = 1000;
// What a call may take beyond the bound: a rebuild, a nested request, a
// loaded machine's scheduling.
constexpr DWORD kMarginMs = 1000;
// A hung recognizer is released this long after it began holding: well under
// the five seconds after which the system calls its window hung and sends to
// it fail at once (a close sent then would never arrive).
constexpr DWORD kHangMs = 2000;
// Memory may grow this much after the warm-up (heap fragmentation of the
// driver's own model and log reading); handles not at all, but for the one
// semaphore each library reload leaves on i686 (see README).
constexpr long long kMemoryToleranceKb = 1024;
constexpr int kFolders = 3;
constexpr char kHostClass[] = "VokiraSoakHost";
constexpr char kOtherTitle[] = "Vokira - another window";
constexpr ULONG_PTR kSyncFlag = 2;
// The settings window and its controls.
constexpr char kSettingsClass[] = "VKWConfigClass";
constexpr int kSwitchId = 1000;
constexpr int kOkId = 1001;

const char* const kArch = sizeof(void*) == 4 ? "i686" : "x86_64";

// --- seeded choices -------------------------------------------------------

// The steps draw from one stream. Requests nested in the plug-in's sends draw
// from another: how many there are depends on what the recognizer took in
// time, and they must not shift the steps of a replay.
uint64_t g_state = 0;
uint64_t g_nestedState = 0;

uint64_t Next(uint64_t& state) {  // splitmix64
  uint64_t z = (state += 0x9E3779B97F4A7C15ULL);
  z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
  z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
  return z ^ (z >> 31);
}
int Below(int n, uint64_t& state = g_state) { return static_cast<int>(Next(state) % static_cast<uint64_t>(n)); }
bool Chance(int percent, uint64_t& state = g_state) { return Below(100, state) < percent; }

// Ghost names: ASCII, Shift_JIS (表示 and ソ, whose trail byte is 0x5C),
// high bytes that sort after every ASCII byte, prefixes of each other.
const std::vector<std::string> kNames = {
    "Alpha", "alpha", "Zed", "Z", "ZZ", "Mid", "\x95\x5C\x8E\xA6", "\x83\x5C", "a\x80", "\xE0\x40", "Nine 9",
};
// Names the host may report that no description gives.
const std::vector<std::string> kUnknownNames = {"Nobody", "alpha ", "\x95\x5C"};

std::string RandomSakura() {
  static const std::vector<std::string> prefixes = {"", "s", "\x82\xB3\x82\xAD\x82\xE7", "Sakura ", "a,b "};
  if (Chance(5)) return "";
  char number[16];
  std::snprintf(number, sizeof number, "%d", Below(1000));
  return prefixes[static_cast<size_t>(Below(static_cast<int>(prefixes.size())))] + number;
}

// --- violations -------------------------------------------------------------

uint64_t g_seed = 0;
long long g_step = 0;
int g_violations = 0;

[[noreturn]] void Violation(const char* format, ...) {
  char text[1024];
  va_list args;
  va_start(args, format);
  std::vsnprintf(text, sizeof text, format, args);
  va_end(args);
  std::printf("soak: violation at step %lld (seed %llu): %s\n", g_step, static_cast<unsigned long long>(g_seed), text);
  std::fflush(stdout);
  g_violations = 1;
  throw 1;
}

// With "trace", one line per step and per leak measurement: two runs of one
// seed print the same lines until timing decides something.
bool g_trace = false;
void Trace(const char* format, ...) {
  if (!g_trace) return;
  char text[512];
  va_list args;
  va_start(args, format);
  std::vsnprintf(text, sizeof text, format, args);
  va_end(args);
  std::printf("step %lld: %s\n", g_step, text);
  std::fflush(stdout);
}

std::string Hex(const std::string& bytes) {
  std::string out;
  char byte[4];
  for (unsigned char c : bytes) {
    std::snprintf(byte, sizeof byte, "%s%02X", out.empty() ? "" : " ", c);
    out += byte;
  }
  return out;
}

// --- files ------------------------------------------------------------------

std::string g_root;       // everything the run writes, removed at the end
std::string g_pluginDir;  // vokira.exe, the marker and the stub's files
std::string g_folders[kFolders];

void WriteBytes(const std::string& path, const std::string& bytes) {
  HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) Violation("cannot write %s", path.c_str());
  DWORD written = 0;
  BOOL ok = WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
  CloseHandle(file);
  if (!ok || written != bytes.size()) Violation("cannot write %s", path.c_str());
}

// --- the ghosts on disk and the model ----------------------------------------

enum class Shape { kPlain, kLarge, kBinary, kCtrlZ };

struct GhostFiles {
  std::string name;
  std::string sakura;
  Shape shape = Shape::kPlain;
  HANDLE lock = INVALID_HANDLE_VALUE;  // held open without sharing: unreadable
};

// Per folder: ghost directory → its description. Names are unique within one
// folder (the order of a folder's directories is the file system's); across
// folders they repeat, and the later folder must win.
std::map<std::string, GhostFiles> g_disk[kFolders];
int g_nextDirectory = 0;
bool g_diskChanged = false;  // since the latest rebuild

std::vector<int> g_listed;                      // folders of the latest ghostpathlist, in order
std::map<std::string, std::string> g_registry;  // name → sakura name
std::set<std::string> g_running;
int g_bootTicks = 0;  // consecutive ticks that found the window, up to 2

std::string DescriptionPath(int folder, const std::string& directory) {
  return g_folders[folder] + "\\" + directory + "\\ghost\\master\\descript.txt";
}

// Bytes that a text-mode reader takes line by line: no CR, LF, Ctrl-Z or comma.
std::string BinaryLine() {
  std::string line;
  int length = 1 + Below(200);
  while (static_cast<int>(line.size()) < length) {
    char c = static_cast<char>(Below(256));
    if (c != '\r' && c != '\n' && c != '\x1A' && c != ',' && c != '\0') line += c;
  }
  return line;
}

std::string DescriptionBytes(const GhostFiles& ghost) {
  std::string text = "charset,Shift_JIS\r\n";
  if (ghost.shape == Shape::kLarge) {
    // About 1.5 MB before the keys: the reader takes one byte at a time.
    std::string filler = "craftman," + std::string(120, 'x') + "\r\n";
    for (int i = 0; i < 12000; ++i) text += filler;
  }
  if (ghost.shape == Shape::kBinary)
    for (int i = 0; i < 20; ++i) text += BinaryLine() + "\r\n";
  text += "name,old name\r\nname," + ghost.name + "\r\nsakura.name," + ghost.sakura + "\r\n";
  // Text mode ends the file at Ctrl-Z: nothing after it counts.
  if (ghost.shape == Shape::kCtrlZ) text += "\x1Aname,Hidden\r\nsakura.name,hidden\r\n";
  if (ghost.shape == Shape::kBinary) text += BinaryLine() + "\n" + BinaryLine();
  return text;
}

void WriteDescription(int folder, const std::string& directory) {
  std::string path = g_folders[folder] + "\\" + directory;
  CreateDirectoryA(path.c_str(), nullptr);
  CreateDirectoryA((path + "\\ghost").c_str(), nullptr);
  CreateDirectoryA((path + "\\ghost\\master").c_str(), nullptr);
  WriteBytes(DescriptionPath(folder, directory), DescriptionBytes(g_disk[folder][directory]));
  g_diskChanged = true;
}

void Unlock(GhostFiles& ghost) {
  if (ghost.lock == INVALID_HANDLE_VALUE) return;
  CloseHandle(ghost.lock);
  ghost.lock = INVALID_HANDLE_VALUE;
  g_diskChanged = true;
}

// What a rebuild over the listed folders yields; running flags stay for names
// found again.
void ModelRebuild() {
  g_registry.clear();
  for (int folder : g_listed)
    for (const auto& entry : g_disk[folder])
      if (entry.second.lock == INVALID_HANDLE_VALUE) g_registry[entry.second.name] = entry.second.sakura;
  for (auto it = g_running.begin(); it != g_running.end();)
    it = g_registry.count(*it) ? std::next(it) : g_running.erase(it);
  g_diskChanged = false;
}

// Unsigned byte order, shorter prefix first: the order ticks must follow.
bool ByteLess(const std::string& a, const std::string& b) {
  size_t n = a.size() < b.size() ? a.size() : b.size();
  int c = std::memcmp(a.data(), b.data(), n);
  return c < 0 || (c == 0 && a.size() < b.size());
}

// --- the plug-in ------------------------------------------------------------

using LoadFunc = BOOL(__cdecl*)(HGLOBAL, long);
using RequestFunc = HGLOBAL(__cdecl*)(HGLOBAL, long*);
using UnloadFunc = BOOL(__cdecl*)();

std::string g_dllPath;
HMODULE g_module = nullptr;
LoadFunc g_load = nullptr;
RequestFunc g_request = nullptr;
UnloadFunc g_unload = nullptr;
int g_libraryReloads = 0;

long long g_events = 0;
// What the model checked exactly: ticks that owed a batch, and messages.
long long g_exactBatches = 0;
long long g_exactMessages = 0;
long long g_measurements = 0;
long long g_settingsRuns = 0;
long long g_faults = 0;
DWORD g_longestCall = 0;

DWORD TimeCall(DWORD start, const char* what) {
  DWORD took = GetTickCount() - start;
  if (took > g_longestCall) g_longestCall = took;
  if (took > kSendBoundMs + kMarginMs) Violation("%s took %lu ms", what, static_cast<unsigned long>(took));
  return took;
}

void LoadLibraryAgain() {
  if (g_module) FreeLibrary(g_module);
  g_module = LoadLibraryA(g_dllPath.c_str());
  if (!g_module) Violation("LoadLibrary %s failed", g_dllPath.c_str());
  g_load = reinterpret_cast<LoadFunc>(reinterpret_cast<void*>(GetProcAddress(g_module, "load")));
  g_request = reinterpret_cast<RequestFunc>(reinterpret_cast<void*>(GetProcAddress(g_module, "request")));
  g_unload = reinterpret_cast<UnloadFunc>(reinterpret_cast<void*>(GetProcAddress(g_module, "unload")));
  if (!g_load || !g_request || !g_unload) Violation("an export is missing");
}

HGLOBAL FixedBlock(const std::string& bytes) {
  HGLOBAL block = GlobalAlloc(GMEM_FIXED, bytes.empty() ? 1 : bytes.size());
  if (!block) Violation("out of memory");
  if (!bytes.empty()) std::memcpy(block, bytes.data(), bytes.size());
  return block;
}

// One request as the host makes it; checks the reply's bytes and the time,
// and returns the time.
DWORD Request(const std::string& text, const std::string& expected, const char* what) {
  long len = static_cast<long>(text.size());
  ++g_events;
  DWORD start = GetTickCount();
  HGLOBAL reply = g_request(FixedBlock(text), &len);
  DWORD took = TimeCall(start, what);
  if (!reply) Violation("%s: no reply", what);
  std::string bytes(static_cast<const char*>(reply), static_cast<size_t>(len));
  GlobalFree(reply);
  if (bytes != expected) Violation("%s: reply [%s]", what, Hex(bytes).c_str());
  return took;
}

const std::string kOk = "PLUGIN/2.0 200 OK\r\nCharset: Shift_JIS\r\n\r\n";
const std::string kVersion = "PLUGIN/2.0 200 OK\r\nCharset: Shift_JIS\r\nValue: VOKIRA/1.0\r\n\r\n";
const std::string kBadRequest = "PLUGIN/2.0 400 Bad Request\r\n\r\n";

std::string Notify(const std::string& id, const std::vector<std::string>& references) {
  std::string text = "NOTIFY PLUGIN/2.0\r\nID: " + id + "\r\nCharset: Shift_JIS\r\nSender: SSP\r\n";
  for (size_t i = 0; i < references.size(); ++i)
    text += "Reference" + std::to_string(i) + ": " + references[i] + "\r\n";
  return text + "\r\n";
}

std::string PathListRequest() {
  std::vector<std::string> references;
  references.reserve(g_listed.size());
  for (int folder : g_listed) references.push_back(g_folders[folder]);
  return Notify("ghostpathlist", references);
}

// --- the recognizer -----------------------------------------------------------

struct Activation {
  unsigned long flag;
  std::string bytes;
  bool operator==(const Activation& o) const { return flag == o.flag && bytes == o.bytes; }
};

std::vector<HANDLE> g_stubs;  // running stubs, oldest first
bool g_marker = true;         // surpress.dat is there: load starts no recognizer
bool g_hung = false;
DWORD g_hungSince = 0;
bool g_slow = false;
bool g_poking = false;
bool g_synced = true;          // every message sent so far has been logged
bool g_resumeUnknown = false;  // a tick may have been cut short since the last exact one
HWND g_hostWindow = nullptr;
HWND g_otherWindow = nullptr;
long long g_logOffset = 0;
long long g_closesLogged = 0;  // WM_CLOSE messages the stubs took

std::string StubFile(const char* name) { return g_pluginDir + "\\" + name; }

// The recognizer windows of one process (0: of any).
std::vector<HWND> RecognizerWindows(DWORD pid) {
  std::vector<HWND> windows;
  for (HWND w = nullptr; (w = FindWindowExA(nullptr, w, kWrapperClass, kWrapperTitle)) != nullptr;) {
    DWORD owner = 0;
    GetWindowThreadProcessId(w, &owner);
    if (!pid || owner == pid) windows.push_back(w);
  }
  return windows;
}

// Runs the message loop except for timer messages: ticks run only where the
// model expects them.
void PumpExceptTimer() {
  MSG msg;
  while (PeekMessageA(&msg, nullptr, 0, WM_TIMER - 1, PM_REMOVE) ||
         PeekMessageA(&msg, nullptr, WM_TIMER + 1, 0xFFFFFFFF, PM_REMOVE)) {
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
}

template <typename Done>
bool WaitUntil(Done done, DWORD timeoutMs) {
  DWORD start = GetTickCount();
  while (!done()) {
    if (GetTickCount() - start > timeoutMs) return false;
    PumpExceptTimer();
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
  }
  return true;
}

// New complete lines of the stub's log, parsed; other lines are skipped.
std::vector<Activation> ReadActivations() {
  std::vector<Activation> found;
  HANDLE file = CreateFileA(StubFile("wrapper-stub.log").c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                            nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return found;
  LARGE_INTEGER offset;
  offset.QuadPart = g_logOffset;
  SetFilePointerEx(file, offset, nullptr, FILE_BEGIN);
  std::string text;
  char buffer[65536];
  for (DWORD got = 0; ReadFile(file, buffer, sizeof buffer, &got, nullptr) && got;) text.append(buffer, got);
  CloseHandle(file);
  size_t start = 0;
  for (size_t nl; (nl = text.find('\n', start)) != std::string::npos; start = nl + 1) {
    std::string line = text.substr(start, nl - start);
    if (line == "close") ++g_closesLogged;
    unsigned long flag = 0, bytes = 0;
    if (std::sscanf(line.c_str(), "activation flag=%lu bytes=%lu", &flag, &bytes) != 2) continue;
    size_t hex = line.find(" hex=");
    if (hex == std::string::npos) Violation("log line without hex: %s", line.c_str());
    Activation activation{flag, {}};
    for (size_t p = hex + 5; activation.bytes.size() < bytes; p += 3)
      activation.bytes += static_cast<char>(std::strtoul(line.substr(p, 2).c_str(), nullptr, 16));
    found.push_back(activation);
  }
  g_logOffset += static_cast<long long>(start);
  return found;
}

std::string Describe(const std::vector<Activation>& activations) {
  std::string text;
  for (const auto& a : activations) text += "[" + std::to_string(a.flag) + " " + Hex(a.bytes) + "]";
  return text.empty() ? "nothing" : text;
}

// Exactly one stub, answering promptly, and every earlier message logged:
// then the model knows every message it receives.
bool Exact() { return g_stubs.size() == 1 && !g_hung && !g_slow && g_synced; }

void StartStub() {
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION info = {};
  std::string path = StubFile(kWrapperProgram);
  std::string line = "\"" + path + "\"";
  if (!CreateProcessA(path.c_str(), &line[0], nullptr, nullptr, FALSE, 0, nullptr, g_pluginDir.c_str(), &startup,
                      &info))
    Violation("cannot start the stub");
  CloseHandle(info.hThread);
  g_stubs.push_back(info.hProcess);
  DWORD pid = info.dwProcessId;
  if (!WaitUntil([&] { return !RecognizerWindows(pid).empty(); }, 30000)) Violation("the stub's window never came");
  // With another instance up, which window the plug-in finds is not known.
  if (g_stubs.size() > 1) g_synced = false;
}

// Ends one stub as a crash would: no WM_CLOSE, no cleanup, even in the middle
// of a held message.
void KillStub(size_t index) {
  HANDLE process = g_stubs[index];
  DWORD pid = GetProcessId(process);
  TerminateProcess(process, 1);
  WaitForSingleObject(process, 30000);
  CloseHandle(process);
  g_stubs.erase(g_stubs.begin() + static_cast<long>(index));
  if (!WaitUntil([&] { return RecognizerWindows(pid).empty(); }, 30000)) Violation("a killed stub's window stayed");
}

// Takes on a stub that the plug-in or the settings program started: waits for
// a recognizer window of a process not known yet.
void AdoptStub() {
  HWND found = nullptr;
  auto fresh = [&] {
    for (HWND window : RecognizerWindows(0)) {
      DWORD pid = 0;
      GetWindowThreadProcessId(window, &pid);
      bool known = false;
      for (HANDLE process : g_stubs) known = known || GetProcessId(process) == pid;
      if (!known) found = window;
    }
    return found != nullptr;
  };
  if (!WaitUntil(fresh, 30000)) Violation("no recognizer was started");
  DWORD pid = 0;
  GetWindowThreadProcessId(found, &pid);
  HANDLE process = OpenProcess(SYNCHRONIZE | PROCESS_TERMINATE | PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid);
  if (!process) Violation("cannot open the started recognizer");
  g_stubs.push_back(process);
  if (g_stubs.size() > 1) g_synced = false;
}

// A WM_CLOSE that was taken closes one stub: waits for it and forgets it.
// Returns false when none ended within `timeoutMs`.
bool AwaitOneClosed(DWORD timeoutMs) {
  if (g_stubs.empty()) return false;
  DWORD index = WaitForMultipleObjects(static_cast<DWORD>(g_stubs.size()), g_stubs.data(), FALSE, timeoutMs);
  if (index >= g_stubs.size()) return false;
  DWORD pid = GetProcessId(g_stubs[index]);
  CloseHandle(g_stubs[index]);
  g_stubs.erase(g_stubs.begin() + static_cast<long>(index));
  if (!WaitUntil([&] { return RecognizerWindows(pid).empty(); }, 30000)) Violation("a closed stub's window stayed");
  return true;
}

// Waits until each stub has handled every message sent to it so far: a sent
// message of our own is handled after those.
void Sync() {
  if (g_hung) {
    DeleteFileA(StubFile("wrapper-stub.hang").c_str());
    g_hung = false;
  }
  if (g_slow) {
    DeleteFileA(StubFile("wrapper-stub.slow").c_str());
    g_slow = false;
  }
  for (HWND window : RecognizerWindows(0)) {
    char text[] = "sync";
    COPYDATASTRUCT data{kSyncFlag, 4, text};
    DWORD_PTR result = 0;
    SendMessageTimeoutA(window, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&data), SMTO_NORMAL, 60000, &result);
  }
  ReadActivations();
  g_synced = g_stubs.size() <= 1;
}

// A call that spent the whole bound may have given up on a send that the
// recognizer handles later: what it got is known again after the next sync.
bool MayHaveTimedOut(DWORD took) { return took + 10 >= kSendBoundMs; }

void ExpectActivations(const std::vector<Activation>& expected, DWORD took, const char* what) {
  std::vector<Activation> got = ReadActivations();
  if (!Exact()) return;
  if (MayHaveTimedOut(took)) {
    g_synced = false;
    return;
  }
  if (got != expected)
    Violation("%s: the recognizer got %s, expected %s", what, Describe(got).c_str(), Describe(expected).c_str());
  g_exactMessages += static_cast<long long>(got.size());
}

// --- ghost events ---------------------------------------------------------------

const char* const kGhostEvents[] = {"OnGhostBoot", "OnGhostInfoUpdate", "OnGhostExit"};

// A boot, update or exit of a known or unknown name: the model's running set
// follows it, and returns what the recognizer must get.
std::vector<Activation> ModelGhostEvent(int kind, const std::string& name) {
  std::vector<Activation> expected;
  auto known = g_registry.find(name);
  if (known != g_registry.end()) {
    bool running = g_running.count(name) != 0;
    bool sends = kind != 1 || !running;
    if (kind == 2)
      g_running.erase(name);
    else
      g_running.insert(name);
    if (sends && !g_stubs.empty()) expected.push_back({kind == 2 ? 0UL : 1UL, known->second});
  }
  return expected;
}

DWORD GhostEventRequest(int kind, const std::string& name, const char* what) {
  return Request(Notify(kGhostEvents[kind], {"0x1234\x01"
                                             "0x5678",
                                             name}),
                 kOk, what);
}

const std::string& RandomName(uint64_t& stream) {
  return Chance(85, stream) ? kNames[static_cast<size_t>(Below(static_cast<int>(kNames.size()), stream))]
                            : kUnknownNames[static_cast<size_t>(Below(static_cast<int>(kUnknownNames.size()), stream))];
}

// --- the host's window: requests nested inside the plug-in's sends ----------

int g_nesting = 0;

// A rebuild over a very large description file takes long enough to spend a
// tick's bound by itself when nested in each of its sends.
bool LargeFileListed() {
  for (int folder : g_listed)
    for (const auto& entry : g_disk[folder])
      if (entry.second.shape == Shape::kLarge) return true;
  return false;
}

// The stub pokes from inside each activation: the plug-in is in the middle of
// a send (a tick's batch, or an event's own), and the host handles a request
// meanwhile: a boot, update or exit, a rebuild, or the version. The model
// follows a nested event; what the recognizer got around it is then not
// checked message by message, but every tick after the next sync is, so the
// plug-in's state after it must be exactly the model's.
void OnPoke() {
  if (g_nesting || !g_module) return;
  ++g_nesting;
  int pick = Below(10, g_nestedState);
  if (pick < 5) {
    int kind = Below(3, g_nestedState);
    const std::string& name = RandomName(g_nestedState);
    Trace("nested %s [%s]", kGhostEvents[kind], Hex(name).c_str());
    ModelGhostEvent(kind, name);
    GhostEventRequest(kind, name, "a nested ghost event");
    g_synced = false;
  } else if (pick < 8 && !g_listed.empty() && !LargeFileListed()) {
    Trace("nested ghostpathlist");
    if (g_diskChanged) g_synced = false;
    ModelRebuild();
    Request(PathListRequest(), kOk, "nested ghostpathlist");
  } else {
    Request("GET PLUGIN/2.0\r\nID: version\r\nCharset: Shift_JIS\r\nSender: SSP\r\n\r\n", kVersion, "nested version");
  }
  --g_nesting;
}

LRESULT CALLBACK HostWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) noexcept {
  if (message == WM_APP) {
    try {
      OnPoke();
    } catch (...) {
      // The violation is printed and noted: the main loop stops at its check.
    }
    return 0;
  }
  return DefWindowProcA(window, message, wParam, lParam);
}

bool g_sentToOther = false;
LRESULT CALLBACK OtherWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) noexcept {
  if (message == WM_COPYDATA) g_sentToOther = true;
  return DefWindowProcA(window, message, wParam, lParam);
}

// --- steps ----------------------------------------------------------------------

void CheckStopped() {
  if (g_violations) throw 1;
  if (g_sentToOther) Violation("a window with another title got an activation");
}

// One timer tick: waits for the plug-in's WM_TIMER and dispatches only it.
void Tick() {
  MSG msg;
  if (!WaitUntil([&] { return PeekMessageA(&msg, nullptr, WM_TIMER, WM_TIMER, PM_REMOVE) != 0; }, 30000))
    Violation("the timer does not run");
  bool windowUp = !g_stubs.empty();
  std::vector<Activation> expected;
  bool batch = false;
  if (!windowUp) {
    g_bootTicks = 0;
  } else if (g_bootTicks < 2) {
    ++g_bootTicks;
  } else {
    batch = true;
    std::vector<std::string> names(g_running.begin(), g_running.end());
    std::sort(names.begin(), names.end(), ByteLess);
    for (const std::string& name : names) expected.push_back({1, g_registry[name]});
  }
  ++g_events;
  DWORD start = GetTickCount();
  DispatchMessageA(&msg);
  DWORD took = TimeCall(start, "a tick");
  Trace("tick, %s", batch ? "a batch owed" : windowUp ? "a boot tick" : "no window");
  bool exact = Exact();
  std::vector<Activation> got = ReadActivations();
  if (!exact) {
    if (batch) g_resumeUnknown = true;
    return;
  }
  if (!batch) {
    if (!got.empty()) Violation("a tick before the third sent %s", Describe(got).c_str());
    return;
  }
  // After a tick cut short the next one starts where that one stopped and
  // runs to the end: some tail of the batch. A tick that spent the whole
  // bound may itself stop early: then a start of what it owed, in order.
  ++g_exactBatches;
  g_exactMessages += static_cast<long long>(got.size());
  const bool anyTail = g_resumeUnknown;
  const bool cutShort = MayHaveTimedOut(took);
  g_resumeUnknown = cutShort;
  for (size_t skip = 0; skip <= (anyTail ? expected.size() : 0); ++skip) {
    std::vector<Activation> owed(expected.begin() + static_cast<long>(skip), expected.end());
    if (got == owed) return;
    if (cutShort && got.size() < owed.size() && std::equal(got.begin(), got.end(), owed.begin())) return;
  }
  Violation("a tick sent %s, expected %s%s", Describe(got).c_str(), anyTail ? "a tail of " : "",
            Describe(expected).c_str());
}

void GhostEvent() {
  int kind = Below(3);
  const std::string& name = RandomName(g_state);
  Trace("%s [%s]", kGhostEvents[kind], Hex(name).c_str());
  std::vector<Activation> expected = ModelGhostEvent(kind, name);
  ExpectActivations(expected, GhostEventRequest(kind, name, kGhostEvents[kind]), kGhostEvents[kind]);
}

void PathList() {
  g_listed.clear();
  int count = 1 + Below(kFolders);
  std::vector<int> pool = {0, 1, 2};
  for (int i = 0; i < count; ++i) {
    int pick = Below(static_cast<int>(pool.size()));
    g_listed.push_back(pool[static_cast<size_t>(pick)]);
    pool.erase(pool.begin() + pick);
  }
  std::string folders;
  for (int folder : g_listed) folders += std::to_string(folder);
  Trace("ghostpathlist of folders %s", folders.c_str());
  ModelRebuild();
  ExpectActivations({}, Request(PathListRequest(), kOk, "ghostpathlist"), "ghostpathlist");
}

void InstallComplete() {
  static const char* const types[] = {"ghost", "balloon\x01ghost", "shell", "balloon\x01plugin", "ghosts"};
  int pick = Below(5);
  Trace("OnInstallComplete of type %d", pick);
  if (pick < 2) ModelRebuild();
  DWORD took = Request(Notify("OnInstallComplete", {types[pick], "name", "path"}), kOk, "OnInstallComplete");
  ExpectActivations({}, took, "OnInstallComplete");
}

void OtherRequest() {
  DWORD took = 0;
  int pick = Below(4);
  Trace("another request %d", pick);
  switch (pick) {
    case 0:
      took = Request("GET PLUGIN/2.0\r\nID: version\r\nCharset: Shift_JIS\r\nSender: SSP\r\n\r\n", kVersion, "version");
      break;
    case 1:
      took = Request("", kBadRequest, "an empty request");
      break;
    case 2:
      took = Request(Notify("OnSecondChange", {"0", "0"}), kOk, "OnSecondChange");
      break;
    default:
      took = Request(Notify("OnUnknownEvent", {"x"}), kOk, "an unknown ID");
      break;
  }
  ExpectActivations({}, took, "another request");
}

void ChangeDisk() {
  int folder = Below(kFolders);
  auto& ghosts = g_disk[folder];
  std::set<std::string> used;
  for (const auto& entry : ghosts) used.insert(entry.second.name);
  auto freeName = [&]() -> std::string {
    for (int tries = 0; tries < 20; ++tries) {
      const std::string& name = kNames[static_cast<size_t>(Below(static_cast<int>(kNames.size())))];
      if (!used.count(name)) return name;
    }
    return {};
  };
  int action = ghosts.empty() ? 0 : Below(7);
  auto victim = ghosts.begin();
  if (!ghosts.empty()) std::advance(victim, Below(static_cast<int>(ghosts.size())));
  Trace("disk change %d in folder %d at %s", action, folder, ghosts.empty() ? "-" : victim->first.c_str());
  switch (action) {
    case 0: {  // a ghost added
      std::string name = freeName();
      if (name.empty()) return;
      std::string directory = "d" + std::to_string(g_nextDirectory++);
      ghosts[directory] = GhostFiles{name, RandomSakura(), Shape::kPlain, INVALID_HANDLE_VALUE};
      WriteDescription(folder, directory);
      break;
    }
    case 1:  // a ghost removed
      Unlock(victim->second);
      RemoveTree(g_folders[folder] + "\\" + victim->first);
      ghosts.erase(victim);
      g_diskChanged = true;
      break;
    case 2: {  // its directory renamed
      Unlock(victim->second);
      std::string directory = "d" + std::to_string(g_nextDirectory++);
      if (!MoveFileA((g_folders[folder] + "\\" + victim->first).c_str(),
                     (g_folders[folder] + "\\" + directory).c_str()))
        Violation("cannot rename a ghost directory");
      ghosts[directory] = victim->second;
      ghosts.erase(victim);
      g_diskChanged = true;
      break;
    }
    case 3:  // a new sakura name
      Unlock(victim->second);
      victim->second.sakura = RandomSakura();
      WriteDescription(folder, victim->first);
      break;
    case 4: {  // a new ghost name
      std::string name = freeName();
      if (name.empty()) return;
      Unlock(victim->second);
      victim->second.name = name;
      WriteDescription(folder, victim->first);
      break;
    }
    case 5:  // rewritten large, binary, cut by Ctrl-Z, or plain
      Unlock(victim->second);
      victim->second.shape = static_cast<Shape>(Below(4));
      if (victim->second.shape == Shape::kLarge && Chance(70)) victim->second.shape = Shape::kPlain;
      WriteDescription(folder, victim->first);
      break;
    default:  // locked against reading, or unlocked
      if (victim->second.lock != INVALID_HANDLE_VALUE) {
        Unlock(victim->second);
      } else {
        victim->second.lock = CreateFileA(DescriptionPath(folder, victim->first).c_str(), GENERIC_READ | GENERIC_WRITE,
                                          0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (victim->second.lock == INVALID_HANDLE_VALUE) Violation("cannot lock a description file");
        g_diskChanged = true;
      }
      break;
  }
}

long long g_slowUntilStep = 0;

void RecognizerFault() {
  ++g_faults;
  if (g_stubs.empty()) {  // starts late, or again after a crash
    Trace("recognizer starts");
    StartStub();
    return;
  }
  int fault = Below(7);
  Trace("recognizer fault %d", fault);
  switch (fault) {
    case 0:  // killed, in the middle of a held message or not
      KillStub(static_cast<size_t>(Below(static_cast<int>(g_stubs.size()))));
      Sync();
      break;
    case 1:  // hangs past the bound, for a while
      if (!g_hung) {
        WriteBytes(StubFile("wrapper-stub.hang"), "");
        g_hung = true;
        g_hungSince = GetTickCount();
        g_synced = false;
      }
      break;
    case 2:  // answers slowly, under the bound, for a few steps
      WriteBytes(StubFile("wrapper-stub.slow"), std::to_string(100 + Below(300)));
      g_slow = true;
      g_slowUntilStep = g_step + 5 + Below(20);
      g_synced = false;
      break;
    case 3:  // a second instance, or one of two ends
      if (g_stubs.size() < 2)
        StartStub();
      else
        KillStub(static_cast<size_t>(Below(2)));
      break;
    case 4:  // pokes the host from inside its messages, or stops poking
      g_poking = !g_poking;
      if (g_poking)
        WriteBytes(StubFile("wrapper-stub.poke"), kHostClass);
      else
        DeleteFileA(StubFile("wrapper-stub.poke").c_str());
      break;
    case 5:  // a window of the recognizer's class with another title
      if (g_otherWindow) {
        DestroyWindow(g_otherWindow);
        g_otherWindow = nullptr;
      } else {
        g_otherWindow = CreateWindowExA(0, kWrapperClass, kOtherTitle, WS_OVERLAPPEDWINDOW, 0, 0, 100, 100, nullptr,
                                        nullptr, GetModuleHandleA(nullptr), nullptr);
      }
      break;
    default:  // answers promptly again
      Sync();
      break;
  }
}

// Ends faults whose time is up, and syncs once the recognizer answers again.
void Recover() {
  if (g_hung && GetTickCount() - g_hungSince >= kHangMs) {
    DeleteFileA(StubFile("wrapper-stub.hang").c_str());
    g_hung = false;
  }
  if (g_slow && g_step >= g_slowUntilStep) {
    DeleteFileA(StubFile("wrapper-stub.slow").c_str());
    g_slow = false;
  }
  if (!g_synced && !g_hung && !g_slow && g_stubs.size() <= 1) Sync();
}

bool MarkerPresent() { return GetFileAttributesA(StubFile(kMarkerFile).c_str()) != INVALID_FILE_ATTRIBUTES; }

// OnMenuExec starts the settings program; the soak drives it to one of its
// three ends and checks what it did.
void Settings() {
  Sync();  // a prompt recognizer: its close must not be held
  DWORD took = Request(Notify("OnMenuExec", {}), kOk, "OnMenuExec");
  ExpectActivations({}, took, "OnMenuExec");
  HWND window = nullptr;
  if (!WaitUntil(
          [&] {
            window = FindWindowA(kSettingsClass, kWrapperTitle);
            return window && IsWindowVisible(window);
          },
          30000))
    Violation("OnMenuExec showed no settings window");
  DWORD pid = 0;
  GetWindowThreadProcessId(window, &pid);
  HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, pid);
  if (!process) Violation("cannot open the settings program");
  bool checked = SendMessageA(GetDlgItem(window, kSwitchId), BM_GETCHECK, 0, 0) == BST_CHECKED;
  if (checked == g_marker) {
    CloseHandle(process);
    Violation("the switch reads %d with the marker %s", checked, g_marker ? "there" : "gone");
  }
  ++g_settingsRuns;
  int finish = Below(3);
  Trace("settings, finish %d", finish);
  if (finish == 0) {  // toggled and OK
    SendMessageA(GetDlgItem(window, kSwitchId), BM_CLICK, 0, 0);
    SendMessageA(GetDlgItem(window, kOkId), BM_CLICK, 0, 0);
  } else if (finish == 1) {  // the close box
    PostMessageA(window, WM_CLOSE, 0, 0);
  } else {  // OK unchanged
    SendMessageA(GetDlgItem(window, kOkId), BM_CLICK, 0, 0);
  }
  bool ended = WaitUntil([&] { return WaitForSingleObject(process, 0) == WAIT_OBJECT_0; }, 30000);
  CloseHandle(process);
  if (!ended) Violation("the settings program did not end");
  size_t before = g_stubs.size();
  if (finish == 0 && g_marker) {  // switched on: a recognizer starts, the marker goes
    AdoptStub();
    g_marker = false;
  } else if (finish == 0) {  // switched off: the recognizer closes, the marker comes
    if (before && !AwaitOneClosed(30000)) Violation("switching off closed no recognizer");
    g_marker = true;
  }
  if (MarkerPresent() != g_marker) Violation("the marker is %s", g_marker ? "missing" : "still there");
  if (RecognizerWindows(0).size() != g_stubs.size())
    Violation("%zu recognizer windows, expected %zu", RecognizerWindows(0).size(), g_stubs.size());
  ReadActivations();
  g_synced = g_stubs.size() <= 1;
}

// The host's load: a fresh session; the host then names its folders again.
void Load() {
  Trace("load");
  std::string dir = g_pluginDir;
  ++g_events;
  DWORD start = GetTickCount();
  HGLOBAL block = FixedBlock(dir);
  g_load(block, static_cast<long>(dir.size()));
  TimeCall(start, "load");
  g_running.clear();
  g_bootTicks = 0;
  g_resumeUnknown = false;
  // Without the marker load starts the recognizer; with it the soak does.
  if (!g_marker) AdoptStub();
  PathList();
}

// unload closes the recognizer's window: the one stub the plug-in finds exits.
// A close that waited out the whole bound (the stub held a message) may have
// been given up: Wine drops a sent message that was not taken in time. The
// stub's log tells: it writes "close" when it takes one.
void Unload() {
  Trace("unload");
  ++g_events;
  DWORD start = GetTickCount();
  g_unload();
  const bool mayBeDropped = MayHaveTimedOut(TimeCall(start, "unload"));
  const size_t before = g_stubs.size();
  // Whether the recognizer took the close, and so which steps follow, was
  // up to timing.
  if (mayBeDropped && before) Trace("timing decides: unload's close may have been dropped");
  const long long closes = g_closesLogged;
  Sync();
  if (g_closesLogged != closes && !AwaitOneClosed(30000)) Violation("a closed recognizer did not end");
  if (g_closesLogged == closes && before && !mayBeDropped) Violation("unload closed none of %zu recognizers", before);
  ReadActivations();
  g_synced = g_stubs.size() <= 1;
  g_bootTicks = 0;
}

// --- memory and handles ---------------------------------------------------------

// The handles the model holds on purpose do not count.
std::vector<HANDLE> OwnHandles() {
  std::vector<HANDLE> own = g_stubs;
  for (auto& folder : g_disk)
    for (auto& entry : folder)
      if (entry.second.lock != INVALID_HANDLE_VALUE) own.push_back(entry.second.lock);
  return own;
}
int PluginHandles() { return OpenHandleCount() - static_cast<int>(OwnHandles().size()); }

// The counters must see what they are to catch.
void CheckCounters() {
  int handles = OpenHandleCount();
  HANDLE event = CreateEventA(nullptr, FALSE, FALSE, nullptr);
  bool handleSeen = OpenHandleCount() == handles + 1;
  CloseHandle(event);
  size_t bytes = CommittedPrivateBytes();
  void* block = VirtualAlloc(nullptr, 1 << 20, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
  bool blockSeen = CommittedPrivateBytes() >= bytes + (1 << 20);
  VirtualFree(block, 0, MEM_RELEASE);
  if (!handleSeen || !blockSeen) Violation("the leak counters do not see a leaked handle or block");
}

struct Baseline {
  bool taken = false;
  size_t bytes = 0;
  int handles = 0;
  int reloads = 0;
  std::map<std::string, int> kinds;
};
Baseline g_baseline;
long long g_memoryKb = 0;
int g_handleGrowth = 0;
bool g_leakOnPurpose = false;
std::vector<HANDLE> g_leakedHandles;  // kept, never closed
std::vector<void*> g_leakedBlocks;    // kept, never freed

// Open handles by kind, but for those the soak holds itself.
std::map<std::string, int> HandleKinds() {
  const std::vector<HANDLE> own = OwnHandles();
  std::map<std::string, int> kinds;
  for (HANDLE handle : OpenHandles())
    if (std::find(own.begin(), own.end(), handle) == own.end()) ++kinds[HandleKind(handle)];
  return kinds;
}

// The kinds of handle that grew since the baseline: what leaked.
std::string GrownKinds() {
  std::string text;
  for (const auto& kind : HandleKinds()) {
    auto before = g_baseline.kinds.find(kind.first);
    int grown = kind.second - (before == g_baseline.kinds.end() ? 0 : before->second);
    if (grown > 0) text += " " + kind.first + " +" + std::to_string(grown);
  }
  return text;
}

// Measured right after an unload, the same point of the session each time.
void Measure(bool warmedUp) {
  if (g_leakOnPurpose) {
    g_leakedHandles.push_back(CreateEventA(nullptr, FALSE, FALSE, nullptr));
    g_leakedBlocks.push_back(VirtualAlloc(nullptr, SIZE_T{64} * 1024, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE));
  }
  if (!warmedUp) return;
  size_t bytes = CommittedPrivateBytes();
  int handles = PluginHandles();
  Trace("measured %zu bytes, %d handles, %d reloads", bytes, handles, g_libraryReloads);
  if (!g_baseline.taken) {
    g_baseline = {true, bytes, handles, g_libraryReloads, HandleKinds()};
    return;
  }
  ++g_measurements;
  g_memoryKb = (static_cast<long long>(bytes) - static_cast<long long>(g_baseline.bytes)) / 1024;
  g_handleGrowth = handles - g_baseline.handles;
  int allowed = sizeof(void*) == 4 ? g_libraryReloads - g_baseline.reloads : 0;
  if (g_memoryKb > kMemoryToleranceKb) Violation("committed private memory grew by %lld KB", g_memoryKb);
  if (g_handleGrowth > allowed) Violation("open handles grew by %d:%s", g_handleGrowth, GrownKinds().c_str());
}

void Setup(const char* dll, const char* stub) {
  char temp[MAX_PATH];
  GetTempPathA(sizeof temp, temp);
  g_root = std::string(temp) + "vokira-soak-" + std::to_string(GetCurrentProcessId());
  g_pluginDir = g_root + "\\plugin";
  CreateDirectoryA(g_root.c_str(), nullptr);
  CreateDirectoryA(g_pluginDir.c_str(), nullptr);
  for (int i = 0; i < kFolders; ++i) {
    g_folders[i] = g_root + "\\ghost" + std::to_string(i);
    CreateDirectoryA(g_folders[i].c_str(), nullptr);
  }
  if (!CopyFileA(stub, StubFile(kWrapperProgram).c_str(), FALSE)) Violation("cannot copy the stub");
  std::string config = stub;
  config.replace(config.find_last_of("\\/") + 1, std::string::npos, kConfigProgram);
  if (!CopyFileA(config.c_str(), StubFile(kConfigProgram).c_str(), FALSE)) Violation("cannot copy %s", config.c_str());
  WriteBytes(StubFile(kMarkerFile), "surpress");
  char full[MAX_PATH];
  GetFullPathNameA(dll, sizeof full, full, nullptr);
  g_dllPath = full;

  WNDCLASSEXA host = {};
  host.cbSize = sizeof host;
  host.lpfnWndProc = HostWindowProc;
  host.hInstance = GetModuleHandleA(nullptr);
  host.lpszClassName = kHostClass;
  RegisterClassExA(&host);
  g_hostWindow = CreateWindowExA(0, kHostClass, "soak host", WS_OVERLAPPEDWINDOW, 0, 0, 100, 100, nullptr, nullptr,
                                 host.hInstance, nullptr);
  WNDCLASSEXA other = host;
  other.lpfnWndProc = OtherWindowProc;
  other.lpszClassName = kWrapperClass;
  RegisterClassExA(&other);
}

void Cleanup() {
  DeleteFileA(StubFile("wrapper-stub.hang").c_str());
  for (HANDLE process : g_stubs) {
    TerminateProcess(process, 1);
    WaitForSingleObject(process, 10000);
    CloseHandle(process);
  }
  g_stubs.clear();
  for (auto& folder : g_disk)
    for (auto& entry : folder) Unlock(entry.second);
  if (g_module) FreeLibrary(g_module);
  RemoveTree(g_root);
}

// Each folder starts with a few ghosts.
void PopulateFolders() {
  for (int folder = 0; folder < kFolders; ++folder) {
    std::vector<std::string> names = kNames;
    for (int i = 0, count = 3 + Below(4); i < count; ++i) {
      size_t pick = static_cast<size_t>(Below(static_cast<int>(names.size())));
      std::string directory = "d" + std::to_string(g_nextDirectory++);
      g_disk[folder][directory] = GhostFiles{names[pick], RandomSakura(), Shape::kPlain, INVALID_HANDLE_VALUE};
      names.erase(names.begin() + static_cast<long>(pick));
      WriteDescription(folder, directory);
    }
  }
}

DWORD g_startTick = 0;

void Run(DWORD seconds) {
  CheckCounters();
  PopulateFolders();
  LoadLibraryAgain();
  Load();
  // Starting a program through the shell the first time leaves the shell's
  // caches open in this process for good: that happens before the baseline.
  Settings();
  const DWORD start = g_startTick;
  const DWORD warmUp = seconds * 1000 / 5;
  bool measuredOnce = false;
  while (GetTickCount() - start < seconds * 1000) {
    ++g_step;
    Recover();
    CheckStopped();
    int pick = Below(100);
    if (pick < 22) {
      Tick();
    } else if (pick < 55) {
      GhostEvent();
    } else if (pick < 71) {
      ChangeDisk();
    } else if (pick < 80) {
      PathList();
    } else if (pick < 84) {
      InstallComplete();
    } else if (pick < 87) {
      OtherRequest();
    } else if (pick < 88) {
      Settings();
    } else if (pick < 97 || Chance(67)) {
      RecognizerFault();
    } else {
      Unload();
      Measure(GetTickCount() - start >= warmUp);
      measuredOnce = measuredOnce || g_baseline.taken;
      if (Chance(25)) {
        Trace("library loaded again");
        LoadLibraryAgain();
        ++g_libraryReloads;
        g_registry.clear();
        g_running.clear();
        g_listed.clear();
      }
      Load();
    }
    CheckStopped();
  }
  ++g_step;
  Unload();
  Measure(true);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 4) {
    std::fprintf(stderr, "usage: soak VOKIRA.dll WRAPPER-STUB.exe SECONDS [SEED [leak] [trace]]\n");
    return 2;
  }
  DWORD seconds = static_cast<DWORD>(std::strtoul(argv[3], nullptr, 10));
  g_seed = argc > 4 ? std::strtoull(argv[4], nullptr, 10) : static_cast<uint64_t>(GetTickCount()) * 2654435761ULL;
  g_state = g_seed;
  g_nestedState = ~g_seed;
  for (int i = 5; i < argc; ++i) {
    g_leakOnPurpose = g_leakOnPurpose || std::strcmp(argv[i], "leak") == 0;
    g_trace = g_trace || std::strcmp(argv[i], "trace") == 0;
  }
  std::printf("soak: %s seed %llu (replay: soak ... %lu %llu)\n", kArch, static_cast<unsigned long long>(g_seed),
              static_cast<unsigned long>(seconds), static_cast<unsigned long long>(g_seed));
  std::fflush(stdout);
  g_startTick = GetTickCount();
  try {
    Setup(argv[1], argv[2]);
    Run(seconds);
  } catch (...) {
    if (!g_violations) {
      std::printf("soak: violation at step %lld (seed %llu): stopped\n", g_step,
                  static_cast<unsigned long long>(g_seed));
      g_violations = 1;
    }
  }
  Cleanup();
  std::printf(
      "soak: %lld steps, %lld batches and %lld messages checked exactly, %lld leak checks after warm-up, "
      "%lld settings sessions\n",
      g_step, g_exactBatches, g_exactMessages, g_measurements, g_settingsRuns);
  std::printf(
      "soak: %s %lu s, %lld events, %lld recognizer faults, %d violations, memory %+lld KB, handles %+d, "
      "longest call %lu ms\n",
      kArch, static_cast<unsigned long>((GetTickCount() - g_startTick + 500) / 1000), g_events, g_faults, g_violations,
      g_memoryKb, g_handleGrowth, static_cast<unsigned long>(g_longestCall));
  return g_violations ? 1 : 0;
}
