// The skin images compiled into the program: every one is there, at the size the
// frame and the controls are laid out for, opaque where a bitmap is expected.

#include <QImage>
#include "tests/support/QtPatience.h"

class SkinResourcesTest : public QObject {
    Q_OBJECT

private slots:
    void imageHasItsSize_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QSize>("size");
        const std::pair<const char*, QSize> images[] = {
            {"bitmaps/153.png", {52, 13}},         {"bitmaps/154.png", {360, 37}},
            {"bitmaps/155.png", {360, 37}},        {"bitmaps/163.png", {381, 126}},
            {"frame/caption_left.png", {10, 40}},  {"frame/caption_center.png", {1, 40}},
            {"frame/caption_right.png", {10, 40}}, {"frame/frame_left.png", {10, 1}},
            {"frame/frame_right.png", {10, 1}},    {"frame/frame_bottom.png", {1, 17}},
            {"frame/frame_left_bottom.png", {16, 17}}, {"frame/frame_right_bottom.png", {16, 17}},
            {"frame/button_min.png", {26, 18}},    {"frame/button_min_over.png", {26, 18}},
            {"frame/button_min_down.png", {26, 18}}, {"frame/button_close.png", {26, 18}},
            {"frame/button_close_over.png", {26, 18}}, {"frame/button_close_down.png", {26, 18}},
        };
        for (const auto& [path, size] : images) {
            QTest::newRow(path) << QString(":/res/%1").arg(path) << size;
        }
    }

    void imageHasItsSize()
    {
        QFETCH(QString, path);
        QFETCH(QSize, size);
        const QImage image(path);
        QVERIFY2(!image.isNull(), qPrintable(path));
        QCOMPARE(image.size(), size);
        QVERIFY(!image.hasAlphaChannel());
    }

    void everyIconSizeIsThere()
    {
        for (int size : {16, 24, 32, 48, 64, 128, 256}) {
            const QImage icon(QString(":/res/icons/norvanta-vpn-%1.png").arg(size));
            QCOMPARE(icon.size(), QSize(size, size));
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
