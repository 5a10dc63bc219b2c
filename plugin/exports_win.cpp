// The three functions the host calls, and the memory rules at that boundary.
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "../common/names.h"
#include "../common/wrapper_win.h"
#include "dispatch_win.h"
#include "events_win.h"
#include "lifecycle.h"
#include "request.h"
#include "timer_win.h"

// The blocks the host hands over are ours to free, whatever else happens.
struct FreeOnExit {
  HGLOBAL block;
  ~FreeOnExit() {
    if (block) GlobalFree(block);
  }
};

// The host's blocks are fixed memory, whose handle is the address of the bytes.
// A null block or a negative length reads as empty.
static std::string_view BlockText(HGLOBAL block, long length) {
  if (!block || length <= 0) return {};
  return std::string_view(static_cast<const char*>(block), static_cast<size_t>(length));
}

// Only the marker's existence and readability count.
static bool IsSuppressed() {
  FILE* marker = std::fopen(PluginPath(kMarkerFile).c_str(), "r");
  if (!marker) return false;
  std::fclose(marker);
  return true;
}

extern "C" BOOL __cdecl load(HGLOBAL h, long len) noexcept {
  try {
    FreeOnExit owner{h};
    // Emptied first: a copy that fails must not leave the old directory.
    SetPluginDirectory({});
    SetPluginDirectory(BlockText(h, len));
    StartGhostSession();
    if (!IsSuppressed()) StartProgram(PluginPath(kWrapperProgram));
  } catch (...) {
  }
  try {
    StartTimer();
  } catch (...) {
  }
  return TRUE;
}

extern "C" BOOL __cdecl unload() noexcept {
  try {
    CloseWrapper();
  } catch (...) {
  }
  StopTimer();
  return TRUE;
}

static HGLOBAL ReplyBlock(std::string_view reply, long* len) {
  HGLOBAL block = GlobalAlloc(GMEM_FIXED, reply.size());
  if (!block) {
    *len = 0;
    return nullptr;
  }
  std::memcpy(block, reply.data(), reply.size());
  *len = static_cast<long>(reply.size());
  return block;
}

extern "C" HGLOBAL __cdecl request(HGLOBAL h, long* len) noexcept {
  if (!len) {
    if (h) GlobalFree(h);
    return nullptr;
  }
  std::string_view reply = kReplyBadRequest;
  try {
    // Handled in place and freed after: the same as handling a copy, without
    // a second copy of a request that may be megabytes long.
    FreeOnExit owner{h};
    reply = HandleRequest(BlockText(h, *len), RunHandler);
  } catch (...) {
    // Handlers' own failures are caught inside; anything else that escapes
    // means the request was not handled, and the host hears so.
  }
  return ReplyBlock(reply, len);
}

// The statically linked C++ runtime allocates its emergency exception pool at
// start-up (about 71 KB on x86-64, 18 KB on i686) and frees it only when asked:
// without this every FreeLibrary + LoadLibrary by the host would leave one
// behind. At process exit (reserved not null) the address space goes anyway.
namespace __gnu_cxx {
void __freeres() noexcept;  // NOLINT(bugprone-reserved-identifier): the runtime's own name
}

BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID reserved) {
  if (reason == DLL_PROCESS_DETACH && !reserved) __gnu_cxx::__freeres();
  return TRUE;
}
