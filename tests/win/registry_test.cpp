// The ghostpathlist request against real directories and the real C runtime:
// the fixtures are ghost trees written byte for byte.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "plugin/registry.h"
#include "tests/win/registry_fixture.h"
#include "tests/win/testbench.h"

namespace {

// The directory names under root in the order the platform enumerates them.
std::vector<std::string> EnumerationOrder(const std::string& root) {
  std::vector<std::string> names;
  WIN32_FIND_DATAA found;
  HANDLE search = FindFirstFileA((root + "\\*.*").c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return names;
  do names.push_back(found.cFileName);
  while (FindNextFileA(search, &found));
  FindClose(search);
  return names;
}

TEST(GhostPathList, ReadsDescriptionFilesThroughTextMode) {
  const struct {
    const char* name;
    std::string descript;
    Entries entries;
  } cases[] = {
      {"LF", "charset,Shift_JIS\nname,Emily\nsakura.name,Em\n", {{"Emily", "Em"}}},
      {"CR LF", "charset,Shift_JIS\r\nname,Emily\r\nsakura.name,Em\r\n", {{"Emily", "Em"}}},
      {"lone CR on the last line", "name,Emily\r\nsakura.name,Em\r", {{"Emily", "Em"}}},
      {"no final line end", "sakura.name,Em\nname,Emily", {{"Emily", "Em"}}},
      // Text mode makes CR CR LF into CR LF; the reader then trims both.
      {"CR CR LF", "name,Emily\r\r\nsakura.name,Em\r\n", {{"Emily", "Em"}}},
      {"Ctrl-Z ends the file", "name,Emily\nsakura.name,Em\x1a\nname,Other\nsakura.name,X\n", {{"Emily", "Em"}}},
      {"Ctrl-Z before any name", "\x1aname,Emily\n", {}},
      {"several name lines", "name,First\nsakura.name,a\nname,Second\nsakura.name,b\n", {{"Second", "b"}}},
      {"name with blank or capital ignored", "name ,x\nName,y\nNAME,z\nsakura.name,s\n", {}},
      {"blanks and commas kept", "name, Emily, the second \nsakura.name, E,m\n", {{" Emily, the second ", " E,m"}}},
      {"empty name registers nothing", "name,\nsakura.name,Em\n", {}},
      {"no sakura name", "name,Emily\n", {{"Emily", ""}}},
      {"zero bytes in values",
       std::string("name,Em\0ily\nsakura.name,\0E\n", 27),
       {{std::string("Em\0ily", 6), std::string("\0E", 2)}}},
      {"empty file", "", {}},
  };
  for (const auto& c : cases) {
    TempDir root;
    WriteGhost(root.path, "ghost1", c.descript);
    GhostPathList(root.path);
    EXPECT_EQ(Registered(), c.entries) << c.name;
    EXPECT_EQ(GhostRoot(), root.path) << c.name;
  }
}

TEST(GhostPathList, ReadsEveryDirectoryAndNothingElse) {
  TempDir root;
  WriteGhost(root.path, "plain", "name,Plain\n");
  WriteGhost(root.path, "hidden", "name,Hidden\n");
  WriteGhost(root.path, ".dotted", "name,Dotted\n");
  WriteGhost(root.path, "readonly", "name,ReadOnly\n");
  SetFileAttributesA((root.path + "\\hidden").c_str(), FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM);
  SetFileAttributesA((root.path + "\\readonly").c_str(), FILE_ATTRIBUTE_READONLY);
  CreateDirectoryA((root.path + "\\no description").c_str(), nullptr);
  WriteFileBytes(root.path + "\\file.txt", "name,File\n");
  // A file where a ghost directory would be: it cannot hold a description.
  WriteFileBytes(root.path + "\\descript.txt", "name,Loose\n");
  GhostPathList(root.path);
  EXPECT_EQ(Registered(), (Entries{{"Dotted", ""}, {"Hidden", ""}, {"Plain", ""}, {"ReadOnly", ""}}));

  // The trailing backslash is doubled in every path formed, which still works.
  GhostPathList(root.path + "\\");
  EXPECT_EQ(Registered().size(), 4u);
  EXPECT_EQ(GhostRoot(), root.path + "\\");
}

TEST(GhostPathList, LaterEnumeratedDirectoryWinsForTheSameName) {
  TempDir root;
  WriteGhost(root.path, "first", "name,Same\nsakura.name,from first\n");
  WriteGhost(root.path, "second", "name,Same\nsakura.name,from second\n");
  std::vector<std::string> order = EnumerationOrder(root.path);
  auto first = std::find(order.begin(), order.end(), "first");
  auto second = std::find(order.begin(), order.end(), "second");
  ASSERT_TRUE(first != order.end() && second != order.end());
  const std::string later = first > second ? "first" : "second";
  GhostPathList(root.path);
  EXPECT_EQ(Registered(), (Entries{{"Same", "from " + later}}));
}

TEST(GhostPathList, RootsThatNameNoDirectoryEmptyTheRegistry) {
  TempDir root;
  WriteGhost(root.path, "g", "name,Ghost\n");
  WriteFileBytes(root.path + "\\file", "name,x\n");
  const struct {
    const char* name;
    std::string root;
  } cases[] = {
      {"vanished", root.path + "\\missing"},
      {"a plain file", root.path + "\\file"},
      {"longer than MAX_PATH", root.path + "\\" + std::string(300, 'a')},
      {"empty directory", root.path + "\\g\\ghost\\master\\.."},
  };
  for (const auto& c : cases) {
    GhostPathList(root.path);
    ASSERT_EQ(Registered().size(), 1u) << c.name;
    GhostPathList(c.root);
    EXPECT_TRUE(Ghosts().empty()) << c.name;
  }
  // An empty root searches "\*.*", the top of the current drive: nothing there
  // is a ghost, and nothing breaks.
  GhostPathList("");
  EXPECT_EQ(GhostRoot(), "");
}

TEST(GhostPathList, ActiveFlagFollowsTheNameNotTheSakuraName) {
  TempDir root;
  WriteGhost(root.path, "emily", "name,Emily\nsakura.name,Em\n");
  WriteGhost(root.path, "teru", "name,Teru\nsakura.name,T\n");
  GhostPathList(root.path);
  AccessGhost("Emily").active = true;
  AccessGhost("Teru").active = true;

  WriteGhost(root.path, "emily", "name,Emily\nsakura.name,Emi\n");
  WriteGhost(root.path, "teru", "name,Teru2\nsakura.name,T\n");
  GhostPathList(root.path);
  ASSERT_NE(FindGhost("Emily"), nullptr);
  EXPECT_TRUE(FindGhost("Emily")->active);
  EXPECT_EQ(FindGhost("Emily")->sakuraName, "Emi");
  EXPECT_EQ(FindGhost("Teru"), nullptr);
  ASSERT_NE(FindGhost("Teru2"), nullptr);
  EXPECT_FALSE(FindGhost("Teru2")->active);
}

TEST(GhostPathList, WalkIsInAscendingByteOrder) {
  TempDir root;
  WriteGhost(root.path, "1", "name,b\n");
  WriteGhost(root.path, "2", "name,a\n");
  WriteGhost(root.path, "3", "name,ab\n");
  WriteGhost(root.path, "4", "name,\xff\n");
  WriteGhost(root.path, "5", "name,B\n");
  GhostPathList(root.path);
  std::vector<std::string> walk;
  for (const auto& entry : Ghosts()) walk.push_back(entry.first);
  EXPECT_EQ(walk, (std::vector<std::string>{"B", "a", "ab", "b", "\xff"}));
}

TEST(GhostPathList, HugeBinaryAndManyDescriptionsLeaveACorrectRegistry) {
  TempDir root;
  // 50 MB in one line, with the name at its very end.
  WriteGhost(root.path, "long", "name,Long\nsakura.name," + std::string(50 << 20, 'x') + "\nname,LongEnd");
  std::mt19937 random(7);
  std::string noise(1 << 20, '\0');
  for (char& byte : noise) byte = static_cast<char>(random());
  WriteGhost(root.path, "noise", noise);
  // Ctrl-Z ends a text-mode file: the noise before this name must not hold one.
  std::string clean = noise;
  std::replace(clean.begin(), clean.end(), '\x1a', '\0');
  WriteGhost(root.path, "noise-then-name", clean + "\nname,AfterNoise\n");
  WriteGhost(root.path, "noise-then-lost-name", noise + "\x1a\nname,Lost\n");
  for (int i = 0; i < 2000; ++i) {
    std::string n = std::to_string(i);
    WriteGhost(root.path, "g" + n, "charset,Shift_JIS\r\nname,Ghost" + n + "\r\nsakura.name,S" + n + "\r\n");
  }
  GhostPathList(root.path);
  ASSERT_NE(FindGhost("LongEnd"), nullptr);
  EXPECT_EQ(FindGhost("LongEnd")->sakuraName.size(), 50u << 20);
  EXPECT_EQ(FindGhost("Long"), nullptr);
  // Whatever else the noise holds, the ghost after it is read, and every other one.
  ASSERT_NE(FindGhost("AfterNoise"), nullptr);
  EXPECT_EQ(FindGhost("Lost"), nullptr);
  for (int i = 0; i < 2000; ++i) {
    const GhostRecord* record = FindGhost("Ghost" + std::to_string(i));
    ASSERT_NE(record, nullptr) << i;
    EXPECT_EQ(record->sakuraName, "S" + std::to_string(i));
  }
}

}  // namespace
