// Prints this program's pointer size and the ANSI code page, e.g. "4 932":
// the scripts build it for i686 and run it to learn whether this machine
// runs 32-bit Windows programs at all.
#include <windows.h>

#include <cstdio>

int main() {
  std::printf("%u %u\n", static_cast<unsigned>(sizeof(void*)), static_cast<unsigned>(GetACP()));
  return 0;
}
