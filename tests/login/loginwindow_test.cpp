#include <gtest/gtest.h>

#include <QApplication>
#include <QPointer>
#include <QTcpServer>
#include <QTest>
#include <QTimer>
#include <atomic>
#include <thread>

#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include "checking/querywindow.h"
#include "login/configfile.h"
#include "login/loginwindow.h"
#include "platform/codepage.h"
#include "platform/wait.h"
#include "service/messages.h"
#include "service/passworddigest.h"
#include "support/loopback_server.h"

using namespace pelmora;
using pelmora::testing::FileBytes;
using pelmora::testing::LoopbackService;
using pelmora::testing::Spin;
using pelmora::testing::SpinUntil;
using pelmora::testing::TempDir;

namespace {

const std::string kAnnouncement = "\xB9\xAB\xB8\xE6\xA3\xBA hello";  // 公告： hello
const std::string kConfigName = "\xE9\x85\x8D\xE7\xBD\xAE";       // 配置 (UTF-8 file name)

service::ServiceEndpoint EndpointOf(LoopbackService& s) {
  return {QStringLiteral("127.0.0.1"), s.command.port(), s.notice.port()};
}

QString Shown(std::string_view gbk) { return platform::GbkToQString(gbk); }

}  // namespace

class LoginWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    service.notice.onData = [](const std::string& chunk) {
      return chunk == "\xB9\xAB\xB8\xE6" ? kAnnouncement : std::string();
    };
  }
  QString configPath() const { return dir.path() + "/" + QString::fromStdString(kConfigName); }

  TempDir dir;
  LoopbackService service;
  platform::ScopedWaitScale fast{0.05};
};

TEST_F(LoginWindowTest, StartsWithLayoutAnnouncementAndStoredAccount) {
  login::ConfigFile(dir.path()).WriteUser("demo");
  login::ConfigFile(dir.path()).WritePassword("\xC3\xDC" "123");  // GBK password
  QPointer<login::LoginWindow> w = new login::LoginWindow(EndpointOf(service), dir.path());
  w->show();

  EXPECT_EQ(w->windowTitle(), "Pelmora");
  EXPECT_EQ(w->size(), QSize(380, 250));
  EXPECT_EQ(w->pos(), QPoint(50, 50));
  struct Place {
    const char* name;
    QRect rect;
  } places[] = {{"标签1", {152, 16, 112, 104}}, {"编辑框1", {185, 21, 160, 32}},
                {"编辑框2", {185, 69, 160, 32}}, {"按钮1", {32, 114, 80, 32}},
                {"按钮2", {136, 112, 80, 32}},   {"标签2", {16, 17, 120, 32}},
                {"标签3", {8, 160, 360, 56}}};
  for (const auto& p : places) {
    auto* child = w->findChild<QWidget*>(QString::fromUtf8(p.name));
    ASSERT_NE(child, nullptr) << p.name;
    EXPECT_EQ(child->geometry(), p.rect) << p.name;
  }
  EXPECT_EQ(w->按钮1->text(), QString::fromUtf8("登录"));
  EXPECT_EQ(w->按钮2->text(), QString::fromUtf8("注册"));
  EXPECT_EQ(w->标签1->text(), QString::fromUtf8("\n账号：\n\n\n\n密码："));
  EXPECT_EQ(w->编辑框2->echoMode(), QLineEdit::Password);
  EXPECT_EQ(w->编辑框1->text(), "demo");
  EXPECT_EQ(w->Password(), "\xC3\xDC" "123");

  // Both channels connected; the notice request went out on the notice channel only.
  ASSERT_TRUE(service.notice.WaitForBytes(4));
  EXPECT_EQ(service.notice.received(), "\xB9\xAB\xB8\xE6");
  EXPECT_EQ(service.command.connections(), 1);
  ASSERT_TRUE(SpinUntil([&] { return !w->标签3->text().isEmpty(); }));
  EXPECT_EQ(w->标签3->text(), Shown(kAnnouncement));
  EXPECT_TRUE(w->标签2->text().isEmpty());
  delete w;
}

