#pragma once

#include <string>
#include <string_view>

namespace pelmora::service {

// MD5 of the password's bytes as 32 lower-case hexadecimal digits; empty when the digest
// service fails.
std::string PasswordDigest(std::string_view password);

}  // namespace pelmora::service
