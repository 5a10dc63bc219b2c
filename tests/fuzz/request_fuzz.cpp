// Requests come from the host but are handled as untrusted bytes: any input
// gets one of the three replies, and the handler named by the last ID line.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "plugin/request.h"

static void Ignore(Handler) {}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string text(reinterpret_cast<const char*>(data), size);
  std::string_view reply = HandleRequest(text, Ignore);
  if (reply != kReplyOk && reply != kReplyVersion && reply != kReplyBadRequest) std::abort();
  if (size == 0 && reply != kReplyBadRequest) std::abort();
  size_t joined = 0;
  ForEachLine(text, [&](std::string_view line) { joined += line.size() + 2; });
  if (joined != size + 2) std::abort();  // the lines and delimiters cover the text exactly
  return 0;
}
