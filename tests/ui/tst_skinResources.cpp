// The skin images compiled into the program: every one the skin's art paints is there,
// as the art paints it, and keyed where the window shape and the strips expect it.

#include "tools/skingen/SkinArt.h"

#include <QImage>
#include "tests/support/QtPatience.h"

class SkinResourcesTest : public QObject {
    Q_OBJECT

private slots:
    // Every image the skin's art paints is compiled in, at the art's size, opaque where the
    // art is (the bitmaps; the icons are not). The frame, painted without text (so alike
    // wherever the test runs), must be the art's own pixel for pixel: art changed but not
    // generated and committed shows here.
    void committedImageIsTheArts_data()
    {
        using namespace norvanta::tools::skingen;
        QTest::addColumn<QString>("path");
        QTest::addColumn<QImage>("art");
        QTest::addColumn<bool>("pixelForPixel");
        for (const SkinFile& file : frameImages()) {
            QTest::newRow(qPrintable(file.path)) << file.path << file.image << true;
        }
        for (auto* painted : {&controlStrips, &brandImages}) {
            for (const SkinFile& file : painted()) {
                QTest::newRow(qPrintable(file.path)) << file.path << file.image << false;
            }
        }
    }

    void committedImageIsTheArts()
    {
        QFETCH(QString, path);
        QFETCH(QImage, art);
        QFETCH(bool, pixelForPixel);
        const QImage image(QStringLiteral(":/res/") + path);
        QVERIFY2(!image.isNull(), qPrintable(path));
        QCOMPARE(image.size(), art.size());
        QCOMPARE(image.hasAlphaChannel(), art.hasAlphaChannel());
        if (pixelForPixel) {
            QCOMPARE(image.convertToFormat(QImage::Format_RGB32), art.convertToFormat(QImage::Format_RGB32));
        }
    }

    // The corners the window shape cuts away carry the key colour, the rest is grey.
    void captionEndsAreKeyedOnlyInTheirOuterCorner()
    {
        const QImage left(":/res/frame/caption_left.png");
        const QImage right(":/res/frame/caption_right.png");
        QCOMPARE(left.pixel(0, 0), qRgb(255, 0, 255));
        QCOMPARE(right.pixel(9, 0), qRgb(255, 0, 255));
        QVERIFY(left.pixel(9, 0) != qRgb(255, 0, 255));
        QVERIFY(right.pixel(0, 0) != qRgb(255, 0, 255));
        QVERIFY(left.pixel(7, 7) != qRgb(255, 0, 255));
    }

    // The button strips show the key colour only outside the rounded body: the frame
    // corners are keyed, the frame centres are not.
    void buttonStripsAreKeyedAroundEachFrame()
    {
        for (const char* path : {":/res/bitmaps/154.png", ":/res/bitmaps/155.png"}) {
            const QImage strip(path);
            for (int frame = 0; frame < 3; ++frame) {
                QCOMPARE(strip.pixel(frame * 120, 0), qRgb(255, 0, 255));
                QCOMPARE(strip.pixel(frame * 120 + 119, 36), qRgb(255, 0, 255));
                QVERIFY(strip.pixel(frame * 120 + 60, 5) != qRgb(255, 0, 255));
            }
        }
    }
};

QTEST_MAIN(SkinResourcesTest)
#include "tst_skinResources.moc"
