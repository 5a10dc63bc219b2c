#include "request.h"

#include <map>

// Filled per request, read by the handlers while the request is handled.
static std::map<std::string, std::string> g_headers;

void FillHeaderTable(std::string_view text) {
  g_headers.clear();
  ForEachLine(text, [](std::string_view line) {
    size_t colon = line.find(": ");
    if (colon == std::string_view::npos) return;
    g_headers[std::string(line.substr(0, colon))] = line.substr(colon + 2);
  });
}

const std::string& HeaderValue(const std::string& name) { return g_headers[name]; }

Handler FindHandler(const std::string& id) {
  static const struct {
    const char* id;
    Handler handler;
  } kDispatch[] = {
      {"ghostpathlist", Handler::kGhostPathList},
      {"OnGhostBoot", Handler::kGhostBoot},
      {"OnGhostInfoUpdate", Handler::kGhostInfoUpdate},
      {"OnGhostExit", Handler::kGhostExit},
      {"OnMenuExec", Handler::kMenuExec},
      {"OnSecondChange", Handler::kSecondChange},
  };
  for (const auto& row : kDispatch)
    if (id == row.id) return row.handler;
  return Handler::kNone;
}

std::string_view HandleRequest(std::string_view text, void (*run)(Handler)) {
  if (text.empty()) return kReplyBadRequest;
  FillHeaderTable(text);
  const std::string& id = HeaderValue("ID");
  if (id == "version") return kReplyVersion;
  Handler handler = FindHandler(id);
  if (handler != Handler::kNone) {
    // A handler that fails (out of memory, say) has still been asked; the host
    // gets the same reply either way.
    try {
      run(handler);
    } catch (...) {
    }
  }
  return kReplyOk;
}
