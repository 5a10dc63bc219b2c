#include "config/module_dir.h"

#include <gtest/gtest.h>

#include <string>

namespace {

// Code page 932: lead bytes 0x81-0x9F and 0xE0-0xFC.
bool IsCp932Lead(unsigned char byte) { return (byte >= 0x81 && byte <= 0x9F) || (byte >= 0xE0 && byte <= 0xFC); }

bool NoLeadBytes(unsigned char) { return false; }

TEST(DirectoryOfPath, KeepsDriveAndDirectoryUpToTheLastSeparator) {
  const struct {
    const char* name;
    std::string path;
    std::string directory;
  } cases[] = {
      {"plain", "D:\\host\\plugin\\x\\config.exe", "D:\\host\\plugin\\x\\"},
      {"root of a drive", "C:\\config.exe", "C:\\"},
      {"forward slashes", "C:/a/b/config.exe", "C:/a/b/"},
      {"mixed, last one wins", "C:\\a/b\\c/config.exe", "C:\\a/b\\c/"},
      {"UNC path has no drive", "\\\\server\\share\\config.exe", "\\\\server\\share\\"},
      {"drive without separator", "C:config.exe", "C:"},
      {"no drive, no separator", "config.exe", ""},
      {"empty", "", ""},
      {"colon later is no drive", "ab:\\c\\d.exe", "ab:\\c\\"},
      {"ends with separator", "C:\\a\\", "C:\\a\\"},
      // 表示 is 95 5C 8E A6: its 0x5C is a trail byte inside the directory name.
      {"0x5C trail byte in a directory", "C:\\x\\\x95\x5c\x8e\xa6\\config.exe", "C:\\x\\\x95\x5c\x8e\xa6\\"},
      // ソ is 83 5C: a file name "ソ.exe" must not end the directory at its 0x5C.
      {"0x5C trail byte in the file name", "C:\\x\\\x83\x5c.exe", "C:\\x\\"},
      {"directory name ending in ソ", "C:\\\x83\x5c\\config.exe", "C:\\\x83\x5c\\"},
      {"'/' as a trail byte", "C:\\a\\\x81\x2f.exe", "C:\\a\\"},
      {"lead byte right after the drive", "C:\x83\x5c\\config.exe", "C:\x83\x5c\\"},
      {"lead byte at the very end", "C:\\a\\b\x83", "C:\\a\\"},
      {"lead byte cut before a final separator", "C:\\a\\\x83\\", "C:\\a\\"},
      {"half-width katakana is single-byte", "C:\\\xb1\\\xb2.exe", "C:\\\xb1\\"},
  };
  for (const auto& c : cases) EXPECT_EQ(DirectoryOfPath(c.path, IsCp932Lead), c.directory) << c.name;
}

// Without a double-byte code page every 0x5C is a separator.
TEST(DirectoryOfPath, SingleByteCodePageSplitsAtEvery5C) {
  EXPECT_EQ(DirectoryOfPath("C:\\x\\\x83\x5c.exe", NoLeadBytes), "C:\\x\\\x83\\");
}

TEST(DirectoryOfPath, IsNotCutAtAnyLength) {
  std::string directory = "C:\\";
  while (directory.size() < 3000) directory += std::string(200, 'd') + "\\\x95\x5c\\";
  EXPECT_EQ(DirectoryOfPath(directory + "config.exe", IsCp932Lead), directory);
}

}  // namespace
