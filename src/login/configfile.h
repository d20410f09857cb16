#pragma once
// ConfigFile: the profile file "配置" in the program's directory that remembers the last account
// and password typed into the login window. Section "配置", keys "user" and "pwd"; the password
// is kept in clear text because files written by earlier runs hold it that way. The file is
// private to its owner (mode 0600) and every write replaces it atomically, so an interrupted
// write leaves the other key and the rest of the file as they were.
//
// Failures are silent: a missing file, section or key reads as empty; a write that cannot be
// done returns false and changes nothing.

#include <QString>
#include <string>
#include <string_view>

namespace pelmora::login {

class ConfigFile {
 public:
  // `directory` is the program's directory (platform::ProgramDirectory()).
  explicit ConfigFile(QString directory);

  // The file's path, built anew on each call: the directory, "/", "配置".
  QString Path() const;

  std::string ReadUser() const;
  std::string ReadPassword() const;
  bool WriteUser(std::string_view user) const;
  bool WritePassword(std::string_view password) const;

 private:
  QString directory_;
};

}  // namespace pelmora::login
