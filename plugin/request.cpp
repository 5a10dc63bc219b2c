#include "request.h"

#include <emmintrin.h>

#include <cstring>

constexpr size_t kNotFound = std::string_view::npos;

// The highest start of pattern in text below `end`, one position at a time:
// for the few positions the blocks leave, and for processors without SSE2.
static size_t FindLastBelow(const char* text, size_t end, std::string_view pattern) {
  while (end > 0) {
    --end;
    if (text[end] == pattern[0] && std::memcmp(text + end, pattern.data(), pattern.size()) == 0) return end;
  }
  return kNotFound;
}

// The positions among the 16 from p whose first byte and byte at k match.
__attribute__((target("sse2"))) static inline unsigned Candidates(const char* p, size_t k, __m128i first,
                                                                  __m128i later) {
  const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
  const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + k));
  return static_cast<unsigned>(_mm_movemask_epi8(_mm_and_si128(_mm_cmpeq_epi8(a, first), _mm_cmpeq_epi8(b, later))));
}

// The highest candidate of a block of 16 at `block` that is the whole pattern.
static size_t HighestMatch(const char* text, size_t block, unsigned mask, std::string_view pattern) {
  while (mask) {
    const unsigned bit = 31 - static_cast<unsigned>(__builtin_clz(mask));
    if (std::memcmp(text + block + bit, pattern.data(), pattern.size()) == 0) return block + bit;
    mask &= ~(1u << bit);
  }
  return kNotFound;
}

// The same, from the top down, 64 positions at a time while they last, then
// 16. A position survives the filter when the pattern's first byte and its
// byte at k = size - 3 (the name's last byte, which tells the names apart far
// better than "\r\n" or ": " do) both match; survivors are compared whole.
// Every load stays inside the text: the last byte a block reads is at
// end - 1 + k, and every position below `end` leaves room for the pattern.
__attribute__((target("sse2"))) static size_t FindLastSse2(const char* text, size_t end, std::string_view pattern) {
  const size_t k = pattern.size() - 3;
  const __m128i first = _mm_set1_epi8(pattern[0]);
  const __m128i later = _mm_set1_epi8(pattern[k]);
  while (end >= 64) {
    const size_t block = end - 64;
    const unsigned masks[4] = {
        Candidates(text + block, k, first, later), Candidates(text + block + 16, k, first, later),
        Candidates(text + block + 32, k, first, later), Candidates(text + block + 48, k, first, later)};
    if (masks[0] | masks[1] | masks[2] | masks[3]) {
      for (size_t i = 4; i-- > 0;) {
        const size_t at = HighestMatch(text, block + 16 * i, masks[i], pattern);
        if (at != kNotFound) return at;
      }
    }
    end = block;
  }
  while (end >= 16) {
    const size_t block = end - 16;
    const size_t at = HighestMatch(text, block, Candidates(text + block, k, first, later), pattern);
    if (at != kNotFound) return at;
    end = block;
  }
  return FindLastBelow(text, end, pattern);
}

// x86-64 always has SSE2; the 32-bit build asks the processor once, when the
// library starts. Not in a function-local static: its thread-safe guard makes
// the 32-bit runtime create a lock that nothing closes, a handle lost with
// every reload of the library.
#ifdef __SSE2__
static constexpr bool kHaveSse2 = true;
#else
static const bool kHaveSse2 = (__builtin_cpu_init(), __builtin_cpu_supports("sse2"));
#endif

// The last start of pattern (at least 4 bytes) in text.
static size_t FindLast(std::string_view text, std::string_view pattern) {
  if (text.size() < pattern.size()) return kNotFound;
  const size_t end = text.size() - pattern.size() + 1;
  return kHaveSse2 ? FindLastSse2(text.data(), end, pattern) : FindLastBelow(text.data(), end, pattern);
}

// A line is named N when it starts with N + ": " (for N without ": " or
// "\r\n", the first ": " of such a line cannot begin inside N, nor at N's last
// byte, which is followed by ':'). Lines start at 0 and right after each "\r\n";
// "\r\n" cannot overlap itself, so every one of them is a delimiter. The last
// line named N therefore starts right after the last "\r\n" + N + ": ", or, when
// there is none, at 0 if the text starts with N + ": ". Its value runs to the
// next "\r\n" or the end. Searching from the end finds it without looking at
// the lines before it.
std::string_view FindHeader(std::string_view text, std::string_view name) {
  std::string pattern = "\r\n";
  pattern.append(name).append(": ");
  size_t start = FindLast(text, pattern);
  if (start != kNotFound)
    start += pattern.size();
  else if (text.substr(0, pattern.size() - 2) == std::string_view(pattern).substr(2))
    start = pattern.size() - 2;
  else
    return {};
  const size_t end = text.find("\r\n", start);
  return text.substr(start, end == kNotFound ? kNotFound : end - start);
}

// The request whose handler runs. A request handled inside a handler (the
// recognizer answers a send by making the host call again) takes its place
// for its own run only: the outer one's block lives until the outer returns.
static std::string_view g_request;

struct CurrentRequest {
  std::string_view outer;
  explicit CurrentRequest(std::string_view text) : outer(g_request) { g_request = text; }
  ~CurrentRequest() { g_request = outer; }
  CurrentRequest(const CurrentRequest&) = delete;
  CurrentRequest& operator=(const CurrentRequest&) = delete;
};

std::string_view RequestText() { return g_request; }

std::string HeaderValue(std::string_view name) { return std::string(FindHeader(g_request, name)); }

Handler FindHandler(std::string_view id) {
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
      {"OnInstallComplete", Handler::kInstallComplete},
  };
  for (const auto& row : kDispatch)
    if (id == row.id) return row.handler;
  return Handler::kNone;
}

std::string_view HandleRequest(std::string_view text, void (*run)(Handler)) {
  if (text.empty()) return kReplyBadRequest;
  const std::string_view id = FindHeader(text, "ID");
  if (id == "version") return kReplyVersion;
  Handler handler = FindHandler(id);
  if (handler != Handler::kNone) {
    CurrentRequest current(text);
    // A handler that fails (out of memory, say) has still been asked; the host
    // gets the same reply either way.
    try {
      run(handler);
    } catch (...) {
    }
  }
  return kReplyOk;
}
