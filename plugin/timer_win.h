#pragma once
#include <windows.h>

// The 250 ms thread timer that load starts and unload stops.
void StartTimer();
void StopTimer();
