#include "timer_win.h"

#include "events_win.h"

static UINT_PTR g_timer = 0;

// Called from the host thread's message dispatching, through system frames
// that an exception cannot cross.
static void CALLBACK OnTimer(HWND, UINT, UINT_PTR, DWORD) noexcept {
  try {
    OnTick();
  } catch (...) {
  }
}

void StartTimer() {
  // A second load without unload must not leave the first timer running.
  StopTimer();
  g_timer = SetTimer(nullptr, 0, 250, OnTimer);
}

void StopTimer() {
  if (g_timer) KillTimer(nullptr, g_timer);
  g_timer = 0;
}
