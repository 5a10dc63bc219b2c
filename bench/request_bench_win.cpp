// The request round trip through vokira.dll's exports, as the host makes it,
// beside the floor: the same block allocations and copies with no parsing.
//   request_bench_win [PATH-TO-vokira.dll]
#include "bench_win.h"

#include <vector>

// Many short header lines, the shape of a real request, grown to `size`.
static std::string MakeRequest(size_t size) {
  std::string text = "NOTIFY PLUGIN/2.0\r\nID: OnSecondChange\r\nCharset: Shift_JIS\r\n";
  for (unsigned i = 0; text.size() + 32 < size; ++i)
    text += "Reference" + std::to_string(i % 8) + ": value " + std::to_string(i) + "\r\n";
  return text + "\r\n";
}

// Enough rounds for about 64 MB of requests per run.
static int RoundsFor(size_t bytes) { return static_cast<int>(std::max<size_t>(3, (64u << 20) / bytes)); }

int main(int argc, char** argv) {
  std::string path = argc > 1 ? argv[1] : "vokira.dll";
  BenchPlugin plugin;
  if (!plugin.Open(path)) return 2;
  // A directory without vokira.exe: nothing is started.
  plugin.Load("C:\\vokira-bench-nothing-here");

  std::printf("%10s %14s %10s %14s %10s %8s\n", "bytes", "round trip us", "ns/byte", "floor us", "ns/byte", "ratio");
  const std::string reply = "PLUGIN/2.0 200 OK\r\nCharset: Shift_JIS\r\n\r\n";
  for (size_t size : {size_t(10) << 10, size_t(100) << 10, size_t(1) << 20, size_t(10) << 20}) {
    const std::string text = MakeRequest(size);
    double trip = BestSeconds(5, RoundsFor(text.size()), [&] { plugin.Request(text); });
    double floor = BestSeconds(5, RoundsFor(text.size()), [&] {
      GlobalFree(HostBlock(text));
      GlobalFree(HostBlock(reply));
    });
    const double bytes = static_cast<double>(text.size());
    std::printf("%10zu %14.1f %10.3f %14.1f %10.3f %8.2f\n", text.size(), trip * 1e6, trip * 1e9 / bytes, floor * 1e6,
                floor * 1e9 / bytes, trip / floor);
  }
  plugin.unload();
  return 0;
}
