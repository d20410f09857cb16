#include "checking/import.h"

#include "checking/numberlist.h"
#include "platform/codepage.h"
#include "platform/files.h"
#include "text/gbk.h"

#include <cstdint>

namespace pelmora::checking {

void ImportNumberFile(NumberList& list, std::string_view pathGbk) {
  std::string bytes = platform::ReadWholeFile(platform::GbkToQString(pathGbk));
  const std::size_t length = text::CutAtNul(bytes).size();
  if (length == 0) return;
  // The bytes from the first NUL on are dropped; a short text before a long tail is not
  // worth keeping the whole file for.
  bytes.resize(length);
  if (length < bytes.capacity() / 2) bytes.shrink_to_fit();
  // The list keeps the file's bytes and refers to each number inside them. A typical line is
  // an 11-digit number and CR LF; other files make the row table grow as it goes.
  RowBatch batch(std::move(bytes), length / 13 + 1);
  const std::string_view text = std::string_view(batch.text()).substr(0, length);
  std::uint64_t ordinal = 0;
  text::ForEachCrLfLine(text, [&](std::string_view line) {
    ++ordinal;
    if (!line.empty()) batch.Add(ordinal, line);
    return true;
  });
  list.AppendRows(std::move(batch));
}

}  // namespace pelmora::checking
