#include "plugin/request.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using Lines = std::vector<std::string>;

Lines SplitLines(std::string_view text) {
  Lines lines;
  ForEachLine(text, [&](std::string_view line) { lines.emplace_back(line); });
  return lines;
}

TEST(ForEachLine, FollowsTheDelimiterRules) {
  const struct {
    const char* name;
    std::string text;
    Lines lines;
  } cases[] = {
      {"empty text gives one empty line", "", {""}},
      {"no delimiter", "abc", {"abc"}},
      {"closing empty line gives two empty lines", "a\r\n\r\n", {"a", "", ""}},
      {"consecutive delimiters", "a\r\n\r\n\r\nb", {"a", "", "", "b"}},
      {"lone LF and CR do not split", "a\nb\rc\r\n", {"a\nb\rc", ""}},
      {"CR before CRLF stays", "a\r\r\nb", {"a\r", "b"}},
      {"LF CR is not a delimiter", "a\n\rb", {"a\n\rb"}},
      {"zero bytes kept", std::string("a\0b\r\nc", 6), {std::string("a\0b", 3), "c"}},
  };
  for (const auto& c : cases) EXPECT_EQ(SplitLines(c.text), c.lines) << c.name;
}

TEST(FindHeader, TakesNameColonSpaceValue) {
  const std::string text =
      "GET PLUGIN/2.0\r\nID: version\r\nReference0: C:\\a: b\r\n: empty name\r\nEmpty: \r\nNoSpace:x\r\n"
      "Dup: first\r\nDup: second\r\nid: lower\r\nReference1: x\nReference1: y\r\nLast: unended";
  const struct {
    const char* name;
    std::string_view value;
  } cases[] = {
      {"ID", "version"},
      {"Reference0", "C:\\a: b"},
      {"", "empty name"},
      {"Empty", ""},
      {"NoSpace", ""},
      {"NoSpace:x", ""},
      {"Dup", "second"},
      {"id", "lower"},
      {"Missing", ""},
      {"GET PLUGIN/2.0", ""},
      // A lone LF does not start a line: the second "Reference1" is inside the value.
      {"Reference1", "x\nReference1: y"},
      {"Last", "unended"},
      {"Lst", ""},
      {"D", ""},
  };
  for (const auto& c : cases) EXPECT_EQ(FindHeader(text, c.name), c.value) << c.name;
}

// The lookup searches from the end in blocks: a header at any distance from
// either end, and a near-miss of the name next to it, must not throw it off.
TEST(FindHeader, FindsTheLastLineWhereverItLies) {
  for (size_t before = 0; before < 40; ++before) {
    for (size_t after = 0; after < 40; ++after) {
      const std::string head = before ? "X: " + std::string(before, 'a') + "\r\n" : "";
      const std::string tail = after ? "\r\nReference2: " + std::string(after, 'b') : "";
      const std::string text = head + "Reference1: first\r\nReferencf1: no\r\nReference1: v\r\nReference11: no" + tail;
      ASSERT_EQ(FindHeader(text, "Reference1"), "v") << before << " " << after;
      ASSERT_EQ(FindHeader(text.substr(0, text.find("\r\nReferencf1")), "Reference1"), "first") << before;
      // Several candidates inside one block of 16: the highest wins.
      ASSERT_EQ(FindHeader(head + "ID: 1\r\nID: 2\r\nID: 3" + tail, "ID"), "3") << before << " " << after;
    }
  }
  EXPECT_EQ(FindHeader("ID: a", "ID"), "a");
  EXPECT_EQ(FindHeader("ID: ", "ID"), "");
  EXPECT_EQ(FindHeader("ID:", "ID"), "");
  EXPECT_EQ(FindHeader("", "ID"), "");
  EXPECT_EQ(FindHeader("\r\nID: a\r\n", "ID"), "a");
  EXPECT_EQ(FindHeader(std::string("\0\r\nI\0: z\r\n", 10), std::string("I\0", 2)), "z");
}

// Every prefix of a request, copied with no room past its end: a lookup that
// read beyond the request would be caught by the address sanitizer. A value
// cut short ends at the end of the text; a cut CR LF leaves its CR inside.
TEST(FindHeader, ReadsExactlyTheGivenBytes) {
  const std::string text = "GET PLUGIN/2.0\r\nID: version\r\nReference0: abc\r\n";
  const size_t id = text.find("version"), ref = text.find("abc");
  for (size_t len = 0; len <= text.size(); ++len) {
    std::vector<char> bytes(text.begin(), text.begin() + static_cast<std::ptrdiff_t>(len));
    std::string_view view(bytes.data(), bytes.size());
    auto expected = [&](size_t start, size_t size) {
      return len < start ? std::string() : text.substr(start, std::min(size, len - start));
    };
    EXPECT_EQ(FindHeader(view, "ID"), expected(id, len == id + 8 ? 8 : 7)) << len;
    EXPECT_EQ(FindHeader(view, "Reference0"), expected(ref, len == ref + 4 ? 4 : 3)) << len;
  }
}

