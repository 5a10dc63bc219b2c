// The on/off switch of speech recognition: the marker file beside the
// plug-in and the running recognizer.
#pragma once
#include <windows.h>

#include <string>

// Recognition is on unless the marker file in `directory` (which ends with
// its separator) can be opened for reading.
bool IsRecognitionEnabled(const std::string& directory);

// Applies the check box `enableSwitch` when it differs from `initiallyEnabled`:
// turning on starts the recognizer, then deletes the marker (a read-only one
// too); turning off closes the recognizer's window, then writes the marker.
void ApplyEnableSwitch(const std::string& directory, HWND enableSwitch, bool initiallyEnabled);
