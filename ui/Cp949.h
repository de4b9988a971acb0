#pragma once

#include <QString>

#include <string>
#include <string_view>

namespace norvanta::ui {

// Text inside the client is CP949 bytes; widgets speak Unicode. These two are where the
// two meet, through the one conversion of platform/CodePage.h: bytes that are not valid
// CP949 show as U+FFFD; characters CP949 cannot hold become '?'.
QString fromCp949(std::string_view bytes);
std::string toCp949(const QString& text);

} // namespace norvanta::ui
