#pragma once
// Window services: placing a top-level window, bringing it to the front, modal message boxes,
// and the display form of a GBK text (CR LF shown as a line break).

#include <QString>
#include <string_view>

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

// Modal message box with one OK button and no icon; returns when the user closes it.
// A null owner gives a box without owner.
void ShowMessageBox(QWidget* owner, std::string_view titleGbk, std::string_view textGbk);

}  // namespace pelmora::platform
