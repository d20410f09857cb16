#pragma once
// ParamList: an ordered list of name/value texts that renders the client's requests, as
// name=value pairs joined by "&" (the query request) or as "name: value" lines (login and
// registration). Beside the list live the two encoders that its switches reach, GbkToUtf8 and
// PercentEncode, and the GBK-aware TextBefore / TextAfter that ParseQuery splits with.
//
// Every text is GBK bytes and, like every text of the client, ends at its first NUL: each text
// argument is cut at its first NUL byte on entry, so a std::string holding "a\0b" counts as "a".
// Nothing stored or returned ever holds a NUL. Lengths and positions count bytes.

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace pelmora::text {

class ParamList {
 public:
  // A new list is empty. Copies are deep: a copy shares nothing with its source.
  ParamList() = default;

  // Appends (name, value). With toUtf8 both are first converted by GbkToUtf8.
  void Add(std::string_view name, std::string_view value, bool toUtf8 = false);
  // Appends the pairs of a name=value&name=value text (nothing percent-decoded), each through
  // Add with the same toUtf8. The split steps over GBK double-byte characters.
  void ParseQuery(std::string_view text, bool toUtf8 = false);

  // The value of the first pair named `name` (exact byte comparison), or an empty text.
  std::string Get(std::string_view name) const;
  // Replaces the value of the first pair named `name`; appends (name, value) when there is none.
  void Set(std::string_view name, std::string_view value);
  // Removes the first pair named `name`; no effect when there is none.
  void Remove(std::string_view name);
  void Clear();

  std::vector<std::string> Names() const;
  std::vector<std::string> Values() const;

  // name=value pairs joined by "&". With encode, names and values are PercentEncoded
  // (safe bytes kept, GBK bytes as they are).
  std::string ToQueryString(bool encode = false) const;
  // "name: value" lines separated by CR LF; the text ends with a lone CR. With encode only the
  // values are PercentEncoded.
  std::string ToFieldLines(bool encode = false) const;
  // {"name":"value",...}: every value a JSON string with its double quotes escaped; names and
  // every other byte go in unchanged.
  std::string ToJsonObject() const;

  // The text with a backslash put before each double quote.
  static std::string EscapeQuotes(std::string_view text);
  // Strips one `affix` from the end, then one from the start, of `text`; stores the result in
  // `text` and returns a copy of it. An empty affix changes nothing.
  static std::string TrimAffix(std::string& text, std::string_view affix);

 private:
  struct Pair {
    std::string name;
    std::string value;
  };
  // One sequence of pairs keeps names and values the same length by construction.
  std::vector<Pair> pairs_;

  // Index of the first pair named `name`, or npos.
  std::size_t IndexOf(std::string_view name) const;
};

// Code page 936 text -> UTF-8. Invalid GBK is substituted, never stops the conversion.
std::string GbkToUtf8(std::string_view text);

// "%XX" (upper-case hex) for every byte, except that with keepSafe the bytes "-", ".", "0"-"9",
// "A"-"Z" and "a"-"z" stay as they are. With asUtf8 the bytes of the text's UTF-8 form are
// encoded instead of its GBK bytes.
std::string PercentEncode(std::string_view text, bool keepSafe, bool asUtf8);

// The bytes before the first occurrence of `separator`, and after the last one. Both step over
// GBK double-byte characters (no match begins on a second byte) and give an empty text when
// the separator does not occur; an empty separator counts as not occurring.
std::string TextBefore(std::string_view text, std::string_view separator);
std::string TextAfter(std::string_view text, std::string_view separator);

}  // namespace pelmora::text