TEST_F(LoginWindowTest, LoginSavesProfileSendsRequestAndShowsAnswers) {
  QPointer<login::LoginWindow> w = new login::LoginWindow(EndpointOf(service), dir.path());
  w->show();
  // First start: no profile, empty boxes; a click saves both keys even when empty.
  EXPECT_TRUE(w->编辑框1->text().isEmpty());
  QTest::mouseClick(w->按钮1, Qt::LeftButton);
  EXPECT_EQ(FileBytes(configPath()), "[\xC5\xE4\xD6\xC3]\r\nuser=\r\npwd=\r\n");
  ASSERT_TRUE(service.command.WaitForBytes(service::LoginRequest("", "").size()));
  EXPECT_EQ(service.command.received(), service::LoginRequest("", ""));

  w->编辑框1->setText("demo01");
  w->编辑框2->setText("123456");
  QTest::mouseClick(w->按钮1, Qt::LeftButton);
  const std::string second = service::LoginRequest("demo01", "123456");
  ASSERT_TRUE(service.command.WaitForBytes(service::LoginRequest("", "").size() + second.size()));
  EXPECT_EQ(service.command.received().substr(service::LoginRequest("", "").size()), second);
  EXPECT_EQ(second.size(), 67u);
  EXPECT_EQ(login::ConfigFile(dir.path()).ReadUser(), "demo01");
  EXPECT_EQ(login::ConfigFile(dir.path()).ReadPassword(), "123456");

  service.command.Send(std::string(service::words::kLoginRefused));
  ASSERT_TRUE(SpinUntil([&] { return !w->标签2->text().isEmpty(); }));
  EXPECT_EQ(w->标签2->text(), QString::fromUtf8("登陆失败"));
  EXPECT_EQ(w->queryWindow(), nullptr);

  // During the hand-over's wait the answer shows and the login window is still up.
  QString labelDuringWait;
  bool visibleDuringWait = false, workWindowDuringWait = true;
  QTimer probe;
  probe.setInterval(10);
  QObject::connect(&probe, &QTimer::timeout, [&] {
    if (!labelDuringWait.isEmpty() || w->标签2->text() != QString::fromUtf8("登陆成功")) return;
    labelDuringWait = w->标签2->text();
    visibleDuringWait = w->isVisible();
    workWindowDuringWait = w->queryWindow() != nullptr;
  });
  probe.start();
  service.command.Send(std::string(service::words::kLoginAccepted));
  ASSERT_TRUE(SpinUntil([&] { return w->queryWindow() != nullptr; }));
  probe.stop();
  EXPECT_EQ(labelDuringWait, QString::fromUtf8("登陆成功"));
  EXPECT_TRUE(visibleDuringWait);
  EXPECT_FALSE(workWindowDuringWait);
  EXPECT_FALSE(w->isVisible());
  EXPECT_TRUE(w->queryWindow()->isVisible());

  // Closing the work window destroys the login window at once, which says goodbye.
  const size_t before = service.command.received().size();
  w->queryWindow()->close();
  ASSERT_TRUE(SpinUntil([&] { return w.isNull(); }));
  ASSERT_TRUE(service.command.WaitForBytes(before + 10));
  EXPECT_EQ(service.command.received().substr(before), "demo01\xC0\xEB\xBF\xAA");
}

TEST_F(LoginWindowTest, SecondAcceptedLoginBringsTheSameWorkWindowBack) {
  QPointer<login::LoginWindow> w = new login::LoginWindow(EndpointOf(service), dir.path());
  w->show();
  ASSERT_TRUE(SpinUntil([&] { return service.command.clientConnected(); }));
  service.command.Send(std::string(service::words::kLoginAccepted));
  Spin(30);
  service.command.Send(std::string(service::words::kLoginAccepted));
  ASSERT_TRUE(SpinUntil([&] { return w->queryWindow() != nullptr; }));
  QPointer<checking::QueryWindow> first = w->queryWindow();
  Spin(300);
  EXPECT_EQ(w->queryWindow(), first.data());
  int workWindows = 0;
  for (QWidget* t : QApplication::topLevelWidgets())
    if (qobject_cast<checking::QueryWindow*>(t)) ++workWindows;
  EXPECT_EQ(workWindows, 1);
  delete w->queryWindow();
}

