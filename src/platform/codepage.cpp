#include "platform/codepage.h"

#include <cerrno>
#include <iconv.h>

namespace pelmora::platform {
namespace {

// One converter per direction and thread: iconv descriptors carry state and are not shareable.
class Converter {
 public:
  Converter(const char* to, const char* from) : cd_(iconv_open(to, from)) {}
  ~Converter() {
    if (cd_ != reinterpret_cast<iconv_t>(-1)) iconv_close(cd_);
  }
  Converter(const Converter&) = delete;
  Converter& operator=(const Converter&) = delete;

  // Converts everything; on a sequence the converter rejects, appends `replacement` and skips
  // `skip(bytes_left_pointer)` input bytes.
  template <typename Skip>
  std::string Run(std::string_view in, std::string_view replacement, Skip skip) {
    std::string out;
    if (in.empty() || cd_ == reinterpret_cast<iconv_t>(-1)) return out;
    iconv(cd_, nullptr, nullptr, nullptr, nullptr);
    out.resize(in.size() * 2 + 16);
    char* src = const_cast<char*>(in.data());
    size_t src_left = in.size();
    size_t used = 0;
    while (src_left > 0) {
      char* dst = out.data() + used;
      size_t dst_left = out.size() - used;
      size_t r = iconv(cd_, &src, &src_left, &dst, &dst_left);
      used = out.size() - dst_left;
      if (r != static_cast<size_t>(-1)) break;
      if (errno == E2BIG) {
        out.resize(out.size() * 2);
        continue;
      }
      // EILSEQ or EINVAL: substitute and go on after the offending bytes.
      if (out.size() - used < replacement.size()) out.resize(out.size() * 2 + replacement.size());
      out.replace(used, replacement.size(), replacement);
      used += replacement.size();
      size_t n = skip(reinterpret_cast<const unsigned char*>(src), src_left);
      src += n;
      src_left -= n;
      iconv(cd_, nullptr, nullptr, nullptr, nullptr);
    }
    out.resize(used);
    return out;
  }

 private:
  iconv_t cd_;
};

// Length of the UTF-8 sequence starting at p (1 for a stray byte), bounded by `left`.
size_t Utf8SequenceLength(const unsigned char* p, size_t left) {
  size_t n = 1;
  if (p[0] >= 0xF0) n = 4;
  else if (p[0] >= 0xE0) n = 3;
  else if (p[0] >= 0xC0) n = 2;
  if (n > left) return 1;
  for (size_t i = 1; i < n; ++i)
    if ((p[i] & 0xC0) != 0x80) return 1;
  return n;
}

}  // namespace

std::string GbkToUtf8Bytes(std::string_view gbk) {
  thread_local Converter conv("UTF-8", "CP936");
  // A lead byte whose partner is rejected is dropped alone, so the partner gets its own chance.
  return conv.Run(gbk, "\xEF\xBF\xBD", [](const unsigned char*, size_t) { return size_t{1}; });
}

std::string Utf8ToGbkBytes(std::string_view utf8) {
  thread_local Converter conv("CP936", "UTF-8");
  return conv.Run(utf8, "?", Utf8SequenceLength);
}

QString GbkToQString(std::string_view gbk) {
  const std::string utf8 = GbkToUtf8Bytes(gbk);
  return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
}

std::string QStringToGbk(const QString& text) {
  const QByteArray utf8 = text.toUtf8();
  return Utf8ToGbkBytes(std::string_view(utf8.constData(), static_cast<size_t>(utf8.size())));
}

}  // namespace pelmora::platform
