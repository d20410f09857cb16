#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QMimeData>
#include <QUrl>
#include <QPointer>
#include <QTest>
#include <QTimer>

#include "checking/import.h"
#include "checking/numberlist.h"
#include "checking/numberlistview.h"
#include "checking/queryrun.h"
#include "checking/querywindow.h"
#include "platform/codepage.h"
#include "platform/wait.h"
#include "service/messages.h"
#include "support/loopback_server.h"

using namespace pelmora;
using pelmora::testing::LoopbackService;
using pelmora::testing::Spin;
using pelmora::testing::SpinUntil;
using pelmora::testing::TempDir;
using pelmora::testing::WriteBytes;

namespace {

const std::string kSuccess(service::words::kRequestSucceeded);
const std::string kJsonFailed = "JSON\xBD\xE2\xCE\xF6\xCA\xA7\xB0\xDC";  // JSON解析失败

std::string Answer(const std::string& province, const std::string& city, const std::string& carrier,
                   const std::string& statusJson) {
  return "{\"code\":0,\"msg\":\"" + kSuccess + "\",\"phoneList\":[{\"province\":\"" + province +
         "\",\"city\":\"" + city + "\",\"operatorType\":\"" + carrier +
         "\",\"phoneStatus\":" + statusJson + "}]}";
}

std::vector<std::string> Tels(const std::string& stream) {
  // Splits the command stream into the tel values of its query requests.
  std::vector<std::string> tels;
  size_t pos = 0;
  while ((pos = stream.find("&tel=", pos)) != std::string::npos) {
    pos += 5;
    size_t end = stream.find("user=", pos);
    tels.push_back(stream.substr(pos, end == std::string::npos ? std::string::npos : end - pos));
  }
  return tels;
}

}  // namespace

struct StatusCase {
  std::string statusJson;
  std::string shown;
};

TEST(ApplyQueryReply, StatusWordsAndPlaceJoinedWithoutSeparator) {
  const StatusCase cases[] = {
      {"0", "\xBF\xD5\xBA\xC5"},           // 空号
      {"\"1\"", "\xCA\xB5\xBA\xC5"},       // 实号
      {"2", "\xCD\xA3\xBB\xFA"},           // 停机
      {"\"3\"", "\xBF\xE2\xCE\xDE"},       // 库无
      {"3", "\xBF\xE2\xCE\xDE"},           // 库无
      {"4", "\xB3\xC1\xC4\xAC\xBA\xC5"},   // 沉默号
      {"5", "\xB7\xE7\xCF\xD5\xBA\xC5"},   // 风险号
      {"6", "6"},
      {"\" 3\"", " 3"},
      {"\"03\"", "03"},
      {"null", "null"},
  };
  checking::NumberList list;
  for (size_t i = 0; i < std::size(cases); ++i) list.AppendRow();
  checking::ReplyRowIndex = 0;
  for (const auto& c : cases) {
    checking::ApplyQueryReply(list, Answer("\xB9\xE3\xB6\xAB", "\xC9\xEE\xDB\xDA", "\xD2\xC6\xB6\xAF",
                                           c.statusJson));
  }
  for (size_t i = 0; i < std::size(cases); ++i) {
    EXPECT_EQ(list.GetCell(int(i), 3), cases[i].shown) << cases[i].statusJson;
    EXPECT_EQ(list.GetCell(int(i), 2), "\xB9\xE3\xB6\xAB\xC9\xEE\xDB\xDA\xD2\xC6\xB6\xAF");  // 广东深圳移动
  }
  EXPECT_EQ(checking::ReplyRowIndex, int(std::size(cases)));
}

TEST(ApplyQueryReply, BadAnswersFillTheRowWithFailureTextsAndStillAdvance) {
  checking::NumberList list;
  for (int i = 0; i < 3; ++i) list.AppendRow();
  checking::ReplyRowIndex = 0;
  // Two answers merged into one text do not parse: one row, the failure text four times.
  const std::string a = Answer("a", "b", "c", "1");
  checking::ApplyQueryReply(list, a + a);
  EXPECT_EQ(list.GetCell(0, 2), kJsonFailed + kJsonFailed + kJsonFailed);
  EXPECT_EQ(list.GetCell(0, 3), kJsonFailed);
  // An answer without the fields: empty place, empty status.
  checking::ApplyQueryReply(list, "{\"msg\":\"" + kSuccess + "\",\"phoneList\":[]}");
  EXPECT_EQ(list.GetCell(1, 2), "");
  EXPECT_EQ(list.GetCell(1, 3), "");
  EXPECT_EQ(checking::ReplyRowIndex, 2);
  // More answers than rows: nothing visible changes, the index keeps counting.
  for (int i = 0; i < 3; ++i) checking::ApplyQueryReply(list, a);
  EXPECT_EQ(checking::ReplyRowIndex, 5);
  EXPECT_EQ(list.RowCount(), 3);
  EXPECT_EQ(list.GetCell(2, 2), "abc");
}

class QueryRunTest : public ::testing::Test {
 protected:
  void SetUp() override {
    command = new service::CommandChannel(router, nullptr);
    notice = new service::NoticeChannel(router, nullptr);
    ASSERT_TRUE(command->Connect("127.0.0.1", service.command.port()));
    ASSERT_TRUE(notice->Connect("127.0.0.1", service.notice.port()));
    ASSERT_TRUE(SpinUntil([&] { return service.command.clientConnected() && service.notice.clientConnected(); }));
    service.notice.onData = [this](const std::string&) {
      return "\xCA\xA3\xD3\xE0\xB5\xE3\xCA\xFD\xA3\xBA" + std::to_string(--points);  // 剩余点数：N
    };
    window = new checking::QueryWindow(
        checking::QuerySession{&router, command, notice, [] { return std::string("demo"); },
                               [] { return std::string("123456"); }},
        dir.path());
    window->show();
  }
  void TearDown() override {
    delete window;
    delete command;
    delete notice;
  }
  void Import(const std::string& bytes) {
    WriteBytes(dir.file("numbers.txt"), bytes);
    window->ImportNumberFile(platform::QStringToGbk(dir.file("numbers.txt")));
  }

