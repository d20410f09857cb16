#include <gtest/gtest.h>

#include "checking/import.h"
#include "checking/numberlist.h"
#include "checking/numberlistview.h"
#include "platform/codepage.h"
#include "support/loopback_server.h"

#include <QDropEvent>
#include <QHeaderView>
#include <QMimeData>
#include <QSignalSpy>
#include <QTest>
#include <QUrl>

#include <string>

using namespace pelmora::checking;
using pelmora::platform::QStringToGbk;
using pelmora::testing::TempDir;
using pelmora::testing::WriteBytes;

namespace {

class ListView : public ::testing::Test {
 protected:
  TempDir dir;
  NumberList list;
  NumberListView view;
  QSignalSpy dropped{&view, &NumberListView::PathTextDropped};

  ListView() { view.setModel(&list); }

  // Delivers a drop the way the window system does: enter, then drop, on the list's viewport.
  // Returns whether the drop was accepted.
  bool Drop(QMimeData& mime) {
    const QPoint at = view.viewport()->rect().center();
    QDragEnterEvent enter(at, Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(view.viewport(), &enter);
    QDropEvent drop(QPointF(at), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(view.viewport(), &drop);
    EXPECT_EQ(enter.isAccepted(), drop.isAccepted());
    return drop.isAccepted();
  }
  std::string DroppedText(int i) const { return dropped.at(i).at(0).value<std::string>(); }
};

TEST_F(ListView, OneDropOfFilesRaisesOnePathText) {
  // 号码.txt on disk; the path text is GBK ("\xBA\xC5\xC2\xEB" is 号码).
  const QString one = dir.file(QString::fromUtf8("号码.txt"));
  const QString two = dir.file("b.txt");
  const std::string base = QStringToGbk(dir.path());

  QMimeData single;
  single.setUrls({QUrl::fromLocalFile(one)});
  EXPECT_TRUE(Drop(single));
  ASSERT_EQ(dropped.count(), 1);
  EXPECT_EQ(DroppedText(0), base + "/\xBA\xC5\xC2\xEB.txt");

  QMimeData both;
  both.setUrls({QUrl::fromLocalFile(one), QUrl::fromLocalFile(two)});
  EXPECT_TRUE(Drop(both));
  ASSERT_EQ(dropped.count(), 2);
  EXPECT_EQ(DroppedText(1), base + "/\xBA\xC5\xC2\xEB.txt\r\n" + base + "/b.txt\r\n");
}

TEST_F(ListView, TextAndAddressesAreNotTakenAsFiles) {
  QMimeData text;
  text.setText("13800000000");
  EXPECT_FALSE(Drop(text));
  QMimeData address;
  address.setUrls({QUrl("https://example.com/numbers.txt")});
  EXPECT_FALSE(Drop(address));
  EXPECT_EQ(dropped.count(), 0);
}

TEST_F(ListView, DroppedFileIsImported) {
  WriteBytes(dir.file("n.txt"), "13800000000\r\n\r\n13900000000\r\n");
  QObject::connect(&view, &NumberListView::PathTextDropped, &list,
                   [this](const std::string& path) { ImportNumberFile(list, path); });
  QMimeData mime;
  mime.setUrls({QUrl::fromLocalFile(dir.file("n.txt"))});
  Drop(mime);
  ASSERT_EQ(list.RowCount(), 2);
  EXPECT_EQ(list.GetCell(1, 0), "3");
  EXPECT_EQ(list.GetCell(1, 1), "13900000000");
  // Two files at once name no file: nothing is added.
  mime.setUrls({QUrl::fromLocalFile(dir.file("n.txt")), QUrl::fromLocalFile(dir.file("n.txt"))});
  Drop(mime);
  EXPECT_EQ(list.RowCount(), 2);
}

TEST_F(ListView, ReportListSettings) {
  const QHeaderView* head = view.header();
  EXPECT_FALSE(head->isHidden());
  EXPECT_FALSE(head->sectionsClickable());
  EXPECT_FALSE(view.isSortingEnabled());
  EXPECT_EQ(view.editTriggers(), QAbstractItemView::NoEditTriggers);
  EXPECT_EQ(view.selectionMode(), QAbstractItemView::SingleSelection);
  EXPECT_TRUE(view.uniformRowHeights());
  EXPECT_TRUE(head->defaultAlignment() & Qt::AlignLeft);
  const int widths[] = {50, 80, 80, 80};
  for (int column = 0; column < 4; ++column) EXPECT_EQ(view.columnWidth(column), widths[column]);
}

TEST_F(ListView, ClickSelectsOneRowByItsFirstCell) {
  for (int row = 0; row < 3; ++row) {
    list.AppendRow();
    list.SetCell(row, 1, "1380000000" + std::to_string(row));
  }
  view.resize(400, 300);
  view.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&view));
  const auto click = [&](int row, int column) {
    QTest::mouseClick(view.viewport(), Qt::LeftButton, Qt::NoModifier,
                      view.visualRect(list.index(row, column)).center());
  };
  // Whatever model the view had before, selection keeps to first cells.
  NumberList other;
  view.setModel(&other);
  view.setModel(nullptr);
  view.setModel(&list);
  click(1, 2);
  EXPECT_EQ(view.selectionModel()->selectedIndexes(), QModelIndexList{list.index(1, 0)});
  click(2, 1);
  EXPECT_EQ(view.selectionModel()->selectedIndexes(), QModelIndexList{list.index(2, 0)});
  QTest::keyClick(view.viewport(), Qt::Key_Up);
  EXPECT_EQ(view.selectionModel()->selectedIndexes(), QModelIndexList{list.index(1, 0)});
  // Header clicks do nothing.
  QTest::mouseClick(view.header()->viewport(), Qt::LeftButton, Qt::NoModifier,
                    QPoint(view.header()->sectionViewportPosition(1) + 5, 5));
  EXPECT_EQ(list.GetCell(0, 1), "13800000000");
  EXPECT_EQ(view.selectionModel()->selectedIndexes(), QModelIndexList{list.index(1, 0)});
}

}  // namespace
