// The rules that pick the ghost folders out of a ghostpathlist request and
// tell a ghost install from the others.
#include "plugin/ghost_folders.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using Folders = std::vector<std::string>;

TEST(GhostFolderList, TakesEveryReferenceInNumericOrder) {
  const struct {
    const char* name;
    std::string headers;  // between the request line and the closing empty line
    Folders folders;
  } cases[] = {
      {"Reference0 alone", "Reference0: C:\\ssp\\ghost\\\r\n", {"C:\\ssp\\ghost\\"}},
      {"Reference0 empty", "Reference0: \r\n", {""}},
      {"no reference at all", "Charset: Shift_JIS\r\n", {""}},
      {"two folders", "Reference0: C:\\a\\\r\nReference1: D:\\b\\\r\n", {"C:\\a\\", "D:\\b\\"}},
      {"order of N, not of lines", "Reference1: b\r\nReference0: a\r\n", {"a", "b"}},
      {"Reference10 after Reference2",
       "Reference10: k\r\nReference2: c\r\nReference1: b\r\nReference0: a\r\nReference9: j\r\n",
       {"a", "b", "c", "j", "k"}},
      {"huge N compared by length, then digits",
       "Reference123456789012345678901234567890: z\r\nReference99999999999999999999: y\r\n"
       "Reference123456789012345678901234567889: x\r\nReference0: a\r\n",
       {"a", "y", "x", "z"}},
      {"last line of a name wins", "Reference0: old\r\nReference1: b\r\nReference0: new\r\n", {"new", "b"}},
      {"gaps in N", "Reference0: a\r\nReference5: f\r\n", {"a", "f"}},
      {"no Reference0 among others", "Reference3: d\r\nReference1: b\r\n", {"b", "d"}},
      {"an empty folder is left out among several", "Reference0: \r\nReference1: b\r\nReference2: \r\n", {"b"}},
      {"all empty among several", "Reference0: \r\nReference1: \r\n", {}},
      {"Reference1 alone", "Reference1: b\r\n", {"b"}},
      {"leading zero is no reference", "Reference0: a\r\nReference01: x\r\nReference00: y\r\n", {"a"}},
      {"not exactly ReferenceN",
       "Reference0: a\r\nreference1: x\r\nReference: x\r\nReference1 : x\r\nReference1x: x\r\n"
       "Reference-1: x\r\nReference\xef\xbc\x91: x\r\n XReference1: x\r\n",
       {"a"}},
      {"value kept whole", "Reference0: a\r\nReference1:  D:\\x: y \r\n", {"a", " D:\\x: y "}},
      {"lone LF does not split", "Reference0: a\nReference1: b\r\n", {"a\nReference1: b"}},
      {"separator without space", "Reference0: a\r\nReference1:b\r\n", {"a"}},
  };
  for (const auto& c : cases)
    EXPECT_EQ(GhostFolderList("GET PLUGIN/2.0\r\nID: ghostpathlist\r\n" + c.headers + "\r\n"), c.folders) << c.name;
  EXPECT_EQ(GhostFolderList("Reference1: first line\r\nReference0: a"), (Folders{"a", "first line"}));
}

TEST(InstallsGhost, FindsGhostAmongTheTypes) {
  const struct {
    std::string types;
    bool ghost;
  } cases[] = {
      {"ghost", true},
      {"balloon\x01ghost", true},
      {"ghost\x01"
       "balloon",
       true},
      {"shell\x01ghost\x01plugin", true},
      {"\x01ghost", true},
      {"", false},
      {"balloon", false},
      {"shell\x01plugin\x01headline\x01supplement", false},
      {"Ghost", false},
      {"ghost ", false},
      {"ghosts", false},
      {"aghost", false},
      {"ghost\x02", false},
      {"\x01", false},
  };
  for (const auto& c : cases) EXPECT_EQ(InstallsGhost(c.types), c.ghost) << c.types;
}

}  // namespace
