#pragma once
// TCP client for one service channel.
// - Connect blocks without handling any other event until the connection is up or has failed.
// - Send hands the bytes over and returns at once; false when not connected.
// - DataArrived carries every byte that could be read at the moment of one read notification,
//   delivered through the event queue so that a handler may spin nested event loops and still
//   see further arrivals on the same connection.

#include <QObject>
#include <QPointer>
#include <QString>
#include <QTcpSocket>
#include <string>
#include <string_view>

namespace pelmora::platform {

class TcpClient : public QObject {
  Q_OBJECT
 public:
  explicit TcpClient(QObject* parent = nullptr);
  ~TcpClient() override;

  bool Connect(const QString& host, quint16 port);
  bool Send(std::string_view bytes);
  bool IsConnected() const;

 signals:
  void DataArrived(const std::string& bytes);

 private:
  void ReadAll();
  QTcpSocket* socket_;
};

}  // namespace pelmora::platform
