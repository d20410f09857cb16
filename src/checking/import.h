#pragma once
// Import of a dropped number file into NumberList: every line that is not empty becomes one
// row, with the line's ordinal in the file (empty lines counted) in "序号" and the line,
// unchanged, in "手机号".

#include <string_view>

namespace pelmora::checking {

class NumberList;

// `pathGbk` is the dropped path text. An empty path, a directory or anything unreadable
// (including the CR LF joined paths of a drop of several files) adds no rows. The file is
// taken up to its first NUL byte and split at CR LF pairs found at character starts; its
// rows are appended after the existing ones under one insert notification. Nothing is
// reported.
void ImportNumberFile(NumberList& list, std::string_view pathGbk);

}  // namespace pelmora::checking
