// The ghostpathlist rebuild through vokira.dll, for trees of 100, 1,000 and
// 10,000 ghosts, beside the floor: a loop that enumerates the same tree and
// reads every description file byte by byte with the same stdio calls.
//   registry_bench_win [PATH-TO-vokira.dll]
#include "bench_win.h"

// A description of the usual size and shape: a dozen lines, CR LF ends.
static std::string Description(int i) {
  std::string n = std::to_string(i);
  return "charset,Shift_JIS\r\ntype,ghost\r\nname,Ghost " + n + "\r\nsakura.name,Sakura " + n + "\r\nkero.name,Kero " +
         n + "\r\ncraftman,someone\r\ncraftmanw,someone\r\ncraftmanurl,http://example.org/" + n +
         "/\r\nhomeurl,http://example.org/" + n +
         "/update/\r\nshiori,yaya.dll\r\nsakura.seriko.defaultsurface,0\r\n"
         "kero.seriko.defaultsurface,10\r\n";
}

static void MakeTree(const std::string& root, int from, int to) {
  CreateDirectoryA(root.c_str(), nullptr);
  for (int i = from; i < to; ++i) WriteGhost(root, "ghost" + std::to_string(i), Description(i));
}

static volatile long g_sink;

// The same calls the rebuild makes, with nothing kept.
static void Floor(const std::string& root) {
  WIN32_FIND_DATAA found;
  HANDLE search = FindFirstFileA((root + "\\*.*").c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return;
  long bytes = 0;
  do {
    if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) continue;
    if (!std::strcmp(found.cFileName, ".") || !std::strcmp(found.cFileName, "..")) continue;
    std::string path = root + "\\" + found.cFileName + "\\ghost\\master\\descript.txt";
    FILE* f = std::fopen(path.c_str(), "r");
    if (!f) continue;
    while (std::fgetc(f) != EOF) ++bytes;
    std::fclose(f);
  } while (FindNextFileA(search, &found));
  FindClose(search);
  g_sink = bytes;
}

int main(int argc, char** argv) {
  BenchPlugin plugin;
  if (!plugin.Open(argc > 1 ? argv[1] : "vokira.dll")) return 2;
  plugin.Load("C:\\vokira-bench-nothing-here");
  const std::string root = ScratchDirectory("vokira-registry-bench");

  std::printf("%8s %12s %10s %12s %10s %8s\n", "ghosts", "rebuild ms", "us/ghost", "floor ms", "us/ghost", "ratio");
  int made = 0;
  for (int ghosts : {100, 1000, 10000}) {
    MakeTree(root, made, ghosts);
    made = ghosts;
    const std::string request =
        "GET PLUGIN/2.0\r\nID: ghostpathlist\r\nCharset: Shift_JIS\r\nReference0: " + root + "\r\n\r\n";
    int rounds = std::max(1, 2000 / ghosts);
    // Alternating keeps both sides on equally warm caches.
    double rebuild = 1e9, floor = 1e9;
    for (int r = 0; r < 5; ++r) {
      rebuild = std::min(rebuild, BestSeconds(1, rounds, [&] { plugin.Request(request); }));
      floor = std::min(floor, BestSeconds(1, rounds, [&] { Floor(root); }));
    }
    std::printf("%8d %12.2f %10.2f %12.2f %10.2f %8.2f\n", ghosts, rebuild * 1e3, rebuild * 1e6 / ghosts, floor * 1e3,
                floor * 1e6 / ghosts, rebuild / floor);
  }
  plugin.unload();
  RemoveTree(root);
  return 0;
}
