// Helper for the desktop tests, run as a separate X client:
//   pelmora-xtool drag X Y FILE...   shows a small window at X,Y; pressing the pointer on it
//                                    starts a real X drag-and-drop of the files, then it exits
//   pelmora-xtool close WINDOW       asks a top-level window to close, as a window manager's
//                                    close button does (WM_DELETE_WINDOW)
//   pelmora-xtool shot FILE [X Y W H] saves a PNG of the screen (or of the rectangle)

#include <QApplication>
#include <QDrag>
#include <QMimeData>
#include <QMouseEvent>
#include <QPixmap>
#include <QScreen>
#include <QTimer>
#include <QUrl>
#include <QWidget>

#include <X11/Xlib.h>
#include <cstdlib>
#include <cstring>

namespace {

class DragSource : public QWidget {
 public:
  explicit DragSource(QList<QUrl> urls) : urls_(std::move(urls)) {
    setWindowTitle(QStringLiteral("dragsource"));
    setFixedSize(120, 120);
  }

 protected:
  void mousePressEvent(QMouseEvent*) override {
    auto* drag = new QDrag(this);
    auto* data = new QMimeData;
    data->setUrls(urls_);
    drag->setMimeData(data);
    drag->exec(Qt::CopyAction);
    // The target fetches the dropped data after the drop: keep answering for a while.
    QTimer::singleShot(3000, qApp, &QApplication::quit);
  }

 private:
  QList<QUrl> urls_;
};

int CloseWindow(unsigned long window) {
  Display* d = XOpenDisplay(nullptr);
  if (!d) return 1;
  XEvent e;
  std::memset(&e, 0, sizeof e);
  e.xclient.type = ClientMessage;
  e.xclient.window = window;
  e.xclient.message_type = XInternAtom(d, "WM_PROTOCOLS", False);
  e.xclient.format = 32;
  e.xclient.data.l[0] = static_cast<long>(XInternAtom(d, "WM_DELETE_WINDOW", False));
  e.xclient.data.l[1] = CurrentTime;
  XSendEvent(d, window, False, NoEventMask, &e);
  XFlush(d);
  XCloseDisplay(d);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 3 && std::strcmp(argv[1], "close") == 0) return CloseWindow(std::strtoul(argv[2], nullptr, 0));
  if (argc >= 3 && std::strcmp(argv[1], "shot") == 0) {
    QApplication app(argc, argv);
    int x = 0, y = 0, w = -1, h = -1;
    if (argc == 7) {
      x = std::atoi(argv[3]);
      y = std::atoi(argv[4]);
      w = std::atoi(argv[5]);
      h = std::atoi(argv[6]);
    }
    return QGuiApplication::primaryScreen()->grabWindow(0, x, y, w, h).save(QString::fromLocal8Bit(argv[2])) ? 0 : 1;
  }
  if (argc < 5 || std::strcmp(argv[1], "drag") != 0) return 2;
  QApplication app(argc, argv);
  QList<QUrl> urls;
  for (int i = 4; i < argc; ++i) urls.append(QUrl::fromLocalFile(QString::fromLocal8Bit(argv[i])));
  DragSource w(urls);
  w.move(std::atoi(argv[2]), std::atoi(argv[3]));
  w.show();
  return app.exec();
}
