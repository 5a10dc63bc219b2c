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

  const std::string reply = "PLUGIN/2.0 200 OK\r\nCharset: Shift_JIS\r\n\r\n";
  auto floor = [&](const std::string& text) {
    GlobalFree(HostBlock(text));
    GlobalFree(HostBlock(reply));
  };

  // The requests the host really sends, a few hundred bytes each.
  const struct {
    const char* name;
    std::string text;
  } typical[] = {
      {"OnSecondChange",
       "NOTIFY PLUGIN/2.0\r\nID: OnSecondChange\r\nCharset: Shift_JIS\r\nSender: SSP\r\n"
       "Reference0: 0\r\nReference1: 0\r\nReference2: 0\r\nReference3: 1\r\n\r\n"},
      {"version", "GET PLUGIN/2.0\r\nID: version\r\nCharset: Shift_JIS\r\nSender: SSP\r\n\r\n"},
      {"OnGhostBoot (ghost not installed)",
       "NOTIFY PLUGIN/2.0\r\nID: OnGhostBoot\r\nCharset: Shift_JIS\r\nSender: SSP\r\n"
       "Reference0: 65636\x01"
       "65640\r\nReference1: \x8d\x67\x97\x74\r\nReference2: master\r\n"
       "Reference3: momiji\r\nReference4: C:\\ssp\\ghost\\momiji\\\r\n\r\n"},
  };
  std::printf("%-34s %6s %14s %14s %8s\n", "request", "bytes", "round trip us", "floor us", "ratio");
  for (const auto& r : typical) {
    double trip = BestSeconds(5, 20000, [&] { plugin.Request(r.text); });
    double bare = BestSeconds(5, 20000, [&] { floor(r.text); });
    std::printf("%-34s %6zu %14.2f %14.2f %8.2f\n", r.name, r.text.size(), trip * 1e6, bare * 1e6, trip / bare);
  }

  // Large requests: the time per byte must stay flat.
  std::printf("\n%10s %14s %10s %14s %10s %8s\n", "bytes", "round trip us", "ns/byte", "floor us", "ns/byte", "ratio");
  for (size_t size : {size_t(1) << 10, size_t(10) << 10, size_t(100) << 10, size_t(1) << 20, size_t(10) << 20}) {
    const std::string text = MakeRequest(size);
    double trip = BestSeconds(5, RoundsFor(text.size()), [&] { plugin.Request(text); });
    double bare = BestSeconds(5, RoundsFor(text.size()), [&] { floor(text); });
    const double bytes = static_cast<double>(text.size());
    std::printf("%10zu %14.1f %10.3f %14.1f %10.3f %8.2f\n", text.size(), trip * 1e6, trip * 1e9 / bytes, bare * 1e6,
                bare * 1e9 / bytes, trip / bare);
  }
  plugin.unload();
  return 0;
}
