// The request round trip through vokira.dll's exports, as the host makes it,
// beside the floor: the same block allocations and copies with no parsing.
//   request_bench_win [PATH-TO-vokira.dll]
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

using LoadFunc = BOOL(__cdecl*)(HGLOBAL, long);
using RequestFunc = HGLOBAL(__cdecl*)(HGLOBAL, long*);
using UnloadFunc = BOOL(__cdecl*)();

static double Now() {
  static LARGE_INTEGER frequency = [] {
    LARGE_INTEGER f;
    QueryPerformanceFrequency(&f);
    return f;
  }();
  LARGE_INTEGER t;
  QueryPerformanceCounter(&t);
  return static_cast<double>(t.QuadPart) / static_cast<double>(frequency.QuadPart);
}

static HGLOBAL HostBlock(const std::string& text) {
  HGLOBAL block = GlobalAlloc(GMEM_FIXED, text.size());
  std::memcpy(block, text.data(), text.size());
  return block;
}

// Many short header lines, the shape of a real request, grown to `size`.
static std::string MakeRequest(size_t size) {
  std::string text = "NOTIFY PLUGIN/2.0\r\nID: OnSecondChange\r\nCharset: Shift_JIS\r\n";
  for (unsigned i = 0; text.size() + 32 < size; ++i)
    text += "Reference" + std::to_string(i % 8) + ": value " + std::to_string(i) + "\r\n";
  return text + "\r\n";
}

template <typename Work>
static double BestSeconds(size_t bytes, Work work) {
  int rounds = static_cast<int>(std::max<size_t>(3, (64u << 20) / bytes));
  double best = 1e9;
  for (int r = 0; r < 5; ++r) {
    double start = Now();
    for (int i = 0; i < rounds; ++i) work();
    best = std::min(best, (Now() - start) / rounds);
  }
  return best;
}

int main(int argc, char** argv) {
  std::string path = argc > 1 ? argv[1] : "vokira.dll";
  HMODULE plugin = LoadLibraryA(path.c_str());
  if (!plugin) {
    std::fprintf(stderr, "cannot load %s\n", path.c_str());
    return 2;
  }
  auto load = reinterpret_cast<LoadFunc>(reinterpret_cast<void*>(GetProcAddress(plugin, "load")));
  auto request = reinterpret_cast<RequestFunc>(reinterpret_cast<void*>(GetProcAddress(plugin, "request")));
  auto unload = reinterpret_cast<UnloadFunc>(reinterpret_cast<void*>(GetProcAddress(plugin, "unload")));
  // A directory without vokira.exe: nothing is started.
  std::string directory = "C:\\vokira-bench-nothing-here";
  load(HostBlock(directory), static_cast<long>(directory.size()));

  std::printf("%10s %14s %10s %14s %10s %8s\n", "bytes", "round trip us", "ns/byte", "floor us", "ns/byte", "ratio");
  const std::string reply = "PLUGIN/2.0 200 OK\r\nCharset: Shift_JIS\r\n\r\n";
  for (size_t size : {size_t(10) << 10, size_t(100) << 10, size_t(1) << 20, size_t(10) << 20}) {
    const std::string text = MakeRequest(size);
    double trip = BestSeconds(text.size(), [&] {
      long len = static_cast<long>(text.size());
      HGLOBAL reply = request(HostBlock(text), &len);
      GlobalFree(reply);
    });
    double floor = BestSeconds(text.size(), [&] {
      GlobalFree(HostBlock(text));
      GlobalFree(HostBlock(reply));
    });
    std::printf("%10zu %14.1f %10.3f %14.1f %10.3f %8.2f\n", text.size(), trip * 1e6, trip * 1e9 / text.size(),
                floor * 1e6, floor * 1e9 / text.size(), trip / floor);
  }
  unload();
  FreeLibrary(plugin);
  return 0;
}
