// Drives the ghostpathlist and OnInstallComplete requests through the plug-in's own dispatch and
// reads back what the registry holds.
#pragma once
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "plugin/dispatch_win.h"
#include "plugin/registry.h"
#include "plugin/request.h"

using Entries = std::map<std::string, std::string>;  // name -> sakura name

inline void GhostPathList(const std::string& root) {
  std::string text = "GET PLUGIN/2.0\r\nID: ghostpathlist\r\nCharset: Shift_JIS\r\nReference0: " + root + "\r\n\r\n";
  ASSERT_EQ(HandleRequest(text, RunHandler), kReplyOk);
}

// One ghostpathlist naming every folder, Reference0 first.
inline std::string GhostPathListRequest(const std::vector<std::string>& folders) {
  std::string text = "GET PLUGIN/2.0\r\nID: ghostpathlist\r\nCharset: Shift_JIS\r\n";
  for (size_t i = 0; i < folders.size(); ++i) text += "Reference" + std::to_string(i) + ": " + folders[i] + "\r\n";
  return text + "\r\n";
}

inline void GhostPathListOf(const std::vector<std::string>& folders) {
  ASSERT_EQ(HandleRequest(GhostPathListRequest(folders), RunHandler), kReplyOk);
}

// The host's report of an install: types, names and paths each joined by 0x01.
inline std::string InstallComplete(const std::string& types, const std::string& names, const std::string& paths) {
  return "NOTIFY PLUGIN/2.0\r\nID: OnInstallComplete\r\nCharset: Shift_JIS\r\nSender: SSP\r\nReference0: " + types +
         "\r\nReference1: " + names + "\r\nReference2: " + paths + "\r\n\r\n";
}

inline Entries Registered() {
  Entries entries;
  for (const auto& [name, record] : Ghosts()) entries[name] = record.sakuraName;
  return entries;
}
