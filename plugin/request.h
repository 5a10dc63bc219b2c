// PLUGIN/2.0 requests: splitting, the header table, dispatch and the replies.
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

// Empties the header table and fills it from the "name: value" lines of text.
void FillHeaderTable(std::string_view text);

// The value of a header of the latest non-empty request; empty when absent.
const std::string& HeaderValue(const std::string& name);

Handler FindHandler(const std::string& id);

// Parses the request, runs the handler its ID names through `run`, and returns
// the reply. The reply never depends on what the handler does.
std::string_view HandleRequest(std::string_view text, void (*run)(Handler));
