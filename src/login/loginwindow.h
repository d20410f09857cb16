#pragma once
// The start-up window: connects both service channels, shows the announcement, remembers the
// last account and password, logs in and hands over to the work window. It owns the channels
// for the whole run and stays in existence, hidden, while the work window is open.

#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QWidget>
#include <string>

#include "checking/querywindow.h"
#include "login/configfile.h"
#include "login/registerwindow.h"
#include "service/channels.h"
#include "service/replyrouter.h"

namespace pelmora::login {

class LoginWindow : public QWidget {
  Q_OBJECT
 public:
  // `endpoint` and `programDirectory` are fixed by the program; tests pass their own.
  LoginWindow(const service::ServiceEndpoint& endpoint, const QString& programDirectory);
  ~LoginWindow() override;

  // Handlers.
  void SubmitLogin();
  void EnterWorkWindow(const std::string& reply);
  void LoginRefused(const std::string& reply);
  void OpenRegisterWindow();

  // The texts of the account and password boxes, as GBK.
  std::string Account() const;
  std::string Password() const;

  service::ReplyRouter& router() { return router_; }
  checking::QueryWindow* queryWindow() const { return queryWindow_; }
  RegisterWindow* registerWindow() const { return registerWindow_; }

  QLabel* 标签1;
  QLineEdit* 编辑框1;
  QLineEdit* 编辑框2;
  QPushButton* 按钮1;
  QPushButton* 按钮2;
  QLabel* 标签2;
  QLabel* 标签3;
  service::CommandChannel* 客户1;
  service::NoticeChannel* 客户2;

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  void OpenSession(const service::ServiceEndpoint& endpoint);
  void OpenWorkWindow();

  service::ReplyRouter router_;
  ConfigFile config_;
  QString programDirectory_;
  QPointer<checking::QueryWindow> queryWindow_;
  QPointer<RegisterWindow> registerWindow_;
  bool closing_ = false;
};

}  // namespace pelmora::login
