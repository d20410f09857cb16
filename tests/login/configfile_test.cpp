#include <gtest/gtest.h>

#include "login/configfile.h"
#include "support/loopback_server.h"

#include <QDir>
#include <QFile>
#include <dirent.h>
#include <string>
#include <sys/stat.h>
#include <vector>

using pelmora::login::ConfigFile;
using pelmora::testing::FileBytes;
using pelmora::testing::TempDir;
using pelmora::testing::WriteBytes;

namespace {

// [配置] in GBK.
const std::string kHeader = "[\xC5\xE4\xD6\xC3]\r\n";

class ConfigFileTest : public ::testing::Test {
 protected:
  TempDir dir;
  ConfigFile config{dir.path()};
  QString path = dir.file(QString::fromUtf8("配置"));
};

// Raw names of the entries of a folder, as the file system holds them.
std::vector<std::string> RawNames(const QString& folder) {
  std::vector<std::string> names;
  if (DIR* d = ::opendir(QFile::encodeName(folder).constData())) {
    while (const dirent* e = ::readdir(d)) {
      const std::string name = e->d_name;
      if (name != "." && name != "..") names.push_back(name);
    }
    ::closedir(d);
  }
  return names;
}

}  // namespace

TEST_F(ConfigFileTest, FirstStartReadsEmptyAndSavesBothKeysEvenWhenEmpty) {
  EXPECT_EQ(config.ReadUser(), "");
  EXPECT_EQ(config.ReadPassword(), "");
  EXPECT_TRUE(RawNames(dir.path()).empty());

  EXPECT_TRUE(config.WriteUser(""));
  EXPECT_TRUE(config.WritePassword(""));
  EXPECT_EQ(FileBytes(path), kHeader + "user=\r\npwd=\r\n");
  // The file is called 配置, in UTF-8, beside the program, and nothing else is left there.
  EXPECT_EQ(RawNames(dir.path()), std::vector<std::string>{"\xE9\x85\x8D\xE7\xBD\xAE"});
  EXPECT_EQ(config.Path(), dir.path() + QString::fromUtf8("/配置"));

  struct stat st {};
  ASSERT_EQ(::stat(QFile::encodeName(path).constData(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0600u);
}

TEST_F(ConfigFileTest, LaterSavesReplaceTheValuesInPlace) {
  ASSERT_TRUE(config.WriteUser("alice"));
  ASSERT_TRUE(config.WritePassword("secret"));
  ASSERT_TRUE(config.WriteUser("bob"));
  ASSERT_TRUE(config.WritePassword("p@ss word"));
  EXPECT_EQ(FileBytes(path), kHeader + "user=bob\r\npwd=p@ss word\r\n");
  EXPECT_EQ(config.ReadUser(), "bob");
  EXPECT_EQ(config.ReadPassword(), "p@ss word");
  // A second object over the same folder sees the same file: nothing is cached.
  EXPECT_EQ(ConfigFile(dir.path()).ReadPassword(), "p@ss word");
}

TEST_F(ConfigFileTest, GbkValuesRoundTrip) {
  const std::string values[] = {
      "\xD5\xC5\xC8\xFD",          // 张三
      "\xC3\xDC\xC2\xEB" "123",    // 密码123
      "\x81\x40\xFE\xFE",          // the corners of the double-byte range
      "a\x81=b",                   // "=" as a second byte
  };
  for (const auto& value : values) {
    ASSERT_TRUE(config.WriteUser(value));
    ASSERT_TRUE(config.WritePassword(value + "!"));
    EXPECT_EQ(config.ReadUser(), value);
    EXPECT_EQ(config.ReadPassword(), value + "!");
  }
}

TEST_F(ConfigFileTest, ReadsAtMost10239Bytes) {
  const std::string longPassword(20000, 'p');
  ASSERT_TRUE(config.WritePassword(longPassword));
  EXPECT_EQ(FileBytes(path), kHeader + "pwd=" + longPassword + "\r\n");
  EXPECT_EQ(config.ReadPassword(), std::string(10239, 'p'));
}

TEST_F(ConfigFileTest, KeepsEverythingElseInTheFile) {
  // An LF file with a comment, another section before and after, a repeated "pwd" key and
  // keys spelt in upper case.
  const std::string before = "; written by hand\n[other]\nuser=x\n" + std::string("[\xC5\xE4\xD6\xC3]\n") +
                             "USER = old\nPWD=first\npwd=second\nnote=kept\n\n[tail]\nk=v";
  WriteBytes(path, before);
  EXPECT_EQ(config.ReadUser(), "old");
  EXPECT_EQ(config.ReadPassword(), "first");
  ASSERT_TRUE(config.WriteUser("u"));
  ASSERT_TRUE(config.WritePassword("p"));
  EXPECT_EQ(FileBytes(path), "; written by hand\n[other]\nuser=x\n" +
                                 std::string("[\xC5\xE4\xD6\xC3]\n") +
                                 "user=u\r\npwd=p\r\npwd=second\nnote=kept\n\n[tail]\nk=v");
}

TEST_F(ConfigFileTest, BinaryOrHugeFilesDoNotStopTheProgram) {
  std::string junk;
  for (int i = 0; i < 100 * 1024; ++i) junk += static_cast<char>((i * 131) % 256);
  WriteBytes(path, junk);
  EXPECT_EQ(config.ReadUser(), "");
  ASSERT_TRUE(config.WriteUser("u"));
  EXPECT_EQ(config.ReadUser(), "u");
  EXPECT_EQ(FileBytes(path).compare(0, junk.size(), junk), 0);
}

TEST_F(ConfigFileTest, UnwritableFolderChangesNothing) {
  const ConfigFile nowhere(dir.file("missing"));
  EXPECT_FALSE(nowhere.WriteUser("u"));
  EXPECT_FALSE(nowhere.WritePassword("p"));
  EXPECT_EQ(nowhere.ReadUser(), "");
  EXPECT_FALSE(QFileInfo::exists(dir.file("missing")));

  // A failed save leaves the earlier file as it was.
  ASSERT_TRUE(config.WriteUser("kept"));
  const std::string saved = FileBytes(path);
  EXPECT_FALSE(config.WriteUser("two\r\nlines"));
  EXPECT_EQ(FileBytes(path), saved);
  EXPECT_EQ(config.ReadUser(), "kept");
}
