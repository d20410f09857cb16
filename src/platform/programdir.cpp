#include "platform/programdir.h"

#include <QCoreApplication>

namespace pelmora::platform {

QString ProgramDirectory() { return QCoreApplication::applicationDirPath(); }

QString PathIn(const QString& directory, const QString& fileName) {
  return directory + QLatin1Char('/') + fileName;
}

}  // namespace pelmora::platform
