// PLUGIN/2.0 requests: splitting, header lookup, dispatch and the replies.
#pragma once
#include <string>
#include <string_view>

inline constexpr std::string_view kReplyBadRequest = "PLUGIN/2.0 400 Bad Request\r\n\r\n";
inline constexpr std::string_view kReplyVersion =
    "PLUGIN/2.0 200 OK\r\nCharset: Shift_JIS\r\nValue: VOKIRA/1.0\r\n\r\n";
inline constexpr std::string_view kReplyOk = "PLUGIN/2.0 200 OK\r\nCharset: Shift_JIS\r\n\r\n";

enum class Handler {
  kNone,
  kGhostPathList,
  kGhostBoot,
  kGhostInfoUpdate,
  kGhostExit,
  kMenuExec,
  kSecondChange,
  kInstallComplete,
};

// Visits the lines between the "\r\n" delimiters; the piece after the last one
// is always a line, even when empty. Lone CR or LF bytes stay inside lines.
// Searching forward from a moving position gives the same lines as removing
// each piece from the front, in linear time and without copying anything.
template <typename Visit>
void ForEachLine(std::string_view text, Visit visit) {
  size_t start = 0;
  for (size_t p; (p = text.find("\r\n", start)) != std::string_view::npos; start = p + 2)
    visit(text.substr(start, p - start));
  visit(text.substr(start));
}

// Visits the name and value of every header line in order: a line split at
// its first ": ". Lines without one (the request line, the closing empty
// lines) are skipped.
template <typename Visit>
void ForEachHeader(std::string_view text, Visit visit) {
  ForEachLine(text, [&](std::string_view line) {
    size_t colon = line.find(": ");
    if (colon != std::string_view::npos) visit(line.substr(0, colon), line.substr(colon + 2));
  });
}

// The value of the last header line named `name` in text; empty when there is
// none. Exact for every name that holds neither ": " nor "\r\n", which covers
// every name the handlers read.
std::string_view FindHeader(std::string_view text, std::string_view name);

// The request being handled: empty outside a handler.
std::string_view RequestText();

// A header of the request being handled; empty when absent. A copy, so it
// stays valid whatever the handler does next.
std::string HeaderValue(std::string_view name);

Handler FindHandler(std::string_view id);

// Runs the handler the request's ID names through `run`, and returns the
// reply. The reply never depends on what the handler does.
std::string_view HandleRequest(std::string_view text, void (*run)(Handler));
