#include "platform/tcp.h"

#include <QMetaObject>

namespace pelmora::platform {

TcpClient::TcpClient(QObject* parent) : QObject(parent), socket_(new QTcpSocket(this)) {
  connect(socket_, &QTcpSocket::readyRead, this, &TcpClient::ReadAll);
}

TcpClient::~TcpClient() {
  // Whatever was handed over last (the leave message) still goes out before the close.
  if (socket_->state() == QAbstractSocket::ConnectedState) {
    socket_->flush();
    socket_->disconnectFromHost();
  }
}

bool TcpClient::Connect(const QString& host, quint16 port) {
  socket_->abort();
  socket_->connectToHost(host, port);
  // Waits without running the event loop; the platform decides when an attempt has failed.
  return socket_->waitForConnected(-1);
}

bool TcpClient::Send(std::string_view bytes) {
  if (socket_->state() != QAbstractSocket::ConnectedState) return false;
  const qint64 n = socket_->write(bytes.data(), static_cast<qint64>(bytes.size()));
  socket_->flush();
  return n == static_cast<qint64>(bytes.size());
}

bool TcpClient::IsConnected() const { return socket_->state() == QAbstractSocket::ConnectedState; }

void TcpClient::ReadAll() {
  std::string bytes;
  while (socket_->bytesAvailable() > 0) {
    const QByteArray chunk = socket_->readAll();
    if (chunk.isEmpty()) break;
    bytes.append(chunk.constData(), static_cast<size_t>(chunk.size()));
  }
  if (bytes.empty()) return;
  // Hand over outside the readyRead emission: Qt does not re-emit readyRead while a slot of
  // it runs, and handlers may wait in nested event loops for further replies.
  QMetaObject::invokeMethod(
      this, [this, b = std::move(bytes)]() { emit DataArrived(b); }, Qt::QueuedConnection);
}

}  // namespace pelmora::platform
