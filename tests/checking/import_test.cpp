#include <gtest/gtest.h>

#include "checking/import.h"
#include "checking/numberlist.h"
#include "platform/codepage.h"
#include "support/loopback_server.h"

#include <QDir>
#include <QSignalSpy>

#include <string>
#include <utility>
#include <vector>

using namespace pelmora::checking;
using pelmora::platform::QStringToGbk;
using pelmora::testing::TempDir;
using pelmora::testing::WriteBytes;
using namespace std::string_literals;

namespace {

using Rows = std::vector<std::pair<std::string, std::string>>;  // (序号, 手机号)

Rows RowsOf(const NumberList& list, int from = 0) {
  Rows rows;
  for (int row = from; row < list.RowCount(); ++row) {
    rows.emplace_back(list.GetCell(row, 0), list.GetCell(row, 1));
    EXPECT_EQ(list.GetCell(row, 2), "");
    EXPECT_EQ(list.GetCell(row, 3), "");
  }
  return rows;
}

std::string Repeat(const std::string& piece, int times) {
  std::string s;
  for (int i = 0; i < times; ++i) s += piece;
  return s;
}

class Import : public ::testing::Test {
 protected:
  TempDir dir;
  NumberList list;

  // Writes the file and returns its path as the GBK text a drop delivers.
  std::string File(const QString& name, const std::string& bytes) {
    WriteBytes(dir.file(name), bytes);
    return QStringToGbk(dir.file(name));
  }
};

TEST_F(Import, FileContentsBecomeRows) {
  const struct {
    const char* what;
    std::string bytes;
    Rows rows;
  } cases[] = {
      {"empty file", "", {}},
      {"NUL at byte 0", "\0" "13800000000\r\n"s, {}},
      {"only CR LF", "\r\n\r\n\r\n", {}},
      {"empty line keeps its ordinal; final CR LF adds nothing",
       "13800000000\r\n\r\n13900000000\r\n",
       {{"1", "13800000000"}, {"3", "13900000000"}}},
      {"last line without CR LF", "1\r\n2", {{"1", "1"}, {"2", "2"}}},
      {"LF-only lines are one line", "111\n222\n", {{"1", "111\n222\n"}}},
      {"lone CR separates nothing", "111\r222\r\n", {{"1", "111\r222"}}},
      {"spaces and tabs kept", "   \r\n 138 \r\n\t1\t\r\n", {{"1", "   "}, {"2", " 138 "}, {"3", "\t1\t"}}},
      {"byte-order mark kept", "\xEF\xBB\xBF" "138\r\n139\r\n",
       {{"1", "\xEF\xBB\xBF" "138"}, {"2", "139"}}},
      {"a byte of 0x80 or above takes the CR as its partner",
       "138\x80\r\n139\r\n140\r\n", {{"1", "138\x80\r\n139"}, {"2", "140"}}},
      {"GBK characters", "\xBA\xC5\xC2\xEB\r\n", {{"1", "\xBA\xC5\xC2\xEB"}}},  // 号码
      {"text after a NUL dropped", "1\r\n2\0" "3\r\n4\r\n"s, {{"1", "1"}, {"2", "2"}}},
      {"ordinals in decimal without leading zeros", Repeat("\r\n", 11) + "x", {{"12", "x"}}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    NumberList fresh;
    ImportNumberFile(fresh, File("numbers.txt", c.bytes));
    EXPECT_EQ(RowsOf(fresh), c.rows);
  }
}

TEST_F(Import, SecondDropAppendsWithOrdinalsFromOne) {
  const std::string path = File("n.txt", "13800000000\r\n\r\n13900000000\r\n");
  list.AppendRow();
  list.SetCell(0, 1, "kept");
  list.SetCell(0, 3, "status");
  ImportNumberFile(list, path);
  ImportNumberFile(list, path);
  EXPECT_EQ(list.GetCell(0, 1), "kept");
  EXPECT_EQ(list.GetCell(0, 3), "status");
  EXPECT_EQ(RowsOf(list, 1), (Rows{{"1", "13800000000"},
                                   {"3", "13900000000"},
                                   {"1", "13800000000"},
                                   {"3", "13900000000"}}));
}

TEST_F(Import, PathsThatNameNoReadableFileAddNothing) {
  const std::string first = File("a.txt", "1\r\n");
  const std::string second = File("b.txt", "2\r\n");
  QDir(dir.path()).mkdir("folder");
  const std::string paths[] = {
      first + "\r\n" + second + "\r\n",  // a drop of two files at once
      "",
      QStringToGbk(dir.file("folder")),
      QStringToGbk(dir.file("missing.txt")),
  };
  for (const std::string& path : paths) {
    SCOPED_TRACE(path);
    ImportNumberFile(list, path);
    EXPECT_EQ(list.RowCount(), 0);
  }
  ImportNumberFile(list, first);
  ImportNumberFile(list, second);
  EXPECT_EQ(RowsOf(list), (Rows{{"1", "1"}, {"1", "2"}}));
}

TEST_F(Import, PathTextIsGbk) {
  // 号码.txt: the name on disk is UTF-8, the path text handed over is GBK.
  WriteBytes(dir.file(QString::fromUtf8("号码.txt")), "13800000000\r\n");
  ImportNumberFile(list, QStringToGbk(dir.path()) + "/\xBA\xC5\xC2\xEB.txt");
  EXPECT_EQ(RowsOf(list), (Rows{{"1", "13800000000"}}));
}

TEST_F(Import, WholeFileArrivesUnderOneInsertNotification) {
  std::string bytes;
  for (int i = 0; i < 200000; ++i) bytes += std::to_string(13000000000LL + i) + "\r\n";
  list.AppendRow();
  QSignalSpy inserted(&list, &QAbstractItemModel::rowsInserted);
  ImportNumberFile(list, File("big.txt", bytes));
  ASSERT_EQ(inserted.count(), 1);
  EXPECT_EQ(inserted.at(0).at(1).toInt(), 1);
  EXPECT_EQ(inserted.at(0).at(2).toInt(), 200000);
  ASSERT_EQ(list.RowCount(), 200001);
  for (int i : {0, 1, 99999, 199999}) {
    EXPECT_EQ(list.GetCell(i + 1, 0), std::to_string(i + 1));
    EXPECT_EQ(list.GetCell(i + 1, 1), std::to_string(13000000000LL + i));
  }
}

}  // namespace
