#include "login/loginwindow.h"

#include "checking/querywindow.h"
#include "login/registerwindow.h"
#include "platform/codepage.h"
#include "platform/wait.h"
#include "platform/windows.h"
#include "service/messages.h"

namespace pelmora::login {

LoginWindow::LoginWindow(const service::ServiceEndpoint& endpoint, const QString& programDirectory)
    : config_(programDirectory), programDirectory_(programDirectory) {
  setAttribute(Qt::WA_DeleteOnClose);
  setObjectName(QStringLiteral("LoginWindow"));
  platform::PlaceWindow(this, QStringLiteral("Pelmora"), 50, 50, 380, 250);

  // "\r\n账号：\r\n\r\n\r\n\r\n密码："
  using platform::MakeButton;
  using platform::MakeEditBox;
  using platform::MakeLabel;
  标签1 = MakeLabel(this, "标签1",
                    "\r\n\xD5\xCB\xBA\xC5\xA3\xBA\r\n\r\n\r\n\r\n\xC3\xDC\xC2\xEB\xA3\xBA",
                    {152, 16, 112, 104}, true);
  编辑框1 = MakeEditBox(this, "编辑框1", {185, 21, 160, 32});
  编辑框2 = MakeEditBox(this, "编辑框2", {185, 69, 160, 32});
  编辑框2->setEchoMode(QLineEdit::Password);
  编辑框2->setStyleSheet(QStringLiteral("lineedit-password-character: 42"));  // "*"
  按钮1 = MakeButton(this, "按钮1", "\xB5\xC7\xC2\xBC", {32, 114, 80, 32});   // 登录
  按钮2 = MakeButton(this, "按钮2", "\xD7\xA2\xB2\xE1", {136, 112, 80, 32});  // 注册
  标签2 = MakeLabel(this, "标签2", "", {16, 17, 120, 32});
  标签3 = MakeLabel(this, "标签3", "", {8, 160, 360, 56});

  客户1 = new service::CommandChannel(router_, this);
  客户1->setObjectName(QStringLiteral("客户1"));
  客户2 = new service::NoticeChannel(router_, this);
  客户2->setObjectName(QStringLiteral("客户2"));

  connect(按钮1, &QPushButton::clicked, this, &LoginWindow::SubmitLogin);
  connect(按钮2, &QPushButton::clicked, this, &LoginWindow::OpenRegisterWindow);

  using service::CommandReply;
  using service::NoticeReply;
  router_.On(CommandReply::LoginAccepted, this,
             [this](const std::string& reply) { EnterWorkWindow(reply); });
  router_.On(CommandReply::LoginRefused, this,
             [this](const std::string& reply) { LoginRefused(reply); });
  router_.On(NoticeReply::Announcement, this,
             [this](const std::string& reply) { 标签3->setText(platform::DisplayText(reply)); });
  // Registration answers get a box owned by the registration window while it is open, and a
  // box without owner once it is closed.
  auto registrationAnswer = [this](const std::string& reply) {
    platform::ShowMessageBox(registerWindow_, "\xCC\xE1\xCA\xBE", reply);  // 提示
  };
  router_.On(CommandReply::RegisterAccepted, this, registrationAnswer);
  router_.On(CommandReply::NameTaken, this, registrationAnswer);

  OpenSession(endpoint);
}

LoginWindow::~LoginWindow() {
  // About to be destroyed: say goodbye with the account as it reads now. The channels close
  // with the window.
  客户1->Send(service::LeaveNotice(Account()));
}

void LoginWindow::closeEvent(QCloseEvent* event) {
  closing_ = true;
  QWidget::closeEvent(event);
}

void LoginWindow::OpenSession(const service::ServiceEndpoint& endpoint) {
  客户1->Connect(endpoint.host, endpoint.commandPort);
  客户2->Connect(endpoint.host, endpoint.noticePort);
  客户2->Send(service::NoticeRequest());
  编辑框1->setText(platform::GbkToQString(config_.ReadUser()));
  编辑框2->setText(platform::GbkToQString(config_.ReadPassword()));
}

std::string LoginWindow::Account() const { return platform::QStringToGbk(编辑框1->text()); }
std::string LoginWindow::Password() const { return platform::QStringToGbk(编辑框2->text()); }

void LoginWindow::SubmitLogin() {
  config_.WriteUser(Account());
  config_.WritePassword(Password());
  客户1->Send(service::LoginRequest(Account(), Password()));
}

void LoginWindow::EnterWorkWindow(const std::string& reply) {
  标签2->setText(platform::DisplayText(reply));
  QPointer<LoginWindow> self(this);
  platform::WaitHandlingEvents(2000);
  // The window may have been closed during the wait: then there is nothing to hand over to.
  if (!self || closing_) return;
  OpenWorkWindow();
}

void LoginWindow::LoginRefused(const std::string& reply) {
  标签2->setText(platform::DisplayText(reply));
}

void LoginWindow::OpenWorkWindow() {
  if (queryWindow_) {
    platform::BringToFront(queryWindow_);
  } else {
    queryWindow_ = new checking::QueryWindow(
        checking::QuerySession{&router_, 客户1, 客户2,
                               [w = QPointer<LoginWindow>(this)] { return w ? w->Account() : std::string(); },
                               [w = QPointer<LoginWindow>(this)] { return w ? w->Password() : std::string(); }},
        programDirectory_);
    // Closing the work window ends the program through this window, at once.
    connect(queryWindow_, &QObject::destroyed, this, [this] { delete this; });
    queryWindow_->show();
  }
  hide();
}

void LoginWindow::OpenRegisterWindow() {
  // Application-modal: this window takes no input until the user closes it, while events
  // (replies on both channels included) go on being handled. Each opening starts empty.
  auto* window = new RegisterWindow(客户1);
  registerWindow_ = window;
  window->setAttribute(Qt::WA_DeleteOnClose);
  window->setWindowModality(Qt::ApplicationModal);
  window->show();
}

}  // namespace pelmora::login
