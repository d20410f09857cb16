#include "platform/wait.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>

namespace pelmora::platform {
namespace {
double g_scale = 1.0;
}

void WaitHandlingEvents(int milliseconds) {
  const qint64 limit = static_cast<qint64>(milliseconds * g_scale);
  QElapsedTimer clock;
  clock.start();
  // The wait ends at the first check after more than `limit` ms have passed.
  while (clock.elapsed() <= limit) {
    QEventLoop loop;
    QTimer::singleShot(static_cast<int>(limit - clock.elapsed()) + 1, &loop, &QEventLoop::quit);
    loop.exec();
  }
}

ScopedWaitScale::ScopedWaitScale(double factor) : previous_(g_scale) { g_scale = factor; }
ScopedWaitScale::~ScopedWaitScale() { g_scale = previous_; }

}  // namespace pelmora::platform
