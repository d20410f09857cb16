#pragma once
// MD5 digest (RFC 1321) of a byte sequence: 16 raw bytes.

#include <string>
#include <string_view>

namespace pelmora::platform {

std::string Md5(std::string_view bytes);

}  // namespace pelmora::platform
