#include <gtest/gtest.h>

#include <QApplication>
#include <QMessageBox>
#include <QPointer>
#include <QTest>
#include <QTimer>

#include "login/configfile.h"
#include "login/loginwindow.h"
#include "login/registerwindow.h"
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

struct Box {
  QString title, text;
  bool owned;
  bool hasIcon;
  int buttons;
};

// Closes every message box that appears, remembering what it said.
class BoxCloser : public QObject {
 public:
  BoxCloser() {
    timer_.setInterval(20);
    connect(&timer_, &QTimer::timeout, this, [this] {
      for (QWidget* w : QApplication::topLevelWidgets()) {
        auto* box = qobject_cast<QMessageBox*>(w);
        if (!box || !box->isVisible() || seen_.contains(box)) continue;
        seen_.append(box);
        boxes.push_back({box->windowTitle(), box->text(), box->parentWidget() != nullptr,
                         box->icon() != QMessageBox::NoIcon,
                         static_cast<int>(box->buttons().size())});
        box->accept();
      }
    });
    timer_.start();
  }
  std::vector<Box> boxes;

 private:
  QTimer timer_;
  QList<QPointer<QMessageBox>> seen_;
};

}  // namespace

class RegisterWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    login = new login::LoginWindow(
        {QStringLiteral("127.0.0.1"), service.command.port(), service.notice.port()}, dir.path());
    login->show();
    ASSERT_TRUE(SpinUntil([&] { return service.command.clientConnected(); }));
    // Open the registration window from the login window; the click waits until it closes.
    QTest::mouseClick(login->按钮2, Qt::LeftButton);
    ASSERT_NE(login->registerWindow(), nullptr);
    reg = login->registerWindow();
  }
  void TearDown() override {
    if (reg) reg->close();
    Spin(20);
    delete login;
  }
  void Fill(const char* a, const char* p1, const char* p2, const char* qq) {
    reg->编辑框1->setText(QString::fromUtf8(a));
    reg->编辑框2->setText(QString::fromUtf8(p1));
    reg->编辑框3->setText(QString::fromUtf8(p2));
    reg->编辑框4->setText(QString::fromUtf8(qq));
  }
  void Click() {
    QTest::mouseClick(reg->按钮1, Qt::LeftButton);
    Spin(50);
  }

  TempDir dir;
  LoopbackService service;
  QPointer<login::LoginWindow> login;
  QPointer<login::RegisterWindow> reg;
};

TEST_F(RegisterWindowTest, LayoutIsModalAndEmpty) {
  EXPECT_EQ(reg->windowTitle(), "Pelmora");
  EXPECT_EQ(reg->size(), QSize(255, 284));
  EXPECT_TRUE(reg->isModal());
  struct Place {
    const char* name;
    QRect rect;
  } places[] = {{"标签1", {8, 8, 240, 208}},   {"编辑框1", {41, 11, 176, 32}},
                {"编辑框2", {41, 59, 176, 32}}, {"编辑框3", {41, 107, 176, 32}},
                {"编辑框4", {41, 155, 176, 32}}, {"按钮1", {48, 208, 144, 40}}};
  for (const auto& p : places) {
    auto* child = reg->findChild<QWidget*>(QString::fromUtf8(p.name));
    ASSERT_NE(child, nullptr) << p.name;
    EXPECT_EQ(child->geometry(), p.rect) << p.name;
  }
  EXPECT_EQ(reg->按钮1->text(), QString::fromUtf8("注册"));
  for (QLineEdit* e : {reg->编辑框1, reg->编辑框2, reg->编辑框3, reg->编辑框4}) {
    EXPECT_TRUE(e->text().isEmpty());
    EXPECT_EQ(e->echoMode(), QLineEdit::Normal);
  }
}

TEST_F(RegisterWindowTest, ChecksRunInOrderAndOnlyTheFirstFailureIsShown) {
  struct Case {
    const char *a, *p1, *p2, *qq;
    const char *title, *text;
  } cases[] = {
      {"", "", "", "", "提示", "账号不能为空"},
      {"u", "", "", "1", "提示", "密码不能为空"},
      {"u", "p", "", "1", "提示", "密码不能为空"},
      {"u", "", "p", "1", "提示", "密码不能为空"},
      {"u", "p", "p", "", "重要", "qq很重要不能为空\n\n否则账号不能找回密码"},
      {"u", "p", "q", "1", "提示", "两次输入的密码不一致"},
  };
  for (const auto& c : cases) {
    BoxCloser closer;
    Fill(c.a, c.p1, c.p2, c.qq);
    Click();
    ASSERT_TRUE(SpinUntil([&] { return !closer.boxes.empty(); })) << c.text;
    Spin(50);
    ASSERT_EQ(closer.boxes.size(), 1u) << c.text;
    EXPECT_EQ(closer.boxes[0].title, QString::fromUtf8(c.title));
    EXPECT_EQ(closer.boxes[0].text, QString::fromUtf8(c.text));
    EXPECT_TRUE(closer.boxes[0].owned);
    EXPECT_FALSE(closer.boxes[0].hasIcon);
    EXPECT_EQ(closer.boxes[0].buttons, 1);
  }
  Spin(100);
  EXPECT_TRUE(service.command.received().empty());  // nothing was sent
}

TEST_F(RegisterWindowTest, BlanksCountAsFilledAndEachClickSendsOneRequest) {
  BoxCloser closer;
  Fill(" ", " ", " ", "abc");
  Click();
  Click();
  const std::string one =
      service::RegisterRequest(" ", service::PasswordDigest(" "), "abc");
  ASSERT_TRUE(service.command.WaitForBytes(2 * one.size()));
  EXPECT_EQ(service.command.received(), one + one);
  EXPECT_TRUE(closer.boxes.empty());

  Fill("demo01", "123456", "123456", "12345678");
  const size_t before = service.command.received().size();
  Click();
  ASSERT_TRUE(service.command.WaitForBytes(before + 78));
  EXPECT_EQ(service.command.received().substr(before),
            "user: demo01\r\npwd: e10adc3949ba59abbe56e057f20f883e\r\nlogin: ret\r\nqq: 12345678\r");

  // Two answers, two boxes with the reply texts.
  service.command.Send(std::string(service::words::kRegisterAccepted));
  ASSERT_TRUE(SpinUntil([&] { return closer.boxes.size() == 1; }));
  service.command.Send(std::string(service::words::kNameTaken));
  ASSERT_TRUE(SpinUntil([&] { return closer.boxes.size() == 2; }));
  EXPECT_EQ(closer.boxes[0].title, QString::fromUtf8("提示"));
  EXPECT_EQ(closer.boxes[0].text, QString::fromUtf8("注册成功"));
  EXPECT_EQ(closer.boxes[1].text, QString::fromUtf8("用户名已存在"));
  EXPECT_TRUE(closer.boxes[1].owned);

  // Registering touches neither the login boxes nor the profile.
  EXPECT_TRUE(login->编辑框1->text().isEmpty());
  EXPECT_EQ(FileBytes(dir.file(QString::fromUtf8("配置"))), "");
}

TEST_F(RegisterWindowTest, AnswerAfterTheWindowClosedGetsABoxWithoutOwner) {
  BoxCloser closer;
  reg->close();
  ASSERT_TRUE(SpinUntil([&] { return reg.isNull(); }));
  service.command.Send(std::string(service::words::kRegisterAccepted));
  ASSERT_TRUE(SpinUntil([&] { return closer.boxes.size() == 1; }));
  EXPECT_FALSE(closer.boxes[0].owned);
  EXPECT_EQ(closer.boxes[0].text, QString::fromUtf8("注册成功"));
}
