// The host's ghost and menu events, and the timer's re-announcements of the
// running ghosts to the recognizer.
#pragma once

// Reference1 names the ghost; events for ghosts not in the registry do nothing.
void OnGhostBoot();
void OnGhostInfoUpdate();
void OnGhostExit();
// Starts the settings program from the plug-in directory.
void OnMenuExec();

// A load starts afresh: no ghost runs until the host says so, and the
// recognizer's window must be seen on three ticks again.
void StartGhostSession();

// Once the recognizer's window has been there for three ticks in a row, each
// tick announces the active ghosts again, in ascending name order, within one
// send bound in all; a tick cut short leaves the rest to the next ones.
void OnTick();
