// The plug-in's state that outlives one request.
#pragma once
#include <string>

// The directory the host gave to load, byte for byte.
const std::string& PluginDirectory();

// PluginDirectory() + "\" + name: the directory is a prefix, used as given.
std::string PluginPath(const char* name);
