// What the Windows benchmarks share: a clock, host-style blocks, and
// vokira.dll loaded and called the way the host calls it.
#pragma once
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>

#include "tests/win/remove_tree.h"

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

// A scratch directory under the temporary folder, named for this program.
inline std::string ScratchDirectory(const char* name) {
  char base[MAX_PATH];
  GetTempPathA(sizeof base, base);
  return std::string(base) + name + "-" + std::to_string(GetCurrentProcessId());
}

// root\directory\ghost\master\descript.txt holding `descript`.
inline void WriteGhost(const std::string& root, const std::string& directory, const std::string& descript) {
  std::string path = root + "\\" + directory;
  for (const char* part : {"", "\\ghost", "\\master"}) CreateDirectoryA((path += part).c_str(), nullptr);
  FILE* f = std::fopen((path + "\\descript.txt").c_str(), "wb");
  if (!f) return;
  std::fwrite(descript.data(), 1, descript.size(), f);
  std::fclose(f);
}

// A small description file of the usual shape, CR LF line ends.
inline std::string SmallDescription(int i) {
  std::string n = std::to_string(i);
  return "charset,Shift_JIS\r\nname,Ghost " + n + "\r\nsakura.name,Sakura " + n + "\r\n";
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
