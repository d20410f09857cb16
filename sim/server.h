#pragma once
// The stand-in service on TCP: a command listener and a notice listener, each connection
// answered by StandIn, through a reply pipeline that the fault options can disturb.

#include <QFile>
#include <QHostAddress>
#include <QObject>
#include <QTcpServer>
#include <QTcpSocket>
#include <random>

#include "standin.h"

namespace pelmora::sim {

struct Faults {
  bool split = false;     // every reply in two writes
  bool merge = false;     // a query answer is held and sent with the next one
  int delayMs = 0;        // every reply this late
  int refuseEvery = 0;    // every Nth query answered without success
  int silentEvery = 0;    // every Nth query not answered
  int closeAfter = 0;     // the command connection closed after N replies
  bool garbage = false;   // query answers replaced by random bytes
};

class Server : public QObject {
  Q_OBJECT
 public:
  Server(Faults faults, const QString& logPath);
  bool Listen(const QHostAddress& address, quint16 commandPort, quint16 noticePort);
  quint16 commandPort() const { return command_.serverPort(); }
  quint16 noticePort() const { return notice_.serverPort(); }

 private:
  void Accept(QTcpServer& server, bool command);
  void OnData(QTcpSocket* socket, bool command);
  void Reply(QTcpSocket* socket, std::string bytes, bool command);
  void Write(QTcpSocket* socket, const std::string& bytes);
  void Log(bool command, const QByteArray& bytes);

  StandIn standIn_;
  Faults faults_;
  QTcpServer command_;
  QTcpServer notice_;
  QFile log_;
  int queries_ = 0;
  std::string held_;
  std::mt19937 random_{20261210};
};

}  // namespace pelmora::sim
