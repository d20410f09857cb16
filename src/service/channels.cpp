#include "service/channels.h"

#include "pelmora_config.h"

namespace pelmora::service {

ServiceEndpoint ServiceEndpoint::Default() {
  return ServiceEndpoint{QStringLiteral(PELMORA_SERVICE_HOST), 1251, 1252};
}

CommandChannel::CommandChannel(ReplyRouter& router, QObject* parent) : TcpClient(parent) {
  connect(this, &TcpClient::DataArrived, this,
          [&router](const std::string& bytes) { router.DispatchCommand(bytes); });
}

NoticeChannel::NoticeChannel(ReplyRouter& router, QObject* parent) : TcpClient(parent) {
  connect(this, &TcpClient::DataArrived, this,
          [&router](const std::string& bytes) { router.DispatchNotice(bytes); });
}

}  // namespace pelmora::service
