#include <gtest/gtest.h>

#include "checking/export.h"
#include "checking/numberlist.h"
#include "checking/statuscode.h"
#include "support/loopback_server.h"

#include <QDir>
#include <QFileInfo>

#include <atomic>
#include <set>
#include <string>
#include <thread>
#include <vector>

using namespace pelmora::checking;
using pelmora::testing::FileBytes;
using pelmora::testing::SpinUntil;
using pelmora::testing::TempDir;
using pelmora::testing::WriteBytes;

namespace {

// GBK status words.
const std::string kEmpty = "\xBF\xD5\xBA\xC5";             // 空号
const std::string kInUse = "\xCA\xB5\xBA\xC5";             // 实号
const std::string kSilent = "\xB3\xC1\xC4\xAC\xBA\xC5";    // 沉默号
const std::string kParseFailed = "JSON\xBD\xE2\xCE\xF6\xCA\xA7\xB0\xDC";  // JSON解析失败

// The result file names as they stand on disk.
const char* const kFileNames[] = {"空号.txt", "实号.txt", "停机.txt",
                                  "库无.txt", "沉默号.txt", "风险号.txt"};

class Export : public ::testing::Test {
 protected:
  TempDir dir;
  NumberList list;

  void AddRow(const std::string& number, const std::string& status) {
    const int row = list.AppendRow();
    list.SetCell(row, 1, number);
    list.SetCell(row, 3, status);
  }
  std::string Result(int index) const { return FileBytes(dir.file(QString::fromUtf8(kFileNames[index]))); }
  std::vector<std::string> Results() const {
    std::vector<std::string> all;
    for (int i = 0; i < 6; ++i) all.push_back(Result(i));
    return all;
  }
  // Everything in the folder: no temporary file may be left behind.
  QStringList Entries() const {
    QStringList entries = QDir(dir.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
    entries.sort();
    return entries;
  }
  QStringList SixNames() const {
    QStringList names;
    for (const char* name : kFileNames) names << QString::fromUtf8(name);
    names.sort();
    return names;
  }
};

TEST_F(Export, SortsNumbersIntoTheSixFilesByExactStatusWord) {
  AddRow("13800000001", kEmpty);
  AddRow("13800000002", kInUse);
  AddRow(" 13800000003 ", kEmpty);
  AddRow("13800000004", "");             // never answered
  AddRow("13800000005", kParseFailed);
  AddRow("13800000006", "6");            // outside the six values
  AddRow("13800000007", kEmpty + " ");   // not the whole word
  AddRow("13800000008", kSilent);
  AddRow("13800000001", kEmpty);          // repeated number, written again
  ExportResults(list, dir.path());
  EXPECT_EQ(Results(), (std::vector<std::string>{
                           "13800000001\r\n 13800000003 \r\n13800000001\r\n",
                           "13800000002\r\n", "", "", "13800000008\r\n", ""}));
  EXPECT_EQ(Entries(), SixNames());
}

TEST_F(Export, EmptyOrUnansweredListWritesSixEmptyFiles) {
  ExportResults(list, dir.path());
  EXPECT_EQ(Entries(), SixNames());
  EXPECT_EQ(Results(), std::vector<std::string>(6));
  list.AppendRow();
  list.SetCell(0, 1, "13800000000");
  WriteBytes(dir.file(QString::fromUtf8(kFileNames[0])), "old\r\n");
  ExportResults(list, dir.path());
  EXPECT_EQ(Results(), std::vector<std::string>(6));
}

TEST_F(Export, EachExportReplacesTheFiles) {
  AddRow("1", kEmpty);
  AddRow("2", kInUse);
  ExportResults(list, dir.path());
  const std::vector<std::string> first = Results();
  ExportResults(list, dir.path());
  EXPECT_EQ(Results(), first);
  list.SetCell(0, 3, kInUse);
  list.SetCell(1, 3, kSilent);
  ExportResults(list, dir.path());
  EXPECT_EQ(Results(), (std::vector<std::string>{"", "1\r\n", "", "", "2\r\n", ""}));
  EXPECT_EQ(Entries(), SixNames());
}

TEST_F(Export, FileThatCannotBeWrittenKeepsItsContentAndTheOthersAreWritten) {
  // A directory in the place of 实号.txt cannot be replaced by a file (root or not).
  ASSERT_TRUE(QDir(dir.path()).mkpath(QString::fromUtf8("实号.txt/inner")));
  WriteBytes(dir.file(QString::fromUtf8("空号.txt")), "old\r\n");
  AddRow("1", kEmpty);
  AddRow("2", kInUse);
  AddRow("3", kSilent);
  ExportResults(list, dir.path());
  EXPECT_TRUE(QFileInfo(dir.file(QString::fromUtf8("实号.txt/inner"))).isDir());
  EXPECT_EQ(Result(0), "1\r\n");
  EXPECT_EQ(Result(4), "3\r\n");
  EXPECT_EQ(Entries(), SixNames());
}

using ExportConcurrency = Export;

TEST_F(ExportConcurrency, ReadsEachCellWholeWhileTheListChanges) {
  // Numbers of different lengths are rewritten and statuses flipped on this (the window)
  // thread while exports run on another; every exported line must be a whole number.
  const std::string a = "13800000000";
  const std::string b = std::string(600, '9') + "\xBA\xC5";  // ends in 号
  constexpr int kRows = 3000;
  for (int row = 0; row < kRows; ++row) AddRow(a, row % 2 ? kEmpty : kInUse);
  for (int round = 0; round < 5; ++round) {
    SCOPED_TRACE(round);
    const int before = list.RowCount();
    std::atomic<bool> done{false};
    std::thread worker([&, rows = list.Store()] {
      ExportResults(*rows, dir.path());
      done = true;
    });
    for (int i = 0; !done.load(); ++i) {
      const int row = i % list.RowCount();
      list.SetCell(row, 1, i % 3 ? a : b);
      list.SetCell(row, 3, i % 2 ? kEmpty : kInUse);
      if (i % 50 == 0) AddRow(b, kEmpty);
    }
    worker.join();
    const int after = list.RowCount();
    std::size_t lines = 0;
    for (int k = 0; k < 6; ++k) {
      const std::string text = Result(k);
      if (k > 1) {
        EXPECT_EQ(text, "");
      }
      std::size_t start = 0;
      for (std::size_t end; (end = text.find("\r\n", start)) != std::string::npos; start = end + 2) {
        const std::string line = text.substr(start, end - start);
        EXPECT_TRUE(line == a || line == b) << "line of " << line.size() << " bytes";
        ++lines;
      }
      EXPECT_EQ(start, text.size());
    }
    // The row count is read once: rows appended during the export are not in it.
    EXPECT_GE(lines, static_cast<std::size_t>(before));
    EXPECT_LE(lines, static_cast<std::size_t>(after));
  }
}

TEST_F(ExportConcurrency, StartedExportFinishesAfterTheListIsGone) {
  auto* doomed = new NumberList;
  constexpr int kRows = 300000;
  std::string numbers;
  for (int i = 0; i < kRows; ++i) numbers += std::to_string(13000000000LL + i);
  RowBatch batch(numbers, kRows);
  for (int i = 0; i < kRows; ++i) batch.Add(i + 1, std::string_view(batch.text()).substr(i * 11, 11));
  doomed->AppendRows(std::move(batch));
  std::string expected;
  for (int i = 0; i < kRows; ++i) {
    doomed->SetCell(i, 3, i % 2 ? kInUse : kEmpty);
    if (i % 2) expected += std::to_string(13000000000LL + i) + "\r\n";
  }
  StartExport(*doomed, dir.path());
  delete doomed;  // the window closes while the export runs
  const QString last = dir.file(QString::fromUtf8(kFileNames[5]));
  ASSERT_TRUE(SpinUntil([&] { return QFileInfo::exists(last); }, 20000));
  EXPECT_EQ(Result(1), expected);
  EXPECT_EQ(Result(5), "");
}

}  // namespace
