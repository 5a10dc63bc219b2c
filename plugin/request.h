// PLUGIN/2.0 requests: splitting, the header table, dispatch and the replies.
#pragma once
#include <string>
#include <string_view>
#include <vector>

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

// Lines between the "\r\n" delimiters; the piece after the last one is always
// a line, even when empty. Lone CR or LF bytes stay inside lines.
std::vector<std::string> SplitLines(const std::string& text);

// Empties the header table and fills it from "name: value" lines.
void FillHeaderTable(const std::vector<std::string>& lines);

// The value of a header of the latest non-empty request; empty when absent.
const std::string& HeaderValue(const std::string& name);

Handler FindHandler(const std::string& id);

// Parses the request, runs the handler its ID names through `run`, and returns
// the reply. The reply never depends on what the handler does.
std::string_view HandleRequest(const std::string& text, void (*run)(Handler));
