#include "lifecycle.h"

static std::string g_pluginDirectory;

void SetPluginDirectory(std::string_view directory) {
  // A host that counts a final zero byte in the length would otherwise make
  // every path end at that byte: the folder itself would be opened.
  g_pluginDirectory = directory.substr(0, directory.find('\0'));
}

std::string PluginPath(const char* name) { return g_pluginDirectory + "\\" + name; }