std::vector<std::string> g_seen;

// Reads Reference0, handles a nested request in between (as a send to the
// recognizer can make the host do), and reads it again.
void ReadAroundANestedRequest(Handler) {
  g_seen.push_back(HeaderValue("Reference0"));
  if (g_seen.size() == 1) {
    const std::string inner = "NOTIFY PLUGIN/2.0\r\nID: OnSecondChange\r\nReference0: inner\r\n\r\n";
    HandleRequest(inner, ReadAroundANestedRequest);
  }
  g_seen.push_back(HeaderValue("Reference0"));
}

TEST(HeaderValue, BelongsToTheRequestBeingHandled) {
  g_seen.clear();
  HandleRequest("NOTIFY PLUGIN/2.0\r\nID: OnGhostBoot\r\nReference0: outer\r\n\r\n", ReadAroundANestedRequest);
  EXPECT_EQ(g_seen, (std::vector<std::string>{"outer", "inner", "inner", "outer"}));
  EXPECT_EQ(HeaderValue("Reference0"), "") << "no request is being handled";
  EXPECT_EQ(RequestText(), "");
}

std::vector<Handler> g_ran;
void Record(Handler handler) { g_ran.push_back(handler); }

TEST(HandleRequest, RepliesAndDispatches) {
  const struct {
    const char* name;
    std::string request;
    std::string_view reply;
    std::vector<Handler> ran;
  } cases[] = {
      {"empty", "", kReplyBadRequest, {}},
      {"request line only", "GET PLUGIN/2.0\r\n\r\n", kReplyOk, {}},
      {"version", "GET PLUGIN/2.0\r\nID: version\r\nCharset: Shift_JIS\r\n\r\n", kReplyVersion, {}},
      {"version, last line unterminated", "GET PLUGIN/2.0\r\nID: version", kReplyVersion, {}},
      {"Version", "GET PLUGIN/2.0\r\nID: Version\r\n\r\n", kReplyOk, {}},
      {"ID:version", "GET PLUGIN/2.0\r\nID:version\r\n\r\n", kReplyOk, {}},
      {"version with trailing blank", "GET PLUGIN/2.0\r\nID: version \r\n\r\n", kReplyOk, {}},
      {"later ID decides", "GET PLUGIN/2.0\r\nID: version\r\nID: OnGhostBoot\r\n\r\n", kReplyOk, {Handler::kGhostBoot}},
      {"ID split by lone LF", "GET PLUGIN/2.0\nID: version\r\n\r\n", kReplyOk, {}},
      {"ghostpathlist", "NOTIFY PLUGIN/2.0\r\nID: ghostpathlist\r\n\r\n", kReplyOk, {Handler::kGhostPathList}},
      {"OnGhostBoot", "NOTIFY PLUGIN/2.0\r\nID: OnGhostBoot\r\n\r\n", kReplyOk, {Handler::kGhostBoot}},
      {"OnGhostInfoUpdate",
       "NOTIFY PLUGIN/2.0\r\nID: OnGhostInfoUpdate\r\n\r\n",
       kReplyOk,
       {Handler::kGhostInfoUpdate}},
      {"OnGhostExit", "NOTIFY PLUGIN/2.0\r\nID: OnGhostExit\r\n\r\n", kReplyOk, {Handler::kGhostExit}},
      {"OnMenuExec", "NOTIFY PLUGIN/2.0\r\nID: OnMenuExec\r\n\r\n", kReplyOk, {Handler::kMenuExec}},
      {"OnSecondChange, any method",
       "BREW PLUGIN/2.0\r\nID: OnSecondChange\r\n\r\n",
       kReplyOk,
       {Handler::kSecondChange}},
      {"OnInstallComplete",
       "NOTIFY PLUGIN/2.0\r\nID: OnInstallComplete\r\nReference0: ghost\r\n\r\n",
       kReplyOk,
       {Handler::kInstallComplete}},
      {"unknown ID", "GET PLUGIN/2.0\r\nID: onghostboot\r\n\r\n", kReplyOk, {}},
      {"ID only on the first line", "ID: OnGhostExit\r\n\r\n", kReplyOk, {Handler::kGhostExit}},
      {"ID after a lone CR", "GET PLUGIN/2.0\rID: version\r\n", kReplyOk, {}},
      {"no ID", "GET PLUGIN/2.0\r\nReference0: x\r\n\r\n", kReplyOk, {}},
  };
  for (const auto& c : cases) {
    g_ran.clear();
    EXPECT_EQ(HandleRequest(c.request, Record), c.reply) << c.name;
    EXPECT_EQ(g_ran, c.ran) << c.name;
  }
}

TEST(HandleRequest, AFailingHandlerStillGetsTheReply) {
  auto fail = [](Handler) { throw std::bad_alloc(); };
  EXPECT_EQ(HandleRequest("NOTIFY PLUGIN/2.0\r\nID: OnGhostBoot\r\n\r\n", fail), kReplyOk);
}

}  // namespace
