#include "request.h"

#include <map>

// Filled per request, read by the handlers while the request is handled.
static std::map<std::string, std::string> g_headers;

// Searching forward from a moving position gives the same lines as removing
// each piece from the front, without copying the rest of the text each time.
std::vector<std::string> SplitLines(const std::string& text) {
  static const std::string kDelimiter = "\r\n";
  std::vector<std::string> lines;
  size_t start = 0;
  for (size_t p; (p = text.find(kDelimiter, start)) != std::string::npos; start = p + 2)
    lines.emplace_back(text, start, p - start);
  lines.emplace_back(text, start, std::string::npos);
  return lines;
}

void FillHeaderTable(const std::vector<std::string>& lines) {
  g_headers.clear();
  for (const std::string& line : lines) {
    size_t colon = line.find(": ");
    if (colon == std::string::npos) continue;
    g_headers[line.substr(0, colon)].assign(line, colon + 2, std::string::npos);
  }
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

std::string_view HandleRequest(const std::string& text, void (*run)(Handler)) {
  if (text.empty()) return kReplyBadRequest;
  FillHeaderTable(SplitLines(text));
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
