#pragma once
// The script every JSON document's engine loads first: get__count, get__name_All, get__extend,
// a JSON stringifier and parser for engines that lack them, and toJSONString / parseJSON on
// Object.prototype. One ASCII text without line breaks.

#include <string_view>

namespace pelmora::text {

std::string_view ScriptLibrary();

}  // namespace pelmora::text
