// Committed private memory of a process that drives vokira.dll: after the first 1,000
// requests, then after 1,000,000 requests and 1,000 registry rebuilds.
// A plug-in that keeps nothing per request shows no growth.
//   memory_bench_win [PATH-TO-vokira.dll]
#include "bench_win.h"
#include "tests/win/process_counts.h"

static double PrivateMegabytes() { return static_cast<double>(CommittedPrivateBytes()) / (1 << 20); }

int main(int argc, char** argv) {
  const std::string root = ScratchDirectory("vokira-memory-bench");
  CreateDirectoryA(root.c_str(), nullptr);
  for (int i = 0; i < 100; ++i) WriteGhost(root, "ghost" + std::to_string(i), SmallDescription(i));

  BenchPlugin plugin;
  if (!plugin.Open(argc > 1 ? argv[1] : "vokira.dll")) return 2;
  plugin.Load("C:\\vokira-bench-nothing-here");
  const std::string rebuild = "GET PLUGIN/2.0\r\nID: ghostpathlist\r\nReference0: " + root + "\r\n\r\n";
  plugin.Request(rebuild);
  // The host's usual traffic: the second tick, queries, and ghost events
  // (no recognizer runs, so the events send nothing).
  const std::string requests[] = {
      "NOTIFY PLUGIN/2.0\r\nID: OnSecondChange\r\nCharset: Shift_JIS\r\nSender: SSP\r\nReference0: 0\r\n\r\n",
      "GET PLUGIN/2.0\r\nID: version\r\nCharset: Shift_JIS\r\nSender: SSP\r\n\r\n",
      "NOTIFY PLUGIN/2.0\r\nID: OnGhostBoot\r\nCharset: Shift_JIS\r\nReference1: Ghost 7\r\n\r\n",
      "NOTIFY PLUGIN/2.0\r\nID: OnGhostExit\r\nCharset: Shift_JIS\r\nReference1: Ghost 7\r\n\r\n",
  };
  auto run = [&](int count) {
    for (int i = 0; i < count; ++i) plugin.Request(requests[i % 4]);
  };

  run(1000);
  double first = PrivateMegabytes();
  double start = Now();
  run(1000000);
  double requestSeconds = Now() - start;
  double afterRequests = PrivateMegabytes();
  start = Now();
  for (int i = 0; i < 1000; ++i) plugin.Request(rebuild);
  double rebuildSeconds = Now() - start;
  double afterRebuilds = PrivateMegabytes();
  plugin.unload();
  RemoveTree(root);

  std::printf("%-36s %12s\n", "private bytes", "MB");
  std::printf("%-36s %12.2f\n", "after 1,000 requests", first);
  std::printf("%-36s %12.2f  (%.1f us/request)\n", "after 1,000,000 more requests", afterRequests,
              requestSeconds * 1e6 / 1000000);
  std::printf("%-36s %12.2f  (%.1f ms/rebuild of 100 ghosts)\n", "after 1,000 rebuilds", afterRebuilds,
              rebuildSeconds * 1e3 / 1000);
  std::printf("%-36s %12.2f\n", "growth", afterRebuilds - first);
  return 0;
}
