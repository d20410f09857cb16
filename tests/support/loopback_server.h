#pragma once
// A stand-in service inside the test process: listens on loopback ports for the command and
// notice channels, records every byte received on each, and answers through a script of
// canned replies or a callback. Runs on the test's own event loop.

#include <QTcpServer>
#include <QTcpSocket>
#include <QPointer>
#include <functional>
#include <string>
#include <vector>

namespace pelmora::testing {

class LoopbackEndpoint : public QObject {
  Q_OBJECT
 public:
  LoopbackEndpoint();
  quint16 port() const { return server_.serverPort(); }
  // Every byte received from the client so far, in order.
  const std::string& received() const { return received_; }
  // Each separate read notification's bytes (what arrived together).
  const std::vector<std::string>& chunks() const { return chunks_; }
  int connections() const { return connections_; }
  bool clientConnected() const { return client_ && client_->state() == QAbstractSocket::ConnectedState; }
  // Called with each chunk the client sends; whatever it returns (if not empty) is written back.
  std::function<std::string(const std::string&)> onData;
  // Sends raw bytes to the connected client now.
  void Send(const std::string& bytes);
  // Spins the event loop until `received()` has at least n bytes or the time runs out.
  bool WaitForBytes(size_t n, int timeoutMs = 5000);
  void CloseClient();
  void StopListening() { server_.close(); }

 private:
  QTcpServer server_;
  QPointer<QTcpSocket> client_;
  std::string received_;
  std::vector<std::string> chunks_;
  int connections_ = 0;
};

// Both channels of the service on free loopback ports.
struct LoopbackService {
  LoopbackEndpoint command;
  LoopbackEndpoint notice;
};

// Spins the event loop until pred() holds or the time runs out; returns pred().
bool SpinUntil(const std::function<bool()>& pred, int timeoutMs = 5000);
// Spins the event loop for about `ms` milliseconds.
void Spin(int ms);

// A fresh temporary directory removed at destruction.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  const QString& path() const { return path_; }
  QString file(const QString& name) const { return path_ + "/" + name; }

 private:
  QString path_;
};

// Reads a file's bytes ("" when missing).
std::string FileBytes(const QString& path);
// Writes bytes to a file (creating or truncating it).
void WriteBytes(const QString& path, const std::string& bytes);

}  // namespace pelmora::testing
