// The request handling against a plain model of the request rules, for any
// bytes: split at every "\r\n", a header line split at its first ": ", a map
// in which the last line of a name wins, a missing header read as empty. Both
// must give the same reply, run the same handler, see the same value of every
// header the handlers read (and of a few odd names), and name the same ghost
// folders.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "plugin/ghost_folders.h"
#include "plugin/request.h"

namespace {

struct Model {
  std::map<std::string, std::string> headers;

  void Read(std::string text) {
    headers.clear();
    std::vector<std::string> lines;
    for (size_t p; (p = text.find("\r\n")) != std::string::npos; text.erase(0, p + 2))
      lines.push_back(text.substr(0, p));
    lines.push_back(text);
    for (const std::string& line : lines) {
      size_t colon = line.find(": ");
      if (colon != std::string::npos) headers[line.substr(0, colon)] = line.substr(colon + 2);
    }
  }

  std::string Value(const std::string& name) const {
    auto it = headers.find(name);
    return it == headers.end() ? "" : it->second;
  }

  Handler Expected() const {
    const std::pair<const char*, Handler> rows[] = {
        {"ghostpathlist", Handler::kGhostPathList},
        {"OnGhostBoot", Handler::kGhostBoot},
        {"OnGhostInfoUpdate", Handler::kGhostInfoUpdate},
        {"OnGhostExit", Handler::kGhostExit},
        {"OnMenuExec", Handler::kMenuExec},
        {"OnSecondChange", Handler::kSecondChange},
        {"OnInstallComplete", Handler::kInstallComplete},
    };
    for (const auto& [id, handler] : rows)
      if (Value("ID") == id) return handler;
    return Handler::kNone;
  }

  // "Reference" and a number without leading zeros, in numeric order.
  std::vector<std::string> Folders() const {
    std::vector<std::pair<std::string, std::string>> references;
    for (const auto& [name, value] : headers) {
      if (name.rfind("Reference", 0) != 0) continue;
      std::string n = name.substr(9);
      if (n.empty() || n.find_first_not_of("0123456789") != std::string::npos || (n[0] == '0' && n != "0")) continue;
      references.emplace_back(n, value);
    }
    std::sort(references.begin(), references.end(), [](const auto& a, const auto& b) {
      return a.first.size() != b.first.size() ? a.first.size() < b.first.size() : a.first < b.first;
    });
    if (references.empty() || (references.size() == 1 && references[0].first == "0")) return {Value("Reference0")};
    std::vector<std::string> folders;
    for (const auto& reference : references)
      if (!reference.second.empty()) folders.push_back(reference.second);
    return folders;
  }
};

std::vector<std::string> Names() {
  std::vector<std::string> names = {"ID", "",   "Reference", "Reference00",  "Reference01",        "I", "D", "id", ":",
                                    "\r", "\n", "ID ",       "Reference1\r", std::string("I\0", 2)};
  for (int n = 0; n <= 12; ++n) names.push_back("Reference" + std::to_string(n));
  return names;
}

const std::vector<std::string> kNames = Names();
Model g_model;
int g_runs = 0;
Handler g_ran = Handler::kNone;

// Runs as the handler: what the handlers would read must be what the model holds.
void Check(Handler handler) {
  ++g_runs;
  g_ran = handler;
  for (const std::string& name : kNames)
    if (HeaderValue(name) != g_model.Value(name)) std::abort();
  if (GhostFolderList(RequestText()) != g_model.Folders()) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  g_model.Read(text);
  const Model& model = g_model;
  g_runs = 0;
  g_ran = Handler::kNone;
  const std::string_view reply = HandleRequest(text, Check);

  const std::string_view expected = text.empty()                     ? kReplyBadRequest
                                    : model.Value("ID") == "version" ? kReplyVersion
                                                                     : kReplyOk;
  if (reply != expected) std::abort();
  const Handler handler = text.empty() ? Handler::kNone : model.Expected();
  if (g_runs != (handler == Handler::kNone ? 0 : 1) || g_ran != handler) std::abort();
  for (const std::string& name : kNames)
    if (FindHeader(text, name) != model.Value(name)) std::abort();
  if (GhostFolderList(text) != model.Folders()) std::abort();
  return 0;
}
