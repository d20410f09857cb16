#include "support/loopback_server.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QThread>

namespace pelmora::testing {

LoopbackEndpoint::LoopbackEndpoint() {
  server_.listen(QHostAddress::LocalHost, 0);
  connect(&server_, &QTcpServer::newConnection, this, [this] {
    while (QTcpSocket* s = server_.nextPendingConnection()) {
      ++connections_;
      client_ = s;
      connect(s, &QTcpSocket::readyRead, this, [this, s] {
        const QByteArray data = s->readAll();
        std::string chunk(data.constData(), static_cast<size_t>(data.size()));
        received_ += chunk;
        chunks_.push_back(chunk);
        if (onData) {
          const std::string reply = onData(chunk);
          if (!reply.empty()) {
            s->write(reply.data(), static_cast<qint64>(reply.size()));
            s->flush();
          }
        }
      });
    }
  });
}

void LoopbackEndpoint::Send(const std::string& bytes) {
  if (!client_) return;
  client_->write(bytes.data(), static_cast<qint64>(bytes.size()));
  client_->flush();
}

bool LoopbackEndpoint::WaitForBytes(size_t n, int timeoutMs) {
  return SpinUntil([&] { return received_.size() >= n; }, timeoutMs);
}

void LoopbackEndpoint::CloseClient() {
  if (client_) client_->disconnectFromHost();
}

bool SpinUntil(const std::function<bool()>& pred, int timeoutMs) {
  QElapsedTimer t;
  t.start();
  while (!pred()) {
    if (t.elapsed() > timeoutMs) return pred();
    QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    QThread::msleep(1);
  }
  return true;
}

void Spin(int ms) {
  QElapsedTimer t;
  t.start();
  while (t.elapsed() < ms) {
    QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    QThread::msleep(1);
  }
}

TempDir::TempDir() {
  QTemporaryDir d(QDir::tempPath() + "/pelmora-test-XXXXXX");
  d.setAutoRemove(false);
  path_ = d.path();
}

TempDir::~TempDir() { QDir(path_).removeRecursively(); }

std::string FileBytes(const QString& path) {
  QFile f(path);
  if (!f.open(QIODevice::ReadOnly)) return {};
  const QByteArray b = f.readAll();
  return std::string(b.constData(), static_cast<size_t>(b.size()));
}

void WriteBytes(const QString& path, const std::string& bytes) {
  QFile f(path);
  if (f.open(QIODevice::WriteOnly | QIODevice::Truncate))
    f.write(bytes.data(), static_cast<qint64>(bytes.size()));
}

}  // namespace pelmora::testing
