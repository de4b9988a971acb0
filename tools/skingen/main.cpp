// norvanta-skingen: paints the client's skin (frame, control strips, banner, icons)
// and writes it below the given resource folder. Run by hand after changing the art;
// the build uses the committed files, never this program.

#include "tools/skingen/SkinArt.h"

#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>

#include <cstdio>

using namespace norvanta::tools::skingen;

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: norvanta-skingen RESOURCE-FOLDER (the repository's res/)\n");
        return 2;
    }
    // Painting text needs a GUI application, not a display.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QGuiApplication application(argc, argv);
    const QDir root(QString::fromLocal8Bit(argv[1]));
    std::vector<SkinFile> files = frameImages();
    for (auto* more : {&controlStrips, &brandImages}) {
        for (SkinFile& file : more()) {
            files.push_back(std::move(file));
        }
    }
    int failures = 0;
    for (const SkinFile& file : files) {
        const QString path = root.filePath(file.path);
        if (!QDir().mkpath(QFileInfo(path).path()) || !file.image.save(path, "PNG")) {
            std::fprintf(stderr, "norvanta-skingen: cannot write %s\n", qPrintable(path));
            ++failures;
        }
    }
    std::printf("norvanta-skingen: %zu images written below %s\n", files.size() - failures, argv[1]);
    return failures == 0 ? 0 : 1;
}
