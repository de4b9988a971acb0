#include "ui/ClipboardAccess.h"

#include <QApplication>
#include <QClipboard>
#include <QMimeData>

namespace norvanta::ui {
namespace {

struct Overrides {
    std::function<ClipboardAccess::Content()> read;
    std::function<void()> alert;
};

Overrides& overrides()
{
    static Overrides instance;
    return instance;
}

ClipboardAccess::Content readSystemClipboard()
{
    QClipboard* clipboard =
        qobject_cast<QGuiApplication*>(QCoreApplication::instance()) ? QGuiApplication::clipboard() : nullptr;
    if (clipboard == nullptr) {
        return {ClipboardAccess::Status::Busy, {}};
    }
    const QMimeData* data = clipboard->mimeData();
    if (data == nullptr || !data->hasText() || data->text().isEmpty()) {
        return {ClipboardAccess::Status::NoText, {}};
    }
    return {ClipboardAccess::Status::Text, data->text()};
}

} // namespace

ClipboardAccess::Content ClipboardAccess::readText()
{
    return overrides().read ? overrides().read() : readSystemClipboard();
}

void ClipboardAccess::alert()
{
    if (overrides().alert) {
        overrides().alert();
    } else if (qobject_cast<QApplication*>(QCoreApplication::instance())) {
        QApplication::beep();
    }
}

void ClipboardAccess::setForTesting(std::function<Content()> read, std::function<void()> alert)
{
    overrides() = Overrides{std::move(read), std::move(alert)};
}

void ClipboardAccess::resetForTesting()
{
    overrides() = Overrides{};
}

} // namespace norvanta::ui
