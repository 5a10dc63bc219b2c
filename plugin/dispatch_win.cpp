#include "dispatch_win.h"

#include "ghost_scan_win.h"

void RunHandler(Handler handler) {
  switch (handler) {
    case Handler::kGhostPathList:
      OnGhostPathList();
      break;
    case Handler::kGhostBoot:
    case Handler::kGhostInfoUpdate:
    case Handler::kGhostExit:
    case Handler::kMenuExec:
    case Handler::kSecondChange:
    case Handler::kNone:
      break;
  }
}
