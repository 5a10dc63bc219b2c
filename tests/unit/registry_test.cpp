// Description files as bytes (the reader gets them through a memory stream)
// and the registry's rebuild rules.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "plugin/description.h"
#include "plugin/registry.h"

namespace {

// A stream over the bytes; on Linux no text-mode translation happens, so the
// reader's own trimming is what is tested.
struct MemoryFile {
  explicit MemoryFile(std::string b) : bytes(std::move(b)) {
    file = bytes.empty() ? std::tmpfile() : fmemopen(bytes.data(), bytes.size(), "r");
  }
  ~MemoryFile() { std::fclose(file); }
  std::string bytes;
  std::FILE* file;
};

std::vector<std::string> ReadLines(const std::string& bytes) {
  MemoryFile memory(bytes);
  std::vector<std::string> lines;
  std::string line;
  for (long long n; (n = ReadLine(memory.file, line)) != -1;) {
    EXPECT_EQ(n, static_cast<long long>(line.size()));
    lines.push_back(line);
  }
  return lines;
}

TEST(ReadLine, KeepsTheLineFeedAndDeliversAnUnendedLastLine) {
  using Lines = std::vector<std::string>;
  const struct {
    const char* name;
    std::string bytes;
    Lines lines;
  } cases[] = {
      {"empty file", "", {}},
      {"LF lines", "a\nb\n", {"a\n", "b\n"}},
      {"no final line end", "a\nb", {"a\n", "b"}},
      {"CR stays inside a line", "a\rb\r\n", {"a\rb\r\n"}},
      {"empty lines", "\n\n", {"\n", "\n"}},
      {"zero bytes", std::string("a\0b\n\0", 5), {std::string("a\0b\n", 4), std::string("\0", 1)}},
  };
  for (const auto& c : cases) EXPECT_EQ(ReadLines(c.bytes), c.lines) << c.name;
}

TEST(TrimTrailing, RemovesAtMostOneByte) {
  std::string line = "a\n\n";
  TrimTrailing(line, '\n');
  EXPECT_EQ(line, "a\n");
  TrimTrailing(line, '\r');
  EXPECT_EQ(line, "a\n");
  std::string empty;
  TrimTrailing(empty, '\n');
  EXPECT_EQ(empty, "");
}

TEST(ReadDescription, TakesExactKeysAndWholeValues) {
  const struct {
    const char* name;
    std::string bytes;
    std::string ghost;
    std::string sakura;
  } cases[] = {
      {"LF", "charset,Shift_JIS\nname,Emily\nsakura.name,Em\n", "Emily", "Em"},
      {"CR LF as bytes", "name,Emily\r\nsakura.name,Em\r\n", "Emily", "Em"},
      {"lone CR on the last line", "name,Emily\nsakura.name,Em\r", "Emily", "Em"},
      {"no final line end", "name,Emily", "Emily", ""},
      {"later lines replace earlier", "name,A\nsakura.name,x\nname,B\nsakura.name,y\n", "B", "y"},
      {"blank before comma is another key", "name ,x\nname,ok\n", "ok", ""},
      {"keys are case-sensitive", "Name,x\nSAKURA.NAME,y\n", "", ""},
      {"blanks and further commas kept", "name, a,b \nsakura.name,,c,\n", " a,b ", ",c,"},
      {"empty value", "name,A\nname,\n", "", ""},
      {"line without comma ignored", "name\nsakura.name\n", "", ""},
      {"prefix of a key is another key", "nam,x\nnamex,y\nsakura.names,z\n", "", ""},
      {"zero bytes in values", std::string("name,a\0b\nsakura.name,\0\n", 23), std::string("a\0b", 3),
       std::string("\0", 1)},
      {"CR inside a value kept", "name,a\rb\n", "a\rb", ""},
      {"only one CR trimmed", "name,a\r\r\n", "a\r", ""},
  };
  for (const auto& c : cases) {
    MemoryFile memory(c.bytes);
    GhostDescription d = ReadDescription(memory.file);
    EXPECT_EQ(d.name, c.ghost) << c.name;
    EXPECT_EQ(d.sakuraName, c.sakura) << c.name;
  }
}

// One rebuild from a list of descriptions, in enumeration order.
void Rebuild(const std::vector<GhostDescription>& found) {
  BeginRebuild();
  for (const auto& d : found) RecordDescription(d);
  SweepAbsentGhosts();
}

std::vector<std::string> Names() {
  std::vector<std::string> names;
  for (const auto& entry : Ghosts()) names.push_back(entry.first);
  return names;
}

TEST(Registry, WalksNamesInUnsignedByteOrder) {
  Rebuild({{"b", ""}, {"a", ""}, {"ab", ""}, {"\x95\x5c", ""}, {"Z", ""}});
  EXPECT_EQ(Names(), (std::vector<std::string>{"Z", "a", "ab", "b", "\x95\x5c"}));
  Rebuild({});
  EXPECT_TRUE(Ghosts().empty());
}

TEST(Registry, RebuildKeepsActiveForNamesFoundAgainAndDropsTheRest) {
  Rebuild({{"Emily", "Em"}, {"Teru", "T"}, {"Gone", "G"}});
  AccessGhost("Emily").active = true;
  AccessGhost("Gone").active = true;
  Rebuild({{"Emily", "Emi"}, {"Teru2", "T"}});
  ASSERT_NE(FindGhost("Emily"), nullptr);
  EXPECT_TRUE(FindGhost("Emily")->active) << "active lost on a sakura.name change";
  EXPECT_EQ(FindGhost("Emily")->sakuraName, "Emi");
  EXPECT_EQ(FindGhost("Gone"), nullptr);
  EXPECT_EQ(FindGhost("Teru"), nullptr);
  ASSERT_NE(FindGhost("Teru2"), nullptr);
  EXPECT_FALSE(FindGhost("Teru2")->active);
  // A ghost that comes back is a new, inactive entry.
  Rebuild({{"Gone", "G"}});
  ASSERT_NE(FindGhost("Gone"), nullptr);
  EXPECT_FALSE(FindGhost("Gone")->active);
}

TEST(Registry, LaterDirectoryWinsAndEmptyNamesRegisterNothing) {
  Rebuild({{"Same", "first"}, {"", "nameless"}, {"Same", ""}});
  EXPECT_EQ(Names(), std::vector<std::string>{"Same"});
  EXPECT_EQ(FindGhost("Same")->sakuraName, "") << "an emptied sakura.name must empty the field";
  EXPECT_EQ(FindGhost(""), nullptr);
  EXPECT_EQ(FindGhost("same"), nullptr) << "finding is exact";
  EXPECT_EQ(Names(), std::vector<std::string>{"Same"}) << "a find must not insert";
}

}  // namespace
