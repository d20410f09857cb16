#pragma once
// Whole-file reads and atomic whole-file writes.

#include <QString>
#include <string>
#include <string_view>

namespace pelmora::platform {

// The file's bytes; empty when the path is empty or names nothing readable (a directory too).
std::string ReadWholeFile(const QString& path);

// Writes `bytes` to a temporary file in the same directory and renames it over `path`, so the
// file is always either its earlier content or the complete new one. `ownerOnly` creates the
// file with mode 0600. Returns false (leaving the earlier file untouched) on any failure.
bool WriteFileAtomically(const QString& path, std::string_view bytes, bool ownerOnly = false);

}  // namespace pelmora::platform
