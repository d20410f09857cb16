#pragma once
// The directory that holds the program's executable file: the profile and the result files
// live there.

#include <QString>

namespace pelmora::platform {

QString ProgramDirectory();
// A path in the program directory (or any directory) for a GBK file name.
QString PathIn(const QString& directory, const QString& fileName);

}  // namespace pelmora::platform
