#pragma once
// The two connections to the service host. `CommandChannel` (port 1251) carries requests and
// their replies; `NoticeChannel` (port 1252) carries the announcement and remaining points.
// Every data arrival is one reply, routed through the shared ReplyRouter.

#include <QString>

#include "platform/tcp.h"
#include "service/replyrouter.h"

namespace pelmora::service {

// Where the service lives. The program always uses Default(); tests pass loopback ports.
struct ServiceEndpoint {
  QString host;
  quint16 commandPort = 1251;
  quint16 noticePort = 1252;
  static ServiceEndpoint Default();
};

class CommandChannel : public platform::TcpClient {
  Q_OBJECT
 public:
  CommandChannel(ReplyRouter& router, QObject* parent);
};

class NoticeChannel : public platform::TcpClient {
  Q_OBJECT
 public:
  NoticeChannel(ReplyRouter& router, QObject* parent);
};

}  // namespace pelmora::service
