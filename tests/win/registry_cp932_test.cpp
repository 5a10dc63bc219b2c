// The registry on a Japanese Windows: directory and ghost names whose
// Shift_JIS bytes hold 0x5C, the byte of the path separator.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "tests/win/registry_fixture.h"
#include "tests/win/testbench.h"

namespace {

// Runs under LC_ALL=ja_JP.UTF-8, where Wine's ANSI code page is 932: names
// come back from the ANSI calls as Shift_JIS, 0x5C trail bytes and all.
TEST(GhostPathListShiftJis, NamesAreTheFilesShiftJisBytes) {
  ASSERT_EQ(GetACP(), 932u) << "run with LC_ALL=ja_JP.UTF-8";
  const std::string hyouji = "\x95\x5c\x8e\xa6";          // 表示
  const std::string sofuto = "\x83\x5c\x83\x74\x83\x67";  // ソフト
  TempDir temp;
  std::string root = temp.path + "\\" + "\x83\x5c";  // ソ
  ASSERT_TRUE(CreateDirectoryA(root.c_str(), nullptr));
  WriteGhost(root, hyouji, "charset,Shift_JIS\r\nname," + sofuto + "\r\nsakura.name," + hyouji + "\r\n");
  WriteGhost(root, sofuto, "name," + hyouji + "\\\r\nsakura.name,\x83\x5c\r\n");
  ASSERT_TRUE(PathExists(root + "\\" + hyouji + "\\ghost\\master\\descript.txt"));
  GhostPathList(root);
  EXPECT_EQ(Registered(), (Entries{{sofuto, hyouji}, {hyouji + "\\", "\x83\x5c"}}));
}

// The same Shift_JIS folder as a later reference, after a plain one that
// names one of its ghosts too: its paths are formed as given, 0x5C trail
// bytes and all, and as the later folder it gives the shared name.
TEST(GhostPathListShiftJis, AFolderWithA5CTrailByteAsALaterReference) {
  ASSERT_EQ(GetACP(), 932u) << "run with LC_ALL=ja_JP.UTF-8";
  const std::string hyouji = "\x95\x5c\x8e\xa6";  // 表示
  TempDir temp;
  const std::string plain = temp.path + "\\plain";
  const std::string so = temp.path + "\\" + "\x83\x5c";  // ソ
  ASSERT_TRUE(CreateDirectoryA(plain.c_str(), nullptr));
  ASSERT_TRUE(CreateDirectoryA(so.c_str(), nullptr));
  WriteGhost(plain, "a", "name," + hyouji + "\r\nsakura.name,plain\r\n");
  WriteGhost(plain, "b", "name,Plain\r\n");
  WriteGhost(so, hyouji, "name," + hyouji + "\r\nsakura.name,\x83\x5c\r\n");
  GhostPathListOf({plain + "\\", so + "\\"});
  EXPECT_EQ(Registered(), (Entries{{"Plain", ""}, {hyouji, "\x83\x5c"}}));
}

}  // namespace
