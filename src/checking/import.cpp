#include "checking/import.h"

#include "checking/numberlist.h"
#include "platform/codepage.h"
#include "platform/files.h"
#include "text/gbk.h"

#include <charconv>
#include <cstdint>

namespace pelmora::checking {

void ImportNumberFile(NumberList& list, std::string_view pathGbk) {
  const std::string bytes = platform::ReadWholeFile(platform::GbkToQString(pathGbk));
  const std::string_view text = text::CutAtNul(bytes);
  if (text.empty()) return;

  RowBatch batch;
  // A typical line is an 11-digit number and CR LF; the ordinal adds a few bytes per row.
  const std::size_t guessedRows = text.size() / 13 + 1;
  batch.Reserve(guessedRows, text.size() + guessedRows * 8);
  std::uint64_t ordinal = 0;
  char digits[24];
  text::ForEachCrLfLine(text, [&](std::string_view line) {
    ++ordinal;
    if (!line.empty()) {
      const auto end = std::to_chars(digits, digits + sizeof digits, ordinal).ptr;
      batch.Add(std::string_view(digits, static_cast<std::size_t>(end - digits)), line);
    }
    return true;
  });
  list.AppendRows(std::move(batch));
}

}  // namespace pelmora::checking
