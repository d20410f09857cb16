#include "service/passworddigest.h"

#include "platform/md5.h"

namespace pelmora::service {

std::string PasswordDigest(std::string_view password) {
  const std::string digest = platform::Md5(password);
  if (digest.size() != 16) return {};
  static constexpr char kDigits[] = "0123456789abcdef";
  std::string hex;
  hex.reserve(32);
  for (unsigned char b : digest) {
    hex.push_back(kDigits[b >> 4]);
    hex.push_back(kDigits[b & 0x0F]);
  }
  return hex;
}

}  // namespace pelmora::service
