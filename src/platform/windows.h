#pragma once
// Window services: placing a top-level window, bringing it to the front, modal message boxes,
// and the display form of a GBK text (CR LF shown as a line break).

#include <QLabel>
#include <QString>
#include <string_view>

class QLineEdit;
class QPushButton;
class QWidget;

namespace pelmora::platform {

// GBK text as a widget shows it: CR LF pairs become line breaks.
QString DisplayText(std::string_view gbk);
// A widget's text back as GBK bytes (line breaks go back to CR LF).
std::string TextFromDisplay(const QString& text);

// Sets caption, client size and position of a top-level window.
void PlaceWindow(QWidget* window, const QString& caption, int x, int y, int width, int height);
// Restores a minimised window, otherwise makes it the active window.
void BringToFront(QWidget* window);

// A label of fixed caption lines laid out 12 pixels apart, as the window layouts expect (the
// lines of a caption line up with the boxes beside it), whatever the font's own line spacing.
class CaptionLabel : public QLabel {
  Q_OBJECT
 public:
  using QLabel::QLabel;
  static constexpr int kLinePitch = 12;

 protected:
  void paintEvent(QPaintEvent* event) override;
};

// Controls of the window layouts: named (objectName = the control's name), placed at their
// rectangle, with their GBK text. Labels align left and top and wrap long lines; a caption
// label keeps its lines 12 pixels apart.
QLabel* MakeLabel(QWidget* parent, const char* name, std::string_view gbk, const QRect& place,
                  bool caption = false);
QPushButton* MakeButton(QWidget* parent, const char* name, std::string_view gbk, const QRect& place);
QLineEdit* MakeEditBox(QWidget* parent, const char* name, const QRect& place);

// Modal message box with one OK button and no icon; returns when the user closes it.
// A null owner gives a box without owner.
void ShowMessageBox(QWidget* owner, std::string_view titleGbk, std::string_view textGbk);

}  // namespace pelmora::platform
