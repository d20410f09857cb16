#include "server.h"

#include <QPointer>
#include <QTimer>

namespace pelmora::sim {
namespace {
const std::string kRequestSucceeded = "\xC7\xEB\xC7\xF3\xB3\xC9\xB9\xA6";  // 请求成功
}

Server::Server(Faults faults, const QString& logPath) : faults_(faults), log_(logPath) {
  if (!logPath.isEmpty()) log_.open(QIODevice::WriteOnly | QIODevice::Append);
  connect(&command_, &QTcpServer::newConnection, this, [this] { Accept(command_, true); });
  connect(&notice_, &QTcpServer::newConnection, this, [this] { Accept(notice_, false); });
}

bool Server::Listen(const QHostAddress& address, quint16 commandPort, quint16 noticePort) {
  return command_.listen(address, commandPort) && notice_.listen(address, noticePort);
}

void Server::Accept(QTcpServer& server, bool command) {
  while (QTcpSocket* socket = server.nextPendingConnection()) {
    socket->setProperty("replies", 0);
    connect(socket, &QTcpSocket::readyRead, this, [this, socket, command] { OnData(socket, command); });
    connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
  }
}

void Server::Log(bool command, const QByteArray& bytes) {
  if (!log_.isOpen()) return;
  log_.write(command ? "command " : "notice ");
  log_.write(bytes.toHex());
  log_.write("\n");
  log_.flush();
}

void Server::OnData(QTcpSocket* socket, bool command) {
  const QByteArray data = socket->readAll();
  Log(command, data);
  const std::string request(data.constData(), static_cast<size_t>(data.size()));
  if (!command) {
    Reply(socket, standIn_.OnNotice(request), false);
    return;
  }
  std::string answer = standIn_.OnCommand(request);
  const bool query = answer.find(kRequestSucceeded) != std::string::npos ||
                     (request.rfind("user=", 0) == 0 && !answer.empty());
  if (query) {
    ++queries_;
    if (faults_.silentEvery > 0 && queries_ % faults_.silentEvery == 0) return;
    if (faults_.refuseEvery > 0 && queries_ % faults_.refuseEvery == 0)
      answer = "{\"code\":3,\"msg\":\"busy\"}";
    if (faults_.garbage) {
      std::uniform_int_distribution<int> len(1, 300), byte(0, 255);
      answer.resize(static_cast<size_t>(len(random_)));
      for (char& c : answer) c = static_cast<char>(byte(random_));
    }
    if (faults_.merge) {
      if (held_.empty()) {
        held_ = answer;
        return;
      }
      answer = held_ + answer;
      held_.clear();
    }
  }
  Reply(socket, answer, true);
}

void Server::Reply(QTcpSocket* socket, std::string bytes, bool command) {
  if (bytes.empty()) return;
  QPointer<QTcpSocket> guarded(socket);
  auto send = [this, guarded, bytes, command] {
    if (!guarded) return;
    Write(guarded, bytes);
    if (command && faults_.closeAfter > 0) {
      const int n = guarded->property("replies").toInt() + 1;
      guarded->setProperty("replies", n);
      if (n >= faults_.closeAfter) guarded->disconnectFromHost();
    }
  };
  if (faults_.delayMs > 0)
    QTimer::singleShot(faults_.delayMs, this, send);
  else
    send();
}

void Server::Write(QTcpSocket* socket, const std::string& bytes) {
  if (!faults_.split || bytes.size() < 2) {
    socket->write(bytes.data(), static_cast<qint64>(bytes.size()));
    socket->flush();
    return;
  }
  const size_t half = bytes.size() / 2;
  socket->write(bytes.data(), static_cast<qint64>(half));
  socket->flush();
  QPointer<QTcpSocket> guarded(socket);
  const std::string rest = bytes.substr(half);
  QTimer::singleShot(50, this, [guarded, rest] {
    if (!guarded) return;
    guarded->write(rest.data(), static_cast<qint64>(rest.size()));
    guarded->flush();
  });
}

}  // namespace pelmora::sim