TEST_F(LoginWindowTest, ClosingBeforeLoginSendsLeaveNotice) {
  QPointer<login::LoginWindow> w = new login::LoginWindow(EndpointOf(service), dir.path());
  w->show();
  w->编辑框1->setText(QString::fromUtf8("张三"));
  ASSERT_TRUE(SpinUntil([&] { return service.command.clientConnected(); }));
  w->close();  // closing destroys it
  ASSERT_TRUE(SpinUntil([&] { return w.isNull(); }));
  ASSERT_TRUE(service.command.WaitForBytes(8));
  EXPECT_EQ(service.command.received(), "\xD5\xC5\xC8\xFD\xC0\xEB\xBF\xAA");
}

TEST_F(LoginWindowTest, UnreachableServiceLeavesWindowUsableAndSilent) {
  service::ServiceEndpoint closed;
  {
    QTcpServer a, b;
    a.listen(QHostAddress::LocalHost, 0);
    b.listen(QHostAddress::LocalHost, 0);
    closed = {QStringLiteral("127.0.0.1"), a.serverPort(), b.serverPort()};
  }
  QPointer<login::LoginWindow> w = new login::LoginWindow(closed, dir.path());
  w->show();
  w->编辑框1->setText("u");
  QTest::mouseClick(w->按钮1, Qt::LeftButton);
  Spin(100);
  EXPECT_TRUE(w->标签3->text().isEmpty());
  EXPECT_TRUE(w->标签2->text().isEmpty());
  EXPECT_EQ(login::ConfigFile(dir.path()).ReadUser(), "u");
  delete w;
}

// The command channel connects first, the notice channel second. The command listener's
// queue is kept full at first, so the client's connect to it cannot complete; while it waits,
// the notice listener must not have seen a connection.
TEST(LoginWindowOrder, CommandChannelConnectsBeforeNoticeChannel) {
  auto listenOn = [](int& fd, int backlog) {
    fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ::bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a);
    ::listen(fd, backlog);
    socklen_t len = sizeof a;
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&a), &len);
    return a;
  };
  int cfd, nfd;
  sockaddr_in caddr = listenOn(cfd, 0), naddr = listenOn(nfd, 4);
  // Fill the command listener's accept queue.
  int filler = ::socket(AF_INET, SOCK_STREAM, 0);
  ASSERT_EQ(::connect(filler, reinterpret_cast<sockaddr*>(&caddr), sizeof caddr), 0);

  std::atomic<bool> noticeEarly{false};
  std::atomic<bool> checked{false};
  std::thread command([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    pollfd p{nfd, POLLIN, 0};
    noticeEarly = ::poll(&p, 1, 0) > 0;
    checked = true;
    ::close(::accept(cfd, nullptr, nullptr));  // the filler: makes room for the client
    ::close(::accept(cfd, nullptr, nullptr));
  });
  std::thread notice([&] {
    while (!checked) std::this_thread::sleep_for(std::chrono::milliseconds(5));
    ::close(::accept(nfd, nullptr, nullptr));
  });
  TempDir dir;
  {
    login::LoginWindow w({QStringLiteral("127.0.0.1"), ntohs(caddr.sin_port), ntohs(naddr.sin_port)},
                         dir.path());
    command.join();
    notice.join();
  }
  ::close(filler);
  ::close(cfd);
  ::close(nfd);
  EXPECT_TRUE(checked);
  EXPECT_FALSE(noticeEarly);
}
