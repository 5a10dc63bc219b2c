// One timer tick of vokira.dll with 1, 10 and 100 active ghosts, against the
// stub recognizer, beside the floor: the same number of bare
// SendMessageTimeoutA calls carrying the same activation messages.
//   tick_bench_win [PATH-TO-vokira.dll]   (wrapper-stub.exe beside this program)
#include "bench_win.h"

#include <vector>

#include "common/names.h"

static std::string ProgramDirectory() {
  char path[MAX_PATH * 4];
  std::string s(path, GetModuleFileNameA(nullptr, path, sizeof path));
  return s.substr(0, s.find_last_of("\\/"));
}

// Dispatches the next tick of the plug-in's timer and returns how long the
// tick itself took.
static double TimeOneTick() {
  MSG msg;
  while (!PeekMessageA(&msg, nullptr, WM_TIMER, WM_TIMER, PM_REMOVE))
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 50, QS_TIMER);
  double start = Now();
  DispatchMessageA(&msg);
  return Now() - start;
}

static double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

int main(int argc, char** argv) {
  const std::string dir = ScratchDirectory("vokira-tick-bench");
  const std::string root = dir + "\\ghosts";
  CreateDirectoryA(dir.c_str(), nullptr);
  CreateDirectoryA(root.c_str(), nullptr);
  CopyFileA((ProgramDirectory() + "\\wrapper-stub.exe").c_str(), (dir + "\\" + kWrapperProgram).c_str(), FALSE);
  for (int i = 0; i < 100; ++i) WriteGhost(root, "ghost" + std::to_string(i), SmallDescription(i));

  BenchPlugin plugin;
  if (!plugin.Open(argc > 1 ? argv[1] : "vokira.dll")) return 2;
  plugin.Load(dir);
  HWND window = nullptr;
  for (int i = 0; i < 600 && !(window = FindWindowA(kWrapperClass, kWrapperTitle)); ++i) Sleep(100);
  if (!window) {
    std::fprintf(stderr, "the stub did not start\n");
    return 2;
  }
  plugin.Request("GET PLUGIN/2.0\r\nID: ghostpathlist\r\nReference0: " + root + "\r\n\r\n");

  std::printf("%8s %10s %10s %8s\n", "active", "tick us", "floor us", "ratio");
  int booted = 0;
  for (int active : {1, 10, 100}) {
    char name[32];
    for (; booted < active; ++booted) {
      std::snprintf(name, sizeof name, "Ghost %d", booted);
      plugin.Request(std::string("NOTIFY PLUGIN/2.0\r\nID: OnGhostBoot\r\nReference1: ") + name + "\r\n\r\n");
    }
    for (int i = 0; i < 3; ++i) TimeOneTick();  // past the boot count
    std::vector<double> ticks, floors;
    for (int round = 0; round < 15; ++round) {
      // Both sides start after the same idle time, so that waking the stub
      // costs each of them alike: a tick comes 250 ms after the last one.
      ticks.push_back(TimeOneTick());
      Sleep(250);
      double start = Now();
      for (int i = 0; i < active; ++i) {
        char sakura[32];
        std::snprintf(sakura, sizeof sakura, "Sakura %d", i);
        COPYDATASTRUCT data = {1, static_cast<DWORD>(std::strlen(sakura)), sakura};
        DWORD_PTR result;
        SendMessageTimeoutA(window, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&data), SMTO_NORMAL | SMTO_ABORTIFHUNG,
                            1000, &result);
      }
      floors.push_back(Now() - start);
      TimeOneTick();  // due during the sleep: it runs at once, so it is not counted
    }
    double tick = Median(ticks), floor = Median(floors);
    std::printf("%8d %10.1f %10.1f %8.2f\n", active, tick * 1e6, floor * 1e6, tick / floor);
  }
  plugin.unload();
  for (int i = 0; i < 100 && IsWindow(window); ++i) Sleep(50);
  RemoveTree(dir);
  return 0;
}
