// Talking to the recognizer process through its window.
#pragma once
#include <windows.h>

#include <string>

// How long one send may wait for the recognizer: a hung recognizer must not
// freeze the host's thread (or the settings window).
inline constexpr UINT kSendTimeoutMs = 1000;

HWND FindWrapperWindow();
// Tells the recognizer that the ghost with this sakura name started (true) or
// ended (false). Nothing happens when its window is not there.
void SendActivation(bool active, const std::string& sakuraName);
// The same message to a window the caller has just found, waiting at most
// `timeoutMs`; false when the window did not take it in time (hung, or gone).
bool SendActivationTo(HWND window, bool active, const std::string& sakuraName, UINT timeoutMs = kSendTimeoutMs);
void CloseWrapper();
// Starts a program by its full path; a program that cannot start is passed over.
void StartProgram(const std::string& path);
