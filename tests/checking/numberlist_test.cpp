#include <gtest/gtest.h>

#include "checking/numberlist.h"
#include "platform/codepage.h"

#include <QSignalSpy>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

using namespace pelmora::checking;
using pelmora::platform::GbkToQString;

namespace {

// 号码 (BA C5 C2 EB) with digits around it.
const std::string kGbkText = "138\xBA\xC5\xC2\xEB" "00";

TEST(NumberList, AppendsEmptyRowsAndReadsMissingCellsAsEmpty) {
  NumberList list;
  EXPECT_EQ(list.RowCount(), 0);
  EXPECT_EQ(list.AppendRow(), 0);
  EXPECT_EQ(list.AppendRow(), 1);
  EXPECT_EQ(list.RowCount(), 2);
  for (int column = 0; column < 4; ++column) EXPECT_EQ(list.GetCell(1, column), "");

  list.SetCell(0, 1, kGbkText);
  QSignalSpy changed(&list, &QAbstractItemModel::dataChanged);
  const struct {
    int row, column;
  } missing[] = {{-1, 1}, {2, 1}, {1000, 0}, {0, -1}, {0, 4}, {INT_MAX, 3}, {INT_MIN, 0}};
  for (const auto& m : missing) {
    SCOPED_TRACE(testing::Message() << m.row << "," << m.column);
    list.SetCell(m.row, m.column, "x");
    EXPECT_EQ(list.GetCell(m.row, m.column), "");
  }
  EXPECT_EQ(changed.count(), 0);
  EXPECT_EQ(list.RowCount(), 2);
  EXPECT_EQ(list.GetCell(0, 1), kGbkText);
  for (int column : {0, 2, 3}) EXPECT_EQ(list.GetCell(0, column), "");
  for (int column = 0; column < 4; ++column) EXPECT_EQ(list.GetCell(1, column), "");
}

TEST(NumberList, OverwritingACellKeepsItsNeighbours) {
  NumberList list;
  list.AppendRow();
  list.SetCell(0, 0, "1");
  list.SetCell(0, 1, "13800000000");
  list.SetCell(0, 2, "A");
  list.SetCell(0, 3, "B");
  list.SetCell(0, 2, kGbkText);
  list.SetCell(0, 1, "");
  list.SetCell(0, 3, std::string(300, 'z'));  // a length of two prefix bytes
  EXPECT_EQ(list.GetCell(0, 0), "1");
  EXPECT_EQ(list.GetCell(0, 1), "");
  EXPECT_EQ(list.GetCell(0, 2), kGbkText);
  EXPECT_EQ(list.GetCell(0, 3), std::string(300, 'z'));
}

TEST(NumberList, ManyWritesAcrossStorageChunksStayReadable) {
  // Enough bytes to fill several storage chunks, plus one cell larger than a chunk.
  NumberList list;
  const auto text = [](int row, int column) {
    return std::to_string(row) + std::string(static_cast<std::size_t>(row % 700), 'a' + column);
  };
  for (int row = 0; row < 6000; ++row) {
    ASSERT_EQ(list.AppendRow(), row);
    for (int column = 0; column < 4; ++column) list.SetCell(row, column, text(row, column));
  }
  const std::string huge(3 << 20, '\xB0');
  list.SetCell(17, 2, huge);
  for (int row = 0; row < 6000; ++row)
    for (int column = 0; column < 4; ++column)
      ASSERT_EQ(list.GetCell(row, column), row == 17 && column == 2 ? huge : text(row, column))
          << row << "," << column;
}

TEST(NumberList, BatchAppendsAllRowsUnderOneNotification) {
  for (const int rows : {3, 50000}) {  // a small batch joins shared storage, a large one not
    SCOPED_TRACE(rows);
    NumberList list;
    list.AppendRow();
    list.SetCell(0, 1, "first");
    std::string text;
    std::vector<std::size_t> starts;
    for (int i = 0; i < rows; ++i) {
      starts.push_back(text.size());
      text += "n" + std::to_string(i) + ";";
    }
    starts.push_back(text.size());
    RowBatch batch(text, 0);
    for (int i = 0; i < rows; ++i)
      batch.Add(static_cast<std::uint64_t>(i) * 2 + 1,
                std::string_view(batch.text()).substr(starts[i], starts[i + 1] - starts[i] - 1));
    QSignalSpy about(&list, &QAbstractItemModel::rowsAboutToBeInserted);
    QSignalSpy inserted(&list, &QAbstractItemModel::rowsInserted);
    EXPECT_EQ(list.AppendRows(std::move(batch)), 1);
    ASSERT_EQ(about.count(), 1);
    ASSERT_EQ(inserted.count(), 1);
    EXPECT_EQ(inserted.at(0).at(1).toInt(), 1);
    EXPECT_EQ(inserted.at(0).at(2).toInt(), rows);
    ASSERT_EQ(list.RowCount(), rows + 1);
    EXPECT_EQ(list.GetCell(0, 1), "first");
    for (int i = 0; i < rows; ++i) {
      ASSERT_EQ(list.GetCell(i + 1, 0), std::to_string(i * 2 + 1));
      ASSERT_EQ(list.GetCell(i + 1, 1), "n" + std::to_string(i));
      ASSERT_EQ(list.GetCell(i + 1, 2), "");
      ASSERT_EQ(list.GetCell(i + 1, 3), "");
    }
    // Rows of a batch take cell writes like any other row.
    list.SetCell(rows, 3, "s");
    list.AppendRow();
    list.SetCell(rows + 1, 0, "last");
    EXPECT_EQ(list.GetCell(rows, 1), "n" + std::to_string(rows - 1));
    EXPECT_EQ(list.GetCell(rows, 3), "s");
    EXPECT_EQ(list.GetCell(rows + 1, 0), "last");
  }
  NumberList list;
  QSignalSpy inserted(&list, &QAbstractItemModel::rowsInserted);
  EXPECT_EQ(list.AppendRows(RowBatch()), 0);
  EXPECT_EQ(inserted.count(), 0);
}

TEST(NumberList, ImportedRowsTakeCellWritesLikeAnyOther) {
  // Rows of a batch keep their number inside the batch's text; a write to cell 0 or 1 must
  // keep the other one, and an ordinal too large to pack reads back the same.
  const std::string text = "13800000000\r\n13900000000";
  RowBatch batch(text, 2);
  const std::string_view view(batch.text());
  batch.Add(7, view.substr(0, 11));
  batch.Add(std::uint64_t{1} << 33, view.substr(13, 11));
  NumberList list;
  list.AppendRows(std::move(batch));
  EXPECT_EQ(list.GetCell(0, 0), "7");
  EXPECT_EQ(list.GetCell(1, 0), "8589934592");
  EXPECT_EQ(list.GetCell(1, 1), "13900000000");
  list.SetCell(0, 0, "x");
  EXPECT_EQ(list.GetCell(0, 1), "13800000000");
  list.SetCell(1, 1, "y");
  EXPECT_EQ(list.GetCell(1, 0), "8589934592");
  EXPECT_EQ(list.GetCell(0, 0), "x");
  EXPECT_EQ(list.GetCell(1, 1), "y");
}

TEST(NumberList, ViewGetsAWholeCharacterPrefixOfAHugeCell) {
  // A file without line breaks becomes one cell; the view is given only its beginning, never
  // cut inside a double-byte character.
  std::string huge = "1";
  for (int i = 0; i < 100000; ++i) huge += "\xBA\xC5";  // 号
  NumberList list;
  list.AppendRow();
  list.SetCell(0, 1, huge);
  const QString shown = list.data(list.index(0, 1)).toString();
  EXPECT_GT(shown.size(), 1000);
  EXPECT_LT(shown.size(), 100001);
  EXPECT_TRUE(GbkToQString(huge).startsWith(shown));
  EXPECT_FALSE(shown.contains(QChar(0xFFFD)));
  EXPECT_EQ(list.GetCell(0, 1), huge);
}

TEST(NumberList, ModelShowsCellsAsTextAndIsNotEditable) {
  NumberList list;
  list.AppendRow();
  list.SetCell(0, 0, "7");
  list.SetCell(0, 1, kGbkText);
  EXPECT_EQ(list.rowCount(), 1);
  EXPECT_EQ(list.columnCount(), 4);
  EXPECT_EQ(list.rowCount(list.index(0, 0)), 0);
  EXPECT_EQ(list.data(list.index(0, 0)).toString(), QStringLiteral("7"));
  EXPECT_EQ(list.data(list.index(0, 1)).toString(), QString::fromUtf8("138号码00"));
  EXPECT_EQ(list.data(list.index(0, 3)).toString(), QString());
  EXPECT_FALSE(list.data(list.index(0, 1), Qt::EditRole).isValid());
  EXPECT_FALSE(list.index(1, 0).isValid());
  EXPECT_FALSE(list.index(0, 4).isValid());

  const char* titles[] = {"序号", "手机号", "运营商", "状态"};
  for (int column = 0; column < 4; ++column) {
    EXPECT_EQ(list.headerData(column, Qt::Horizontal).toString(), QString::fromUtf8(titles[column]));
    EXPECT_EQ(list.flags(list.index(0, column)), Qt::ItemIsSelectable | Qt::ItemIsEnabled |
                                                     Qt::ItemNeverHasChildren);
  }
  EXPECT_FALSE(list.setData(list.index(0, 1), QStringLiteral("x")));
  EXPECT_EQ(list.GetCell(0, 1), kGbkText);

  QSignalSpy changed(&list, &QAbstractItemModel::dataChanged);
  list.SetCell(0, 2, "p");
  ASSERT_EQ(changed.count(), 1);
  EXPECT_EQ(changed.at(0).at(0).toModelIndex(), list.index(0, 2));
  EXPECT_EQ(changed.at(0).at(1).toModelIndex(), list.index(0, 2));
}

TEST(NumberListConcurrency, ReaderOnAnotherThreadSeesWholeOldOrNewTexts) {
  // The window thread (here) keeps rewriting cells and appending rows while another thread
  // reads; each read must be one of the texts written, never a mixture or freed bytes.
  const std::string a(1000, 'a');
  const std::string b = std::string(2500, 'b') + kGbkText;
  NumberList list;
  constexpr int kStart = 200;
  for (int row = 0; row < kStart; ++row) {
    list.AppendRow();
    list.SetCell(row, 2, a);
  }
  std::atomic<bool> stop{false};
  std::atomic<long> reads{0}, bad{0};
  std::thread reader([&] {
    const std::shared_ptr<const NumberStore> store = list.Store();
    unsigned seed = 1;
    while (!stop.load()) {
      const int count = store->RowCount();
      seed = seed * 1103515245u + 12345u;
      const int row = static_cast<int>(seed % static_cast<unsigned>(count));
      const std::string v = store->GetCell(row, 2);
      const bool ok = v == a || v == b || (row >= kStart && v.empty());
      if (!ok) ++bad;
      ++reads;
    }
  });
  for (int round = 0; round < 60; ++round) {
    for (int row = 0; row < list.RowCount(); ++row) list.SetCell(row, 2, (row + round) % 2 ? a : b);
    const int row = list.AppendRow();
    list.SetCell(row, 2, b);
  }
  while (reads.load() < 1000) std::this_thread::yield();
  stop = true;
  reader.join();
  EXPECT_EQ(bad.load(), 0);
  EXPECT_EQ(list.RowCount(), kStart + 60);
}

}  // namespace
