#include "platform/files.h"

#include <QByteArray>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace pelmora::platform {

std::string ReadWholeFile(const QString& path) {
  if (path.isEmpty()) return {};
  const QByteArray name = QFile::encodeName(path);
  const int fd = ::open(name.constData(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return {};
  std::string bytes;
  struct stat st {};
  if (::fstat(fd, &st) != 0 || S_ISDIR(st.st_mode)) {
    ::close(fd);
    return {};
  }
  if (S_ISREG(st.st_mode) && st.st_size > 0) bytes.reserve(static_cast<size_t>(st.st_size));
  char buffer[1 << 16];
  for (;;) {
    const ssize_t n = ::read(fd, buffer, sizeof buffer);
    if (n > 0) {
      bytes.append(buffer, static_cast<size_t>(n));
    } else if (n < 0 && errno == EINTR) {
      continue;
    } else {
      if (n < 0) bytes.clear();  // an unreadable file yields no bytes
      break;
    }
  }
  ::close(fd);
  return bytes;
}

bool WriteFileAtomically(const QString& path, std::string_view bytes, bool ownerOnly) {
  const QByteArray target = QFile::encodeName(path);
  QByteArray temp = target + ".XXXXXX";
  const int fd = ::mkstemp(temp.data());
  if (fd < 0) return false;
  bool ok = true;
  // mkstemp creates 0600; widen to the usual mode unless the file must stay private.
  if (!ownerOnly) {
    const mode_t mask = ::umask(0);
    ::umask(mask);
    ok = ::fchmod(fd, 0666 & ~mask) == 0;
  }
  const char* p = bytes.data();
  size_t left = bytes.size();
  while (ok && left > 0) {
    const ssize_t n = ::write(fd, p, left);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      ok = false;
      break;
    }
    p += n;
    left -= static_cast<size_t>(n);
  }
  if (::close(fd) != 0) ok = false;
  if (ok && ::rename(temp.constData(), target.constData()) != 0) ok = false;
  if (!ok) ::unlink(temp.constData());
  return ok;
}

}  // namespace pelmora::platform
