#pragma once
// Profile (INI) files on GBK bytes: read and write one key of one section, after the manner of
// the Windows profile functions (GetPrivateProfileString / WritePrivateProfileString).
//
// Format, as read:
// - The file is split into lines at LF; a CR before the LF belongs to the line end, so CR LF
//   and LF files both read. Every line is looked at, however long, and any byte may occur.
// - A line whose first non-blank byte is "[" and which has a "]" after it starts a section;
//   the name is what lies between the "[" and the last "]" (found at a character start),
//   without surrounding blanks. Whatever follows the "]" is ignored.
// - A line whose first non-blank byte is ";" is a comment. Any other line with an "=" is an
//   entry: the key is what lies before the first "=", the value what lies after it, both
//   without surrounding blanks (space, tab, CR, VT, FF). Lines without "=" are kept but mean
//   nothing, and so do entries before the first section.
// - Section and key names compare case-insensitively for ASCII letters; the two bytes of a GBK
//   character always compare exactly (its second byte may look like a letter).
// - Only the first section with a given name counts, and in it the first entry with the key.
// - Scanning for "]" and "=" steps over GBK double-byte characters.
//
// Texts end at their first NUL: section, key and value arguments are cut there on entry, and
// a value read from the file is cut at its first NUL byte.

#include <QString>
#include <cstddef>
#include <string>
#include <string_view>

namespace pelmora::platform {

// A value is read through a buffer of this many bytes, NUL included.
inline constexpr std::size_t kProfileValueBuffer = 10240;

// The value of `key` in `section`: at most its first kProfileValueBuffer - 1 bytes, cut back
// by one more byte rather than splitting a double-byte character. A missing or unreadable
// file, section or key reads as the empty text.
std::string ReadProfileString(const QString& path, std::string_view section, std::string_view key);

// Sets `key` in `section` to `value`. The first entry of the key in the section is replaced in
// place; without one the entry goes after the section's last non-blank line; without the
// section, "[section]" and the entry are appended at the end of the file (which is created
// when missing). Lines written end in CR LF; every other byte of the file stays as it was.
// The new file replaces the old one atomically (mode 0600 with ownerOnly).
//
// Returns false and leaves the file alone when the file cannot be read or written, or when the
// text could not be read back as written: an empty key, a key starting with "[" or ";" or
// holding "=", a section holding "]", or a CR or LF in any of the three.
// Blanks around the value are written but, as with every entry, not read back.
bool WriteProfileString(const QString& path, std::string_view section, std::string_view key,
                        std::string_view value, bool ownerOnly);

}  // namespace pelmora::platform
