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

TEST(HeaderTable, TakesNameColonSpaceValue) {
  FillHeaderTable(
      "GET PLUGIN/2.0\r\nID: version\r\nReference0: C:\\a: b\r\n: empty name\r\nEmpty: \r\nNoSpace:x\r\n"
      "Dup: first\r\nDup: second\r\nid: lower\r\n");
  EXPECT_EQ(HeaderValue("ID"), "version");
  EXPECT_EQ(HeaderValue("Reference0"), "C:\\a: b");
  EXPECT_EQ(HeaderValue(""), "empty name");
  EXPECT_EQ(HeaderValue("Empty"), "");
  EXPECT_EQ(HeaderValue("NoSpace"), "");
  EXPECT_EQ(HeaderValue("NoSpace:x"), "");
  EXPECT_EQ(HeaderValue("Dup"), "second");
  EXPECT_EQ(HeaderValue("id"), "lower");
  EXPECT_EQ(HeaderValue("Missing"), "");
}

TEST(HeaderTable, IsReplacedByEachRequestButNotByTheEmptyOne) {
  auto ignore = [](Handler) {};
  HandleRequest("GET PLUGIN/2.0\r\nReference0: kept\r\n\r\n", ignore);
  HandleRequest("", ignore);
  EXPECT_EQ(HeaderValue("Reference0"), "kept");
  HandleRequest("GET PLUGIN/2.0\r\nReference1: new\r\n\r\n", ignore);
  EXPECT_EQ(HeaderValue("Reference0"), "");
  EXPECT_EQ(HeaderValue("Reference1"), "new");
}

// Entries are reused from one request to the next: nothing of an earlier
// request may show through, whatever the sizes and the order of the names.
TEST(HeaderTable, ReusedEntriesCarryNothingOver) {
  const std::string big(1000, 'x');
  const std::vector<std::vector<std::pair<std::string, std::string>>> requests = {
      {{"Zeta", "1"}, {"Alpha", "2"}, {"Mid", big}},
      {{"Alpha", "short"}, {"Beta", ""}},
      {{"Mid", "m"}, {"Zeta", big}, {"Gamma", "g"}, {"Alpha", "a"}},
      {},
  };
  for (const auto& headers : requests) {
    std::string text = "GET PLUGIN/2.0\r\n";
    for (const auto& [name, value] : headers) text += name + ": " + value + "\r\n";
    FillHeaderTable(text + "\r\n");
    for (const char* name : {"Zeta", "Alpha", "Mid", "Beta", "Gamma"}) {
      std::string expected;
      for (const auto& [n, v] : headers)
        if (n == name) expected = v;
      EXPECT_EQ(HeaderValue(name), expected) << name;
    }
  }
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
      {"unknown ID", "GET PLUGIN/2.0\r\nID: onghostboot\r\n\r\n", kReplyOk, {}},
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
