// ParamList on arbitrary query texts: ParseQuery, every rendering, and Get / Set / Remove of
// the first name. The input is the query text, GBK bytes as they would come from anywhere.
//
// Invariants:
// - names and values are the same length and never hold a NUL; a text is taken up to its
//   first NUL, so parsing the input and parsing the bytes before its first NUL agree;
// - ParseQuery with toUtf8 gives, pair by pair, GbkToUtf8 of the plain parse, valid UTF-8;
// - the encoded query string has one "&" between pairs and one "=" per pair, nothing else;
// - ToFieldLines ends with a lone CR; ToJsonObject is "{...}";
// - Get / Set / Remove act on the first pair of a name;
// - a text whose segments each hold exactly one "=" (character starts only), with no empty
//   segment, no trailing "&" and no NUL, comes back unchanged from ToQueryString(false).

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "fuzz_support.h"
#include "text/paramlist.h"

using pelmora::fuzz::AsView;
using pelmora::fuzz::BeforeNul;
using pelmora::fuzz::CharacterStarts;
using pelmora::fuzz::HasNul;
using pelmora::fuzz::IsValidUtf8;
using pelmora::text::ParamList;

namespace {

std::size_t CountByte(std::string_view s, char c) {
  std::size_t n = 0;
  for (char b : s) n += b == c;
  return n;
}

// True when the text is a plain name=value&name=value list that a reader splits back into
// exactly the pairs it was written from.
bool IsRoundTripQuery(std::string_view text) {
  if (HasNul(text)) return false;
  if (text.empty()) return true;
  const std::vector<bool> starts = CharacterStarts(text);
  std::size_t equalsInSegment = 0;
  std::size_t segmentLength = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (starts[i] && text[i] == '&') {
      if (segmentLength == 0 || equalsInSegment != 1) return false;
      equalsInSegment = 0;
      segmentLength = 0;
      continue;
    }
    if (starts[i] && text[i] == '=') ++equalsInSegment;
    ++segmentLength;
  }
  // The last segment: not empty (no trailing "&") and exactly one "=".
  return segmentLength != 0 && equalsInSegment == 1;
}

void CheckList(const ParamList& list) {
  const std::vector<std::string> names = list.Names();
  const std::vector<std::string> values = list.Values();
  FUZZ_CHECK(names.size() == values.size());
  for (std::size_t i = 0; i < names.size(); ++i) {
    FUZZ_CHECK(!HasNul(names[i]));
    FUZZ_CHECK(!HasNul(values[i]));
  }
  const std::size_t pairs = names.size();

  const std::string plain = list.ToQueryString(false);
  const std::string encoded = list.ToQueryString(true);
  const std::string lines = list.ToFieldLines(false);
  const std::string encodedLines = list.ToFieldLines(true);
  const std::string json = list.ToJsonObject();
  for (const std::string* s : {&plain, &encoded, &lines, &encodedLines, &json})
    FUZZ_CHECK(!HasNul(*s));

  if (pairs == 0) {
    FUZZ_CHECK(plain.empty() && encoded.empty() && lines.empty() && encodedLines.empty());
    FUZZ_CHECK(json == "{}");
    return;
  }

  // Encoded: only the list's own separators remain.
  FUZZ_CHECK(CountByte(encoded, '&') == pairs - 1);
  FUZZ_CHECK(CountByte(encoded, '=') == pairs);
  // Plain: every pair contributes its bytes, "=" and "&" between pairs.
  std::size_t expectedLength = pairs - 1;
  for (std::size_t i = 0; i < pairs; ++i) expectedLength += names[i].size() + 1 + values[i].size();
  FUZZ_CHECK(plain.size() == expectedLength);
  FUZZ_CHECK(plain.compare(0, names[0].size(), names[0]) == 0);

  // Field lines end with a lone CR; with encode the values hold no CR or LF of their own.
  FUZZ_CHECK(!lines.empty() && lines.back() == '\r');
  FUZZ_CHECK(!encodedLines.empty() && encodedLines.back() == '\r');
  std::size_t nameBreaks = 0;
  for (const std::string& n : names) nameBreaks += CountByte(n, '\n');
  FUZZ_CHECK(CountByte(encodedLines, '\n') == pairs - 1 + nameBreaks);

  FUZZ_CHECK(json.size() >= 2 && json.front() == '{' && json.back() == '}');
  // "{" + per pair "name":"value", (quotes in values escaped), the last comma dropped, "}".
  std::size_t jsonLength = 1;
  for (std::size_t i = 0; i < pairs; ++i)
    jsonLength += names[i].size() + values[i].size() + CountByte(values[i], '"') + 6;
  FUZZ_CHECK(json.size() == jsonLength);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view text = AsView(data, size);

  ParamList list;
  list.ParseQuery(text);
  CheckList(list);

  // Only the bytes before the first NUL count.
  ParamList cut;
  cut.ParseQuery(BeforeNul(text));
  FUZZ_CHECK(cut.Names() == list.Names() && cut.Values() == list.Values());

  if (IsRoundTripQuery(text)) FUZZ_CHECK(list.ToQueryString(false) == text);

  // With toUtf8, each stored text is the UTF-8 form of the plain one.
  {
    ParamList utf8;
    utf8.ParseQuery(text, true);
    const std::vector<std::string> names = utf8.Names();
    const std::vector<std::string> values = utf8.Values();
    const std::vector<std::string> plainNames = list.Names();
    const std::vector<std::string> plainValues = list.Values();
    FUZZ_CHECK(names.size() == plainNames.size());
    for (std::size_t i = 0; i < names.size(); ++i) {
      FUZZ_CHECK(IsValidUtf8(names[i]) && IsValidUtf8(values[i]));
      FUZZ_CHECK(names[i] == pelmora::text::GbkToUtf8(plainNames[i]));
      FUZZ_CHECK(values[i] == pelmora::text::GbkToUtf8(plainValues[i]));
    }
    CheckList(utf8);
  }

  // A copy is independent; Get / Set / Remove act on the first pair of a name.
  const std::vector<std::string> names = list.Names();
  const std::vector<std::string> values = list.Values();
  if (!names.empty()) {
    const std::string& first = names[0];
    FUZZ_CHECK(list.Get(first) == values[0]);

    ParamList copy = list;
    const std::string replacement = values[0] + "\"&=\r\n";
    copy.Set(first, replacement);
    FUZZ_CHECK(copy.Get(first) == replacement);
    FUZZ_CHECK(copy.Names() == names);
    FUZZ_CHECK(list.Get(first) == values[0]);  // the source is untouched
    CheckList(copy);

    copy.Remove(first);
    FUZZ_CHECK(copy.Names().size() == names.size() - 1);
    std::string next;  // the value of the next pair with the same name, if any
    for (std::size_t i = 1; i < names.size(); ++i)
      if (names[i] == first) {
        next = values[i];
        break;
      }
    FUZZ_CHECK(copy.Get(first) == next);
    CheckList(copy);

    // Set of a name that is not in the list appends.
    const std::string fresh = first + "\x01";
    bool present = false;
    for (const std::string& n : names) present = present || n == fresh;
    if (!present) {
      ParamList grown = list;
      grown.Set(fresh, "v");
      FUZZ_CHECK(grown.Names().size() == names.size() + 1);
      FUZZ_CHECK(grown.Names().back() == fresh && grown.Values().back() == "v");
    }

    copy.Clear();
    CheckList(copy);
  }

  // Pairs parsed later go behind the ones already there.
  {
    ParamList twice = list;
    twice.ParseQuery(text);
    FUZZ_CHECK(twice.Names().size() == 2 * names.size());
  }
  return 0;
}
