#include "platform/windows.h"

#include <QAbstractButton>
#include <QFont>
#include <QIcon>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QPainter>
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
  // The layouts are made for a 12-pixel font (lines of labels line up with their boxes).
  // A CJK face for every text (its digits are narrow enough for the number column).
  QFont font(QStringLiteral("Noto Sans CJK SC"));
  font.setPixelSize(12);
  window->setFont(font);
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

void CaptionLabel::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.setFont(font());
  painter.setPen(palette().color(foregroundRole()));
  const QFontMetrics metrics(font());
  // Each line's glyphs are centred on its 12-pixel band.
  const int baseline = (kLinePitch - metrics.height()) / 2 + metrics.ascent();
  const QStringList lines = text().split(QLatin1Char('\n'));
  for (int i = 0; i < lines.size(); ++i)
    painter.drawText(0, i * kLinePitch + baseline, lines[i]);
}

QLabel* MakeLabel(QWidget* parent, const char* name, std::string_view gbk, const QRect& place,
                  bool caption) {
  QLabel* label = caption ? new CaptionLabel(parent) : new QLabel(parent);
  label->setObjectName(QString::fromUtf8(name));
  label->setGeometry(place);
  label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  label->setWordWrap(!caption);
  label->setText(DisplayText(gbk));
  return label;
}

QPushButton* MakeButton(QWidget* parent, const char* name, std::string_view gbk, const QRect& place) {
  auto* button = new QPushButton(DisplayText(gbk), parent);
  button->setObjectName(QString::fromUtf8(name));
  button->setGeometry(place);
  return button;
}

QLineEdit* MakeEditBox(QWidget* parent, const char* name, const QRect& place) {
  auto* box = new QLineEdit(parent);
  box->setObjectName(QString::fromUtf8(name));
  box->setGeometry(place);
  return box;
}

void ShowMessageBox(QWidget* owner, std::string_view titleGbk, std::string_view textGbk) {
  QMessageBox box(QMessageBox::NoIcon, DisplayText(titleGbk), DisplayText(textGbk),
                  QMessageBox::Ok, owner);
  box.setObjectName(QStringLiteral("消息框"));
  if (QAbstractButton* ok = box.button(QMessageBox::Ok)) ok->setIcon(QIcon());
  box.exec();
}

}  // namespace pelmora::platform
