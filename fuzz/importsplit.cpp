// Number file import: the input is the dropped file. It is written to a temporary folder
// (created once per process) and imported twice into a fresh NumberList, as two drops of the
// same file.
//
// Invariants, against a simple count written here:
// - each import adds one row per non-empty line of the text before the first NUL, lines being
//   split at CR LF pairs that start a character;
// - a row's "序号" is its line's ordinal (empty lines counted), its "手机号" the line itself,
//   which never holds a CR LF at a character start; "运营商" and "状态" start empty;
// - the second import appends the same rows again, ordinals starting from 1;
// - what the list shows of a cell is a prefix of its text that ends at a character start.

#include <QDir>
#include <QFile>
#include <QModelIndex>
#include <QTemporaryDir>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "checking/import.h"
#include "checking/numberlist.h"
#include "fuzz_support.h"
#include "platform/codepage.h"

using pelmora::fuzz::AsView;
using pelmora::fuzz::BeforeNul;
using pelmora::fuzz::Occurrences;
namespace checking = pelmora::checking;

namespace {

struct Line {
  std::size_t ordinal;
  std::string_view text;
};

// The non-empty lines with their ordinals: walk characters (a byte from 0x80 up takes the next
// one with it), end a line at each CR LF met at a character start.
std::vector<Line> NonEmptyLines(std::string_view text) {
  std::vector<Line> lines;
  std::size_t ordinal = 0;
  std::size_t start = 0;
  std::size_t i = 0;
  while (i < text.size()) {
    if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') {
      ++ordinal;
      if (i > start) lines.push_back({ordinal, text.substr(start, i - start)});
      i += 2;
      start = i;
    } else {
      i += static_cast<unsigned char>(text[i]) >= 0x80 ? 2 : 1;
    }
  }
  if (start < text.size()) lines.push_back({ordinal + 1, text.substr(start)});
  return lines;
}

const QString& NumberFilePath() {
  static QTemporaryDir dir;
  static const QString path = QDir(dir.path()).filePath("numbers.txt");
  return path;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  pelmora::fuzz::EnsureQtApplication();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view file = AsView(data, size);
  const QString& path = NumberFilePath();
  {
    QFile out(path);
    FUZZ_CHECK(out.open(QIODevice::WriteOnly | QIODevice::Truncate));
    FUZZ_CHECK(out.write(file.data(), static_cast<qint64>(size)) == static_cast<qint64>(size));
  }
  const std::string pathGbk = pelmora::platform::QStringToGbk(path);

  const std::vector<Line> lines = NonEmptyLines(BeforeNul(file));

  checking::NumberList list;
  checking::ImportNumberFile(list, pathGbk);
  FUZZ_CHECK(list.RowCount() == static_cast<int>(lines.size()));
  FUZZ_CHECK(list.rowCount() == list.RowCount());
  checking::ImportNumberFile(list, pathGbk);
  FUZZ_CHECK(list.RowCount() == static_cast<int>(2 * lines.size()));

  for (int row = 0; row < list.RowCount(); ++row) {
    const Line& line = lines[static_cast<std::size_t>(row) % lines.size()];
    const std::string number = list.GetCell(row, checking::kNumberColumn);
    FUZZ_CHECK(!number.empty());
    FUZZ_CHECK(Occurrences(number, "\r\n").empty());
    FUZZ_CHECK(number == line.text);
    FUZZ_CHECK(list.GetCell(row, checking::kOrdinalColumn) == std::to_string(line.ordinal));
    FUZZ_CHECK(list.GetCell(row, checking::kCarrierColumn).empty());
    FUZZ_CHECK(list.GetCell(row, checking::kStatusColumn).empty());

    // What a view shows: a character-aligned prefix of the cell.
    if (row < 8) {
      const QString shown = list.data(list.index(row, checking::kNumberColumn)).toString();
      FUZZ_CHECK(shown.isEmpty() == number.empty());
      const std::string prefix = list.Store()->GetCellPrefix(row, checking::kNumberColumn, 7);
      FUZZ_CHECK(prefix.size() <= 7 && number.compare(0, prefix.size(), prefix) == 0);
      FUZZ_CHECK(prefix.size() == number.size() ||
                 (prefix.size() >= 6 && pelmora::fuzz::CharacterStarts(number)[prefix.size()]));
    }
  }
  // Cells outside the list read as empty.
  FUZZ_CHECK(list.GetCell(list.RowCount(), checking::kNumberColumn).empty());
  FUZZ_CHECK(list.GetCell(0, checking::kNumberListColumns).empty());
  FUZZ_CHECK(list.GetCell(-1, checking::kNumberColumn).empty());
  return 0;
}
