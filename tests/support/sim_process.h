#pragma once
// pelmora-sim started as a separate process on free loopback ports.

#include <QProcess>
#include <QStringList>

namespace pelmora::testing {

class SimProcess {
 public:
  // Starts the stand-in with `extraArgs` (fault options, --log …); false when it did not come up.
  bool Start(const QString& binary, const QStringList& extraArgs = {});
  ~SimProcess();
  quint16 commandPort() const { return commandPort_; }
  quint16 noticePort() const { return noticePort_; }

 private:
  QProcess process_;
  quint16 commandPort_ = 0;
  quint16 noticePort_ = 0;
};

}  // namespace pelmora::testing
