// norvanta-screenshot: saves the whole X screen named by $DISPLAY as a PNG, so
// scripts/run can show the client on a machine that has no display of its own.

#include <QGuiApplication>
#include <QPixmap>
#include <QScreen>

#include <cstdio>

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: norvanta-screenshot FILE.png\n");
        return 2;
    }
    QGuiApplication application(argc, argv);
    QScreen* screen = QGuiApplication::primaryScreen();
    if (screen == nullptr || !screen->grabWindow(0).save(QString::fromLocal8Bit(argv[1]), "PNG")) {
        std::fprintf(stderr, "norvanta-screenshot: cannot grab the screen\n");
        return 1;
    }
    return 0;
}
