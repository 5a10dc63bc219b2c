// The host's ghost and menu events, and the timer's re-announcements of the
// running ghosts to the recognizer.
#pragma once

// Reference1 names the ghost; events for ghosts not in the registry do nothing.
void OnGhostBoot();
void OnGhostInfoUpdate();
void OnGhostExit();
// Starts the settings program from the plug-in directory.
void OnMenuExec();

// Once the recognizer's window has been there for three ticks in a row, each
// tick announces every active ghost again, in ascending name order.
void OnTick();
