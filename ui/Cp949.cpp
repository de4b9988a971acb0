#include "ui/Cp949.h"

#include "platform/CodePage.h"

namespace norvanta::ui {

QString fromCp949(std::string_view bytes)
{
    return QString::fromStdString(platform::utf8FromCp949(bytes));
}

std::string toCp949(const QString& text)
{
    return platform::cp949FromUtf8(text.toStdString());
}

} // namespace norvanta::ui