  TempDir dir;
  LoopbackService service;
  service::ReplyRouter router;
  QPointer<service::CommandChannel> command;
  QPointer<service::NoticeChannel> notice;
  QPointer<checking::QueryWindow> window;
  int points = 100;
  platform::ScopedWaitScale fast{0.1};
};

TEST_F(QueryRunTest, RunSendsPacedRequestsAndFillsRowsInAnswerOrder) {
  Import("13800138000\r\n13900139000\r\n\r\n13700137000\r\n");
  std::vector<qint64> arrivals;
  QElapsedTimer clock;
  clock.start();
  int answered = 0;
  service.command.onData = [&](const std::string& chunk) {
    arrivals.push_back(clock.elapsed());
    // The second number is refused: later answers land one row higher.
    ++answered;
    if (answered == 2) return std::string("{\"msg\":\"refused\"}");
    return Answer("P" + std::to_string(answered), "C", "T", std::to_string(answered));
  };
  QTest::mouseClick(window->按钮1, Qt::LeftButton);  // returns when the run is over

  const std::string expected = service::QueryRequest("demo", "123456", "13800138000") +
                               service::QueryRequest("demo", "123456", "13900139000") +
                               service::QueryRequest("demo", "123456", "13700137000");
  ASSERT_TRUE(service.command.WaitForBytes(expected.size()));
  EXPECT_EQ(service.command.received(), expected);
  ASSERT_TRUE(service.notice.WaitForBytes(12));
  EXPECT_EQ(service.notice.received(), "\xB2\xE9\xD1\xAF\xB2\xE9\xD1\xAF\xB2\xE9\xD1\xAF");
  ASSERT_EQ(arrivals.size(), 3u);
  for (size_t i = 1; i < arrivals.size(); ++i) EXPECT_GE(arrivals[i] - arrivals[i - 1], 75);

  auto& list = window->numberList();
  EXPECT_EQ(list.GetCell(0, 2), "P1CT");
  EXPECT_EQ(list.GetCell(0, 3), "\xCA\xB5\xBA\xC5");  // 实号
  EXPECT_EQ(list.GetCell(1, 2), "P3CT");               // third answer, second row
  EXPECT_EQ(list.GetCell(1, 3), "\xBF\xE2\xCE\xDE");   // 库无
  EXPECT_EQ(list.GetCell(2, 2), "");
  EXPECT_EQ(checking::ReplyRowIndex, 2);
  ASSERT_TRUE(SpinUntil([&] { return window->标签2->text().endsWith("97"); }));
  EXPECT_EQ(window->标签2->text(), QString::fromUtf8("剩余点数：97"));
}

TEST_F(QueryRunTest, EmptyListSendsNothingAndResetsTheRowIndex) {
  checking::ReplyRowIndex = 7;
  QTest::mouseClick(window->按钮1, Qt::LeftButton);
  Spin(50);
  EXPECT_EQ(checking::ReplyRowIndex, 0);
  EXPECT_TRUE(service.command.received().empty());
  EXPECT_EQ(window->标签2->text(), QString::fromUtf8("剩余点数："));
}

TEST_F(QueryRunTest, SecondClickDuringARunQueriesEverythingAgainInside) {
  Import("1\r\n2\r\n3\r\n");
  QTimer::singleShot(20, window, [this] { QTest::mouseClick(window->按钮1, Qt::LeftButton); });
  QTest::mouseClick(window->按钮1, Qt::LeftButton);
  ASSERT_TRUE(SpinUntil([&] { return Tels(service.command.received()).size() == 6; }));
  EXPECT_EQ(Tels(service.command.received()), (std::vector<std::string>{"1", "1", "2", "3", "2", "3"}));
}

TEST_F(QueryRunTest, ClosingTheWindowDuringARunEndsItQuietly) {
  Import("1\r\n2\r\n3\r\n4\r\n");
  QTimer::singleShot(20, window, [this] { window->close(); });
  QTest::mouseClick(window->按钮1, Qt::LeftButton);
  ASSERT_TRUE(SpinUntil([&] { return window.isNull(); }));
  Spin(300);
  EXPECT_EQ(Tels(service.command.received()), std::vector<std::string>{"1"});
}

TEST_F(QueryRunTest, FilesDroppedOnTheListAreImported) {
  WriteBytes(dir.file("a.txt"), "111\r\n\r\n333\r\n");
  QMimeData mime;
  mime.setUrls({QUrl::fromLocalFile(dir.file("a.txt"))});
  QWidget* viewport = window->超级列表框1->viewport();
  const QPoint at = viewport->rect().center();
  QDragEnterEvent enter(at, Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
  QCoreApplication::sendEvent(viewport, &enter);
  QDragMoveEvent move(at, Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
  QCoreApplication::sendEvent(viewport, &move);
  QDropEvent drop(at, Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
  QCoreApplication::sendEvent(viewport, &drop);
  auto& list = window->numberList();
  ASSERT_EQ(list.RowCount(), 2);
  EXPECT_EQ(list.GetCell(1, 0), "3");
  EXPECT_EQ(list.GetCell(1, 1), "333");
  EXPECT_EQ(window->拖放对象1->objectName(), QString::fromUtf8("拖放对象1"));
}
