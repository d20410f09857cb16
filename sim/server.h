#pragma once
// The stand-in service on TCP: a command listener and a notice listener. Every arrival is
// logged, answered by the shared StandIn (accounts and points are common to all connections)
// and the answer goes out through a per-connection reply pipeline that the fault options
// disturb:
//
//   query answers:  silent-every -> refuse-every -> garbage -> merge
//   every reply:    delay -> split -> write -> close-after (command channel)
//
// Without faults every reply is one write, so it reaches the client as one data arrival.

#include <QElapsedTimer>
#include <QFile>
#include <QHostAddress>
#include <QObject>
#include <QTcpServer>
#include <random>
#include <string>

#include "standin.h"

class QTcpSocket;

namespace pelmora::sim {

struct Faults {
  bool split = false;    // every reply in two writes, kSplitPauseMs apart
  bool merge = false;    // a query answer is held and sent with the next one in one write
  int delayMs = 0;       // every reply this late
  int refuseEvery = 0;   // every Nth query of a connection answered without 请求成功
  int silentEvery = 0;   // every Nth query of a connection left unanswered
  int closeAfter = 0;    // the command connection closed after its Nth reply
  bool garbage = false;  // query answers replaced by random bytes (fixed seed per connection)
};

inline constexpr int kSplitPauseMs = 50;
// The remaining points go out this long after "查询", so that the query the client sent just
// before it on the other connection has been counted.
inline constexpr int kPointsHoldMs = 100;
inline constexpr unsigned kGarbageSeed = 20261210;

// The n-th (1-based) garbage answer of a connection: random bytes that always hold a lead byte
// followed by an invalid second byte (81 7F), a NUL, and end in a lone lead byte; odd ones
// carry "请求成功" before the NUL, so they reach the client's JSON reading.
std::string GarbageAnswer(std::mt19937& random, int n);

class Connection;

class Server : public QObject {
 public:
  explicit Server(Faults faults);
  // Appends every received arrival to `path`: "command <hex>\n" or "notice <hex>\n".
  bool OpenLog(const QString& path);
  bool Listen(const QHostAddress& address, quint16 commandPort, quint16 noticePort);
  QString errorString() const { return error_; }
  quint16 commandPort() const { return command_.serverPort(); }
  quint16 noticePort() const { return notice_.serverPort(); }

 private:
  void Accept(QTcpServer& server, bool command);
  void OnData(Connection* c);
  std::string Disturb(Connection* c, std::string answer);
  void Send(Connection* c, const std::string& bytes);
  void Drain(Connection* c);
  void Log(bool command, const QByteArray& bytes);

  StandIn standIn_;
  Faults faults_;
  QTcpServer command_;
  QTcpServer notice_;
  QFile log_;
  QString error_;
  QElapsedTimer clock_;
};

}  // namespace pelmora::sim
