// What the Windows benchmarks share: a clock, host-style blocks, and
// vokira.dll loaded and called the way the host calls it.
#pragma once
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>

inline double Now() {
  static LARGE_INTEGER frequency = [] {
    LARGE_INTEGER f;
    QueryPerformanceFrequency(&f);
    return f;
  }();
  LARGE_INTEGER t;
  QueryPerformanceCounter(&t);
  return static_cast<double>(t.QuadPart) / static_cast<double>(frequency.QuadPart);
}

inline HGLOBAL HostBlock(const std::string& text) {
  HGLOBAL block = GlobalAlloc(GMEM_FIXED, text.size());
  std::memcpy(block, text.data(), text.size());
  return block;
}

// The best time of `runs` runs of `rounds` calls, per call.
template <typename Work>
double BestSeconds(int runs, int rounds, Work work) {
  double best = 1e9;
  for (int r = 0; r < runs; ++r) {
    double start = Now();
    for (int i = 0; i < rounds; ++i) work();
    best = std::min(best, (Now() - start) / rounds);
  }
  return best;
}

struct BenchPlugin {
  HMODULE module = nullptr;
  BOOL(__cdecl* load)(HGLOBAL, long) = nullptr;
  HGLOBAL(__cdecl* request)(HGLOBAL, long*) = nullptr;
  BOOL(__cdecl* unload)() = nullptr;

  bool Open(const std::string& path) {
    module = LoadLibraryA(path.c_str());
    if (!module) {
      std::fprintf(stderr, "cannot load %s\n", path.c_str());
      return false;
    }
    load = reinterpret_cast<decltype(load)>(reinterpret_cast<void*>(GetProcAddress(module, "load")));
    request = reinterpret_cast<decltype(request)>(reinterpret_cast<void*>(GetProcAddress(module, "request")));
    unload = reinterpret_cast<decltype(unload)>(reinterpret_cast<void*>(GetProcAddress(module, "unload")));
    return load && request && unload;
  }
  void Load(const std::string& directory) { load(HostBlock(directory), static_cast<long>(directory.size())); }
  void Request(const std::string& text) {
    long len = static_cast<long>(text.size());
    GlobalFree(request(HostBlock(text), &len));
  }
};
