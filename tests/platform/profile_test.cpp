#include <gtest/gtest.h>

#include "platform/profile.h"
#include "support/loopback_server.h"

#include <QDir>
#include <random>
#include <string>
#include <sys/stat.h>

using namespace pelmora::platform;
using pelmora::testing::FileBytes;
using pelmora::testing::TempDir;
using pelmora::testing::WriteBytes;
using namespace std::string_literals;

namespace {

class Profile : public ::testing::Test {
 protected:
  TempDir dir;
  QString path = dir.file("profile.ini");

  std::string Read(std::string_view section, std::string_view key) {
    return ReadProfileString(path, section, key);
  }
  // Names of everything in the folder: a write leaves no temporary file behind.
  QStringList Entries() const {
    return QDir(dir.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
  }
};

}  // namespace

TEST_F(Profile, ReadsKeysTheWindowsWay) {
  struct Case {
    const char* what;
    std::string file, section, key, value;
  } cases[] = {
      {"CR LF lines", "[s]\r\nk=v\r\nx=y\r\n", "s", "k", "v"},
      {"LF lines, no final line end", "[s]\nk=v\nx=y", "s", "x", "y"},
      {"names compare without ASCII case", "[Sec]\r\nKey=v\r\n", "sEC", "kEY", "v"},
      {"blanks around names and values", " [ s ] \r\n\t k \t= \t v w \t\r\n", "s", "k", "v w"},
      {"first of repeated keys", "[s]\r\nk=1\r\nk=2\r\n", "s", "k", "1"},
      {"only the first of repeated sections", "[s]\r\na=1\r\n[s]\r\nk=2\r\n", "s", "k", ""},
      {"value keeps later = signs", "[s]\r\nk=a=b\r\n", "s", "k", "a=b"},
      {"empty value", "[s]\r\nk=\r\n", "s", "k", ""},
      {"key in another section", "[t]\r\nk=v\r\n[s]\r\n", "s", "k", ""},
      {"entries before any section", "k=v\r\n[s]\r\n", "s", "k", ""},
      {"comment line", "[s]\r\n;k=v\r\nk=w\r\n", "s", "k", "w"},
      {"text after the closing bracket", "[s] ; note\r\nk=v\r\n", "s", "k", "v"},
      {"a bracket line without ] is an entry", "[s]\r\n[x=1\r\n", "s", "[x", "1"},
      {"missing section", "[s]\r\nk=v\r\n", "t", "k", ""},
      {"missing key", "[s]\r\nk=v\r\n", "s", "kk", ""},
      {"empty key", "[s]\r\n=v\r\n", "s", "", ""},
      {"empty file", "", "s", "k", ""},
      {"value ends at its first NUL", "[s]\r\nk=ab\0cd\r\n"s, "s", "k", "ab"},
      {"NUL inside a key name", "[s]\r\nk\0x=1\r\nk=2\r\n"s, "s", "k", "2"},
      {"lone CR stays inside a line", "[s]\rk=v\r\n", "s", "k", ""},
      // 配置 (C5 E4 D6 C3) as section, 用户 (D3 C3 BB A7) as key, 张三 (D5 C5 C8 FD) as value.
      {"GBK names and value", "[\xC5\xE4\xD6\xC3]\r\n\xD3\xC3\xBB\xA7=\xD5\xC5\xC8\xFD\r\n",
       "\xC5\xE4\xD6\xC3", "\xD3\xC3\xBB\xA7", "\xD5\xC5\xC8\xFD"},
      // The second byte of a double-byte character is compared exactly, never case-folded:
      // 81 41 and 81 61 are two different characters.
      {"second bytes are not letters", "[\x81\x41]\r\nk=v\r\n", "\x81\x61", "k", ""},
      {"second bytes are not letters (key)", "[s]\r\n\x81\x61=v\r\n", "s", "\x81\x41", ""},
      // "]" and "=" as second bytes (81 5D, 81 3D) do not end a name.
      {"] as a second byte", "[\x81]]\r\nk=v\r\n", "\x81]", "k", "v"},
      {"= as a second byte", "[s]\r\n\x81==v\r\n", "s", "\x81=", "v"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    WriteBytes(path, c.file);
    EXPECT_EQ(Read(c.section, c.key), c.value);
  }
}

TEST_F(Profile, MissingFileOrDirectoryReadsEmpty) {
  EXPECT_EQ(Read("s", "k"), "");
  EXPECT_EQ(ReadProfileString(dir.path(), "s", "k"), "");
  EXPECT_EQ(ReadProfileString(dir.file("no/such/dir/file"), "s", "k"), "");
}

TEST_F(Profile, ValueIsReadThroughA10240ByteBuffer) {
  struct Case {
    std::string value, read;
  } cases[] = {
      {std::string(10239, 'a'), std::string(10239, 'a')},
      {std::string(10240, 'a'), std::string(10239, 'a')},
      {std::string(100000, 'b'), std::string(10239, 'b')},
      // 10238 bytes and then 中 (D6 D0): the character does not fit and is not split.
      {std::string(10238, 'c') + "\xD6\xD0", std::string(10238, 'c')},
      {std::string(10237, 'c') + "\xD6\xD0", std::string(10237, 'c') + "\xD6\xD0"},
  };
  for (const auto& c : cases) {
    WriteBytes(path, "[s]\r\nk=" + c.value + "\r\n");
    const std::string read = Read("s", "k");
    EXPECT_EQ(read.size(), c.read.size());
    EXPECT_EQ(read, c.read);
  }
}

TEST_F(Profile, WritesInPlaceKeepingEveryOtherByte) {
  struct Case {
    const char* what;
    std::string before, section, key, value, after;
  } cases[] = {
      {"new file", "", "s", "k", "v", "[s]\r\nk=v\r\n"},
      {"replace in place, LF file and comments kept",
       "; top\n[a]\nk=1\n[s]\n  K = old \n;c\nx=2\n\n[b]\nk=3\n", "S", "k", "new",
       "; top\n[a]\nk=1\n[s]\nk=new\r\n;c\nx=2\n\n[b]\nk=3\n"},
      {"only the first of repeated keys", "[s]\r\nk=1\r\nk=2\r\n", "s", "k", "9",
       "[s]\r\nk=9\r\nk=2\r\n"},
      {"new key after the section's last entry, before the blank line",
       "[s]\r\na=1\r\n\r\n[t]\r\n", "s", "k", "v", "[s]\r\na=1\r\nk=v\r\n\r\n[t]\r\n"},
      {"new key in an empty section", "[s]\n[t]\n", "s", "k", "v", "[s]\nk=v\r\n[t]\n"},
      {"new key in the last section, no final line end", "[s]\r\na=1", "s", "k", "v",
       "[s]\r\na=1\r\nk=v\r\n"},
      {"new section after a file without final line end", "[t]\r\na=1", "s", "k", "v",
       "[t]\r\na=1\r\n[s]\r\nk=v\r\n"},
      {"new section at the end", "[t]\na=1\n", "s", "k", "", "[t]\na=1\n[s]\r\nk=\r\n"},
      {"repeated sections: the first one is written", "[s]\r\na=1\r\n[s]\r\nk=2\r\n", "s", "k",
       "v", "[s]\r\na=1\r\nk=v\r\n[s]\r\nk=2\r\n"},
      {"value with blanks and = written as given", "[s]\r\n", "s", "k", " a=b ",
       "[s]\r\nk= a=b \r\n"},
      {"names and values end at their first NUL", "", "s\0x"s, "k\0y"s, "v\0z"s,
       "[s]\r\nk=v\r\n"},
      {"GBK section, key and value",
       "[\xC5\xE4\xD6\xC3]\r\nuser=a\r\n", "\xC5\xE4\xD6\xC3", "pwd", "\xD5\xC5\xC8\xFD",
       "[\xC5\xE4\xD6\xC3]\r\nuser=a\r\npwd=\xD5\xC5\xC8\xFD\r\n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    QFile::remove(path);
    if (!c.before.empty()) WriteBytes(path, c.before);
    EXPECT_TRUE(WriteProfileString(path, c.section, c.key, c.value, true));
    EXPECT_EQ(FileBytes(path), c.after);
    EXPECT_EQ(Entries(), QStringList{"profile.ini"});
  }
}

TEST_F(Profile, RefusesTextsThatWouldNotReadBack) {
  const std::string before = "[s]\r\nk=1\r\n";
  struct Case {
    std::string section, key, value;
  } cases[] = {
      {"s", "k", "1\r\n[x]"}, {"s", "k", "a\nb"}, {"s", "k", "a\rb"}, {"s", "", "v"},
      {"s", " \t", "v"},      {"s", "a=b", "v"},  {"s", "[k", "v"},   {"s", ";k", "v"},
      {"s", "k\r\n", "v"},    {"s]", "k", "v"},   {"s\n", "k", "v"},
      // A name ending in the first byte of a double-byte character would swallow its "]"/"=".
      {"[\xC5", "k", "v"},     {"s", "k\xC5", "v"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.section + "/" + c.key + "/" + c.value);
    WriteBytes(path, before);
    EXPECT_FALSE(WriteProfileString(path, c.section, c.key, c.value, true));
    EXPECT_EQ(FileBytes(path), before);
  }
  // A "]" or "=" inside a double-byte character is fine.
  EXPECT_TRUE(WriteProfileString(path, "\x81]", "\x81=", "v", true));
  EXPECT_EQ(ReadProfileString(path, "\x81]", "\x81="), "v");
}

TEST_F(Profile, FileIsPrivate) {
  WriteBytes(path, "[t]\r\na=1\r\n");
  ::chmod(QFile::encodeName(path).constData(), 0644);
  ASSERT_TRUE(WriteProfileString(path, "s", "k", "v", true));
  struct stat st {};
  ASSERT_EQ(::stat(QFile::encodeName(path).constData(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0600u);
  EXPECT_EQ(FileBytes(path), "[t]\r\na=1\r\n[s]\r\nk=v\r\n");
}

TEST_F(Profile, UnwritablePlacesFailQuietly) {
  EXPECT_FALSE(WriteProfileString(dir.file("missing/profile.ini"), "s", "k", "v", true));
  EXPECT_FALSE(QFileInfo::exists(dir.file("missing")));
  // A directory where the file should be is left alone.
  ASSERT_TRUE(QDir(dir.path()).mkdir("folder"));
  EXPECT_FALSE(WriteProfileString(dir.file("folder"), "s", "k", "v", true));
  EXPECT_TRUE(QFileInfo(dir.file("folder")).isDir());
  EXPECT_EQ(Entries(), QStringList{"folder"});
}

TEST_F(Profile, BinaryFileIsKeptAndStillWorks) {
  std::mt19937 random(936);
  std::string junk(1 << 16, '\0');
  for (char& b : junk) b = static_cast<char>(random());
  // Plenty of line ends, brackets, "=" and NUL bytes among the noise.
  for (std::size_t i = 0; i < junk.size(); i += 37) junk[i] = "\n[]=\0\r;"[random() % 7];
  WriteBytes(path, junk);
  EXPECT_EQ(Read("\xC5\xE4\xD6\xC3", "user"), "");
  ASSERT_TRUE(WriteProfileString(path, "\xC5\xE4\xD6\xC3", "user", "abc", true));
  const std::string after = FileBytes(path);
  EXPECT_EQ(after.compare(0, junk.size(), junk), 0);
  EXPECT_EQ(Read("\xC5\xE4\xD6\xC3", "user"), "abc");
  ASSERT_TRUE(WriteProfileString(path, "\xC5\xE4\xD6\xC3", "user", "xyz", true));
  EXPECT_EQ(Read("\xC5\xE4\xD6\xC3", "user"), "xyz");
  EXPECT_EQ(FileBytes(path).size(), after.size());
}

TEST_F(Profile, HundredKilobyteLines) {
  const std::string longJunk(100 * 1024, 'j');
  const std::string longValue(100 * 1024, 'v');
  const std::string before =
      longJunk + "\r\n[s]\r\n" + longJunk + "\r\nk=" + longValue + "\r\nx=1\r\n" + longJunk;
  WriteBytes(path, before);
  EXPECT_EQ(Read("s", "k"), std::string(10239, 'v'));
  EXPECT_EQ(Read("s", "x"), "1");
  ASSERT_TRUE(WriteProfileString(path, "s", "k", "short", true));
  EXPECT_EQ(FileBytes(path),
            longJunk + "\r\n[s]\r\n" + longJunk + "\r\nk=short\r\nx=1\r\n" + longJunk);
  // A value as long as the line is written whole; only reading caps it.
  ASSERT_TRUE(WriteProfileString(path, "s", "k", longValue, true));
  EXPECT_EQ(FileBytes(path), before);
}
