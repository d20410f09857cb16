#include "checking/statuscode.h"

namespace pelmora::checking {

std::string StatusWord(std::string_view value) {
  if (value.size() == 1 && value[0] >= '0' && value[0] <= '5')
    return std::string(kStatusWords[static_cast<std::size_t>(value[0] - '0')]);
  return std::string(value);
}

}  // namespace pelmora::checking
