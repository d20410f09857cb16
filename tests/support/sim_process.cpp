#include "support/sim_process.h"

#include <QRegularExpression>

namespace pelmora::testing {

bool SimProcess::Start(const QString& binary, const QStringList& extraArgs) {
  process_.start(binary, QStringList{"--command-port", "0", "--notice-port", "0"} + extraArgs);
  if (!process_.waitForStarted(5000)) return false;
  QByteArray out;
  while (!out.contains('\n')) {
    if (!process_.waitForReadyRead(5000)) return false;
    out += process_.readAllStandardOutput();
  }
  const auto m = QRegularExpression("command (\\d+) notice (\\d+)").match(QString::fromUtf8(out));
  if (!m.hasMatch()) return false;
  commandPort_ = quint16(m.captured(1).toUInt());
  noticePort_ = quint16(m.captured(2).toUInt());
  return true;
}

SimProcess::~SimProcess() {
  process_.terminate();
  if (!process_.waitForFinished(3000)) process_.kill();
  process_.waitForFinished(1000);
}

}  // namespace pelmora::testing
