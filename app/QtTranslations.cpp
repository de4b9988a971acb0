#include "app/QtTranslations.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QTranslator>

#include <memory>

namespace norvanta::app {

bool installQtKoreanTranslations()
{
    QCoreApplication* application = QCoreApplication::instance();
    if (application == nullptr) {
        return false;
    }
    const QString name = QStringLiteral("qtbase_ko");
    if (application->findChild<QTranslator*>(name, Qt::FindDirectChildrenOnly) != nullptr) {
        return true;
    }
    auto translator = std::make_unique<QTranslator>();
    translator->setObjectName(name);
    // The program's own copy first (the Windows build carries one), else the system's.
    const bool loaded = translator->load(name, QStringLiteral(":/translations"))
                        || translator->load(name, QLibraryInfo::path(QLibraryInfo::TranslationsPath));
    if (!loaded || !QCoreApplication::installTranslator(translator.get())) {
        return false;
    }
    // From here the application owns it, for as long as it runs.
    translator.release()->setParent(application);
    return true;
}

} // namespace norvanta::app
