// Names that the plug-in, the settings program and the recognizer agree on.
#pragma once

// The recognizer's window. The settings window shares the title, so every
// lookup names the class as well.
inline constexpr char kWrapperClass[] = "VokiraWrapperClass";
inline constexpr char kWrapperTitle[] = "Vokira - Julius Wrapper";

// Files in the plug-in directory.
inline constexpr char kWrapperProgram[] = "vokira.exe";
inline constexpr char kConfigProgram[] = "config.exe";
inline constexpr char kMarkerFile[] = "surpress.dat";  // spelled as the files on disk are
