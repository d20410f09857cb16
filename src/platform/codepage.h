#pragma once
// Code page 936 (GBK) conversions. Every text of the client is GBK bytes in a std::string;
// conversions happen only at the boundary to a service that speaks another encoding
// (widgets, the file system, the script engine). No conversion ever stops on bad input:
// an invalid or truncated GBK sequence becomes U+FFFD, a character GBK cannot hold becomes "?".

#include <QString>
#include <string>
#include <string_view>

namespace pelmora::platform {

// GBK bytes -> UTF-8 bytes.
std::string GbkToUtf8Bytes(std::string_view gbk);
// UTF-8 bytes -> GBK bytes; characters GBK cannot hold (and invalid UTF-8) become "?".
std::string Utf8ToGbkBytes(std::string_view utf8);

// Widget boundary.
QString GbkToQString(std::string_view gbk);
std::string QStringToGbk(const QString& text);

}  // namespace pelmora::platform
