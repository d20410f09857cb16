#pragma once
// Registration of a new account: four boxes, one button; checks that every box is filled,
// sends the registration request and leaves the answer to the reply routing.

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QWidget>

#include "service/channels.h"

namespace pelmora::login {

class RegisterWindow : public QWidget {
  Q_OBJECT
 public:
  explicit RegisterWindow(service::CommandChannel* channel);

  void SubmitRegistration();

  QLabel* 标签1;
  QLineEdit* 编辑框1;
  QLineEdit* 编辑框2;
  QLineEdit* 编辑框3;
  QLineEdit* 编辑框4;
  QPushButton* 按钮1;

 private:
  QPointer<service::CommandChannel> channel_;
};

}  // namespace pelmora::login
