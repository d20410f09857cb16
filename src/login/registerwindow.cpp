#include "login/registerwindow.h"

#include "platform/codepage.h"
#include "platform/windows.h"
#include "service/messages.h"
#include "service/passworddigest.h"

namespace pelmora::login {
namespace {

constexpr std::string_view kNotice = "\xCC\xE1\xCA\xBE";     // 提示
constexpr std::string_view kImportant = "\xD6\xD8\xD2\xAA";  // 重要

}  // namespace

RegisterWindow::RegisterWindow(service::CommandChannel* channel) : channel_(channel) {
  setObjectName(QStringLiteral("RegisterWindow"));
  platform::PlaceWindow(this, QStringLiteral("Pelmora"), 50, 50, 255, 284);

  // "\r\n账号：\r\n\r\n\r\n\r\n密码：\r\n\r\n\r\n\r\n密码：\r\n\r\n\r\n\r\nQQ号："
  标签1 = platform::MakeLabel(
      this, "标签1",
      "\r\n\xD5\xCB\xBA\xC5\xA3\xBA\r\n\r\n\r\n\r\n\xC3\xDC\xC2\xEB\xA3\xBA\r\n\r\n\r\n\r\n"
      "\xC3\xDC\xC2\xEB\xA3\xBA\r\n\r\n\r\n\r\nQQ\xBA\xC5\xA3\xBA",
      {8, 8, 240, 208}, true);
  编辑框1 = platform::MakeEditBox(this, "编辑框1", {41, 11, 176, 32});
  编辑框2 = platform::MakeEditBox(this, "编辑框2", {41, 59, 176, 32});
  编辑框3 = platform::MakeEditBox(this, "编辑框3", {41, 107, 176, 32});
  编辑框4 = platform::MakeEditBox(this, "编辑框4", {41, 155, 176, 32});
  按钮1 = platform::MakeButton(this, "按钮1", "\xD7\xA2\xB2\xE1", {48, 208, 144, 40});  // 注册
  connect(按钮1, &QPushButton::clicked, this, &RegisterWindow::SubmitRegistration);
}

void RegisterWindow::SubmitRegistration() {
  // A box is empty only when it has no characters at all: blanks count as filled.
  if (编辑框1->text().isEmpty()) {
    platform::ShowMessageBox(this, kNotice, "\xD5\xCB\xBA\xC5\xB2\xBB\xC4\xDC\xCE\xAA\xBF\xD5");
    return;  // 账号不能为空
  }
  if (编辑框2->text().isEmpty() || 编辑框3->text().isEmpty()) {
    platform::ShowMessageBox(this, kNotice, "\xC3\xDC\xC2\xEB\xB2\xBB\xC4\xDC\xCE\xAA\xBF\xD5");
    return;  // 密码不能为空
  }
  if (编辑框4->text().isEmpty()) {
    // qq很重要不能为空\r\n\r\n否则账号不能找回密码
    platform::ShowMessageBox(this, kImportant,
                             "qq\xBA\xDC\xD6\xD8\xD2\xAA\xB2\xBB\xC4\xDC\xCE\xAA\xBF\xD5\r\n\r\n"
                             "\xB7\xF1\xD4\xF2\xD5\xCB\xBA\xC5\xB2\xBB\xC4\xDC\xD5\xD2\xBB\xD8"
                             "\xC3\xDC\xC2\xEB");
    return;
  }
  const std::string password = platform::QStringToGbk(编辑框2->text());
  if (password != platform::QStringToGbk(编辑框3->text())) {
    // Two different passwords would create an account whose password nobody knows.
    platform::ShowMessageBox(this, kNotice,
                             "\xC1\xBD\xB4\xCE\xCA\xE4\xC8\xEB\xB5\xC4\xC3\xDC\xC2\xEB\xB2\xBB"
                             "\xD2\xBB\xD6\xC2");  // 两次输入的密码不一致
    return;
  }
  if (!channel_) return;
  channel_->Send(service::RegisterRequest(platform::QStringToGbk(编辑框1->text()),
                                          service::PasswordDigest(password),
                                          platform::QStringToGbk(编辑框4->text())));
}

}  // namespace pelmora::login
