// The plug-in's state that outlives one request.
#pragma once
#include <string>
#include <string_view>

// The directory the host gave to load, byte for byte.
const std::string& PluginDirectory();
void SetPluginDirectory(std::string_view directory);

// PluginDirectory() + "\" + name: the directory is a prefix, used as given.
std::string PluginPath(const char* name);
