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
#include "tests/win/remove_tree.h"
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
    EXPECT_EQ(GhostFolders(), std::vector<std::string>{root.path}) << c.name;
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
  EXPECT_EQ(GhostFolders(), std::vector<std::string>{root.path + "\\"});
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
  EXPECT_EQ(GhostFolders(), std::vector<std::string>{""});
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

// The host's own ghost folder and the ones the user adds, in one request: the
// registry holds the ghosts of all of them, and where two folders give one
// name the later folder wins. A folder that cannot be searched adds nothing
// and takes nothing from the others.
TEST(GhostPathListFolders, HoldTheGhostsOfEveryFolder) {
  TempDir first, second;
  WriteGhost(first.path, "emily", "name,Emily\nsakura.name,Em\n");
  WriteGhost(first.path, "shared", "name,Shared\nsakura.name,from first\n");
  WriteGhost(second.path, "teru", "name,Teru\nsakura.name,T\n");
  WriteGhost(second.path, "shared-too", "name,Shared\nsakura.name,from second\n");
  const std::string missing = first.path + "\\missing";
  const Entries both = {{"Emily", "Em"}, {"Shared", "from second"}, {"Teru", "T"}};
  const struct {
    const char* name;
    std::vector<std::string> folders;
    Entries entries;
  } cases[] = {
      {"two folders", {first.path, second.path}, both},
      {"trailing backslashes", {first.path + "\\", second.path + "\\"}, both},
      {"the other order", {second.path, first.path}, {{"Emily", "Em"}, {"Shared", "from first"}, {"Teru", "T"}}},
      {"missing folders among present ones", {missing, first.path, missing + "2", second.path}, both},
      {"a plain file among them",
       {first.path + "\\emily\\ghost\\master\\descript.txt", second.path},
       {{"Shared", "from second"}, {"Teru", "T"}}},
      {"only missing folders", {missing, missing + "2"}, {}},
  };
  for (const auto& c : cases) {
    GhostPathList(first.path);
    GhostPathListOf(c.folders);
    EXPECT_EQ(Registered(), c.entries) << c.name;
    EXPECT_EQ(GhostFolders(), c.folders) << c.name;
  }
  // Among several, an empty reference names no folder (it would search the
  // drive's root).
  GhostPathListOf({"", first.path, ""});
  EXPECT_EQ(GhostFolders(), std::vector<std::string>{first.path});
  EXPECT_EQ(Registered(), (Entries{{"Emily", "Em"}, {"Shared", "from first"}}));
}

// Reference10 comes after Reference2 whatever the order of the lines: the
// folder named by the highest N gives the shared name its sakura name.
TEST(GhostPathListFolders, TakeMoreThanTenReferencesInNumericOrder) {
  TempDir base;
  std::string request = "GET PLUGIN/2.0\r\nID: ghostpathlist\r\nCharset: Shift_JIS\r\n";
  for (int n : {11, 2, 10, 0, 1, 9, 3, 4, 5, 6, 7, 8}) {
    const std::string folder = base.path + "\\f" + std::to_string(n) + "\\";
    CreateDirectoryA(folder.c_str(), nullptr);
    WriteGhost(folder, "own", "name,Ghost" + std::to_string(n) + "\n");
    WriteGhost(folder, "shared", "name,Shared\nsakura.name,from " + std::to_string(n) + "\n");
    request += "Reference" + std::to_string(n) + ": " + folder + "\r\n";
  }
  ASSERT_EQ(HandleRequest(request + "\r\n", RunHandler), kReplyOk);
  Entries expected = {{"Shared", "from 11"}};
  for (int n = 0; n < 12; ++n) expected["Ghost" + std::to_string(n)] = "";
  EXPECT_EQ(Registered(), expected);
  ASSERT_EQ(GhostFolders().size(), 12u);
  EXPECT_EQ(GhostFolders()[2], base.path + "\\f2\\");
  EXPECT_EQ(GhostFolders()[10], base.path + "\\f10\\");
}

// A running ghost whose directory moves to another folder is found again
// under the same name: it stays running, whichever request rebuilds.
TEST(GhostPathListFolders, ARunningGhostMovedToAnotherFolderStaysActive) {
  TempDir first, second;
  WriteGhost(first.path, "emily", "name,Emily\nsakura.name,Em\n");
  GhostPathListOf({first.path, second.path});
  AccessGhost("Emily").active = true;

  ASSERT_TRUE(MoveFileA((first.path + "\\emily").c_str(), (second.path + "\\emily-moved").c_str()));
  GhostPathListOf({first.path, second.path});
  ASSERT_NE(FindGhost("Emily"), nullptr);
  EXPECT_TRUE(FindGhost("Emily")->active);

  ASSERT_TRUE(MoveFileA((second.path + "\\emily-moved").c_str(), (first.path + "\\emily").c_str()));
  ASSERT_EQ(HandleRequest(InstallComplete("ghost", "Emily", first.path + "\\emily\\"), RunHandler), kReplyOk);
  ASSERT_NE(FindGhost("Emily"), nullptr);
  EXPECT_TRUE(FindGhost("Emily")->active);
  EXPECT_EQ(Registered(), (Entries{{"Emily", "Em"}}));
}

// An install report rebuilds from the folders of the latest ghostpathlist
// when its types include a ghost: the new ghost appears, the one that went
// goes, a running one stays running. Other installs change nothing.
TEST(InstallComplete, RebuildsFromTheKeptFoldersWhenAGhostIsAmongTheTypes) {
  const struct {
    std::string types;
    bool rebuilds;
  } cases[] = {
      {"ghost", true},
      {"balloon\x01ghost", true},
      {"ghost\x01shell\x01plugin", true},
      {"balloon", false},
      {"shell\x01plugin\x01headline\x01supplement", false},
      {"", false},
      {"Ghost", false},
  };
  for (const auto& c : cases) {
    TempDir first, second;
    WriteGhost(first.path, "stay", "name,Stay\nsakura.name,S\n");
    WriteGhost(first.path, "old", "name,Old\n");
    GhostPathListOf({first.path, second.path});
    AccessGhost("Stay").active = true;
    RemoveTree(first.path + "\\old");
    WriteGhost(second.path, "new", "name,New\nsakura.name,N\n");
    ASSERT_EQ(HandleRequest(InstallComplete(c.types, "New", second.path + "\\new\\"), RunHandler), kReplyOk);
    const Entries expected = c.rebuilds ? Entries{{"New", "N"}, {"Stay", "S"}} : Entries{{"Old", ""}, {"Stay", "S"}};
    EXPECT_EQ(Registered(), expected) << c.types;
    EXPECT_TRUE(FindGhost("Stay")->active) << c.types;
    EXPECT_EQ(GhostFolders(), (std::vector<std::string>{first.path, second.path})) << c.types;
  }
}

}  // namespace
