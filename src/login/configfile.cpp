#include "login/configfile.h"

#include "platform/profile.h"
#include "platform/programdir.h"

#include <utility>

namespace pelmora::login {

namespace {

constexpr char kFileName[] = "配置";                 // UTF-8 on disk, like every file name
constexpr std::string_view kSection = "\xC5\xE4\xD6\xC3";  // 配置 in GBK
constexpr std::string_view kUserKey = "user";
constexpr std::string_view kPasswordKey = "pwd";

}  // namespace

ConfigFile::ConfigFile(QString directory) : directory_(std::move(directory)) {}

QString ConfigFile::Path() const {
  return platform::PathIn(directory_, QString::fromUtf8(kFileName));
}

std::string ConfigFile::ReadUser() const {
  return platform::ReadProfileString(Path(), kSection, kUserKey);
}

std::string ConfigFile::ReadPassword() const {
  return platform::ReadProfileString(Path(), kSection, kPasswordKey);
}

bool ConfigFile::WriteUser(std::string_view user) const {
  return platform::WriteProfileString(Path(), kSection, kUserKey, user, true);
}

bool ConfigFile::WritePassword(std::string_view password) const {
  return platform::WriteProfileString(Path(), kSection, kPasswordKey, password, true);
}

}  // namespace pelmora::login
