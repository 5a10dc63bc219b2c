#include "lifecycle.h"

static std::string g_pluginDirectory;

void SetPluginDirectory(std::string_view directory) { g_pluginDirectory = directory; }

std::string PluginPath(const char* name) { return g_pluginDirectory + "\\" + name; }
