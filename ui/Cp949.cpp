#include "ui/Cp949.h"

#include <QStringDecoder>
#include <QStringEncoder>

namespace norvanta::ui {

QString fromCp949(std::string_view bytes)
{
    QStringDecoder decoder("CP949");
    if (!decoder.isValid()) {
        return QString::fromLatin1(bytes.data(), static_cast<qsizetype>(bytes.size()));
    }
    return decoder.decode(QByteArrayView(bytes.data(), static_cast<qsizetype>(bytes.size())));
}

std::string toCp949(const QString& text)
{
    QStringEncoder encoder("CP949");
    if (!encoder.isValid()) {
        return text.toStdString();
    }
    const QByteArray bytes = encoder.encode(text);
    return std::string(bytes.constData(), static_cast<std::size_t>(bytes.size()));
}

} // namespace norvanta::ui
