#include "request.h"

#include <map>
#include <vector>

using HeaderTable = std::map<std::string, std::string, std::less<>>;

// Filled per request, read by the handlers while the request is handled.
static HeaderTable g_headers;

// Entries of earlier requests, kept to be filled again: the host's usual
// requests then cost no allocation at all. Only a few small ones are kept,
// so one huge request leaves nothing big behind.
static std::vector<HeaderTable::node_type> g_spareEntries;
constexpr size_t kSpareEntries = 32;
constexpr size_t kSpareCapacity = 256;

static void SetHeader(std::string_view name, std::string_view value) {
  auto at = g_headers.lower_bound(name);
  if (at != g_headers.end() && at->first == name) {
    at->second.assign(value);
    return;
  }
  if (g_spareEntries.empty()) {
    g_headers.emplace_hint(at, name, value);
    return;
  }
  HeaderTable::node_type entry = std::move(g_spareEntries.back());
  g_spareEntries.pop_back();
  entry.key().assign(name);
  entry.mapped().assign(value);
  g_headers.insert(at, std::move(entry));
}

void FillHeaderTable(std::string_view text) {
  while (!g_headers.empty()) {
    HeaderTable::node_type entry = g_headers.extract(g_headers.begin());
    if (g_spareEntries.size() < kSpareEntries && entry.key().capacity() <= kSpareCapacity &&
        entry.mapped().capacity() <= kSpareCapacity)
      g_spareEntries.push_back(std::move(entry));
  }
  ForEachLine(text, [](std::string_view line) {
    size_t colon = line.find(": ");
    if (colon == std::string_view::npos) return;
    SetHeader(line.substr(0, colon), line.substr(colon + 2));
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
