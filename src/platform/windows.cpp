#include "platform/windows.h"

#include <QMessageBox>
#include <QWidget>

#include "platform/codepage.h"

namespace pelmora::platform {

QString DisplayText(std::string_view gbk) {
  QString s = GbkToQString(gbk);
  s.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  return s;
}

std::string TextFromDisplay(const QString& text) {
  QString s = text;
  s.replace(QStringLiteral("\n"), QStringLiteral("\r\n"));
  return QStringToGbk(s);
}

void PlaceWindow(QWidget* window, const QString& caption, int x, int y, int width, int height) {
  window->setWindowTitle(caption);
  window->setFixedSize(width, height);
  window->move(x, y);
}

void BringToFront(QWidget* window) {
  if (window->isMinimized()) {
    window->showNormal();
  } else {
    window->show();
    window->raise();
    window->activateWindow();
  }
}

void ShowMessageBox(QWidget* owner, std::string_view titleGbk, std::string_view textGbk) {
  QMessageBox box(QMessageBox::NoIcon, DisplayText(titleGbk), DisplayText(textGbk),
                  QMessageBox::Ok, owner);
  box.setObjectName(QStringLiteral("消息框"));
  box.exec();
}

}  // namespace pelmora::platform
