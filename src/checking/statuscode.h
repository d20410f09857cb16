#pragma once
// The status values "0" to "5" of a query answer and their words, in the order of the result
// files: 空号, 实号, 停机, 库无, 沉默号, 风险号 (GBK bytes).

#include <array>
#include <string>
#include <string_view>

namespace pelmora::checking {

inline constexpr std::array<std::string_view, 6> kStatusWords = {
    "\xBF\xD5\xBA\xC5",          // 空号
    "\xCA\xB5\xBA\xC5",          // 实号
    "\xCD\xA3\xBB\xFA",          // 停机
    "\xBF\xE2\xCE\xDE",          // 库无
    "\xB3\xC1\xC4\xAC\xBA\xC5",  // 沉默号
    "\xB7\xE7\xCF\xD5\xBA\xC5",  // 风险号
};

// The word of a status value "0" to "5" (exact, whole-text comparison); any other value,
// "JSON解析失败" or empty text included, comes back unchanged.
std::string StatusWord(std::string_view value);

}  // namespace pelmora::checking
