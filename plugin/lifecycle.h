// The plug-in's state that outlives one request.
#pragma once
#include <string>
#include <string_view>

// The directory the host gave to load, kept byte for byte up to its first
// zero byte, if it holds one.
void SetPluginDirectory(std::string_view directory);

// The directory + "\" + name: the directory is a prefix, used as given.
std::string PluginPath(const char* name);
