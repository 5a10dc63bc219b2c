// Drives the ghostpathlist request through the plug-in's own dispatch and
// reads back what the registry holds.
#pragma once
#include <gtest/gtest.h>

#include <map>
#include <string>

#include "plugin/dispatch_win.h"
#include "plugin/registry.h"
#include "plugin/request.h"

using Entries = std::map<std::string, std::string>;  // name -> sakura name

inline void GhostPathList(const std::string& root) {
  std::string text = "GET PLUGIN/2.0\r\nID: ghostpathlist\r\nCharset: Shift_JIS\r\nReference0: " + root + "\r\n\r\n";
  ASSERT_EQ(HandleRequest(text, RunHandler), kReplyOk);
}

inline Entries Registered() {
  Entries entries;
  for (const auto& [name, record] : Ghosts()) entries[name] = record.sakuraName;
  return entries;
}
