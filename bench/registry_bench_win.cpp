// The ghostpathlist rebuild through vokira.dll, for trees of 100, 1,000 and
// 10,000 ghosts in one folder and spread over four, beside the floor: a loop
// that enumerates the same folders and reads every description file byte by
// byte with the same stdio calls.
//   registry_bench_win [PATH-TO-vokira.dll]
#include "bench_win.h"

#include <vector>

// A description of the usual size and shape: a dozen lines, CR LF ends.
static std::string Description(int i) {
  std::string n = std::to_string(i);
  return "charset,Shift_JIS\r\ntype,ghost\r\nname,Ghost " + n + "\r\nsakura.name,Sakura " + n + "\r\nkero.name,Kero " +
         n + "\r\ncraftman,someone\r\ncraftmanw,someone\r\ncraftmanurl,http://example.org/" + n +
         "/\r\nhomeurl,http://example.org/" + n +
         "/update/\r\nshiori,yaya.dll\r\nsakura.seriko.defaultsurface,0\r\n"
         "kero.seriko.defaultsurface,10\r\n";
}

// Ghosts from..to-1, the i-th in folder i % folders.size().
static void MakeTree(const std::vector<std::string>& folders, int from, int to) {
  for (const std::string& folder : folders) CreateDirectoryA(folder.c_str(), nullptr);
  for (int i = from; i < to; ++i)
    WriteGhost(folders[static_cast<size_t>(i) % folders.size()], "ghost" + std::to_string(i), Description(i));
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

// Rebuilds over `folders` (Reference0, Reference1, ...) for 100 to 10,000 ghosts.
static void Run(BenchPlugin& plugin, const char* title, const std::vector<std::string>& folders) {
  std::printf("%s\n%8s %12s %10s %12s %10s %8s\n", title, "ghosts", "rebuild ms", "us/ghost", "floor ms", "us/ghost",
              "ratio");
  std::string request = "GET PLUGIN/2.0\r\nID: ghostpathlist\r\nCharset: Shift_JIS\r\n";
  for (size_t i = 0; i < folders.size(); ++i) request += "Reference" + std::to_string(i) + ": " + folders[i] + "\r\n";
  request += "\r\n";
  int made = 0;
  for (int ghosts : {100, 1000, 10000}) {
    MakeTree(folders, made, ghosts);
    made = ghosts;
    int rounds = std::max(1, 2000 / ghosts);
    // Alternating keeps both sides on equally warm caches.
    double rebuild = 1e9, floor = 1e9;
    for (int r = 0; r < 5; ++r) {
      rebuild = std::min(rebuild, BestSeconds(1, rounds, [&] { plugin.Request(request); }));
      floor = std::min(floor, BestSeconds(1, rounds, [&] {
                         for (const std::string& folder : folders) Floor(folder);
                       }));
    }
    std::printf("%8d %12.2f %10.2f %12.2f %10.2f %8.2f\n", ghosts, rebuild * 1e3, rebuild * 1e6 / ghosts, floor * 1e3,
                floor * 1e6 / ghosts, rebuild / floor);
  }
}

int main(int argc, char** argv) {
  BenchPlugin plugin;
  if (!plugin.Open(argc > 1 ? argv[1] : "vokira.dll")) return 2;
  plugin.Load("C:\\vokira-bench-nothing-here");
  const std::string root = ScratchDirectory("vokira-registry-bench");
  CreateDirectoryA(root.c_str(), nullptr);
  const std::string one = root + "\\one", four = root + "\\four";
  Run(plugin, "one folder", {one});
  CreateDirectoryA(four.c_str(), nullptr);
  Run(plugin, "\nfour folders", {four + "\\a", four + "\\b", four + "\\c", four + "\\d"});
  plugin.unload();
  RemoveTree(root);
  return 0;
}
