#include "platform/md5.h"

#include <QByteArrayView>
#include <QCryptographicHash>

namespace pelmora::platform {

std::string Md5(std::string_view bytes) {
  const QByteArray d = QCryptographicHash::hash(
      QByteArrayView(bytes.data(), static_cast<qsizetype>(bytes.size())), QCryptographicHash::Md5);
  return std::string(d.constData(), static_cast<size_t>(d.size()));
}

}  // namespace pelmora::platform
