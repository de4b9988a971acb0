// CFontStatic as drawn: background, colour, alignment, wrapping, its face, and SetText.

#include "ui/CFontStatic.h"

#include <QScreen>
#include "tests/support/QtPatience.h"

namespace {

const QColor kWhite(255, 255, 255);
const QColor kBlue(0, 0, 255);

// Leftmost and rightmost columns, and top and bottom rows, that hold ink darker than
// the background; (-1, -1, -1, -1) when there is none.
QRect inkBounds(const QImage& image, const QColor& background)
{
    int left = -1, right = -1, top = -1, bottom = -1;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QColor c = image.pixelColor(x, y);
            if (qAbs(c.red() - background.red()) + qAbs(c.green() - background.green())
                    + qAbs(c.blue() - background.blue())
                < 200) {
                continue;
            }
            left = left < 0 ? x : qMin(left, x);
            right = qMax(right, x);
            top = top < 0 ? y : qMin(top, y);
            bottom = qMax(bottom, y);
        }
    }
    return left < 0 ? QRect() : QRect(QPoint(left, top), QPoint(right, bottom));
}

} // namespace

class FontStaticTest : public QObject {
    Q_OBJECT

private slots:
    void ownBackgroundAndTextColour()
    {
        CFontStatic label(QStringLiteral("상      태:"));
        label.resize(120, 14);
        label.SetTextStyle(QString::fromUtf8("굴림"), 12, kBlue, 0x41);
        label.setBackgroundColor(kWhite);
        label.setOwnBackground(true);
        const QImage image = label.grab().toImage();
        QCOMPARE(image.pixelColor(119, 0), kWhite);
        bool blue = false;
        for (int y = 0; y < image.height() && !blue; ++y) {
            for (int x = 0; x < image.width() && !blue; ++x) {
                const QColor c = image.pixelColor(x, y);
                blue = c.blue() > 200 && c.red() < 60 && c.green() < 60;
            }
        }
        QVERIFY(blue);
    }

    void withoutOwnBackgroundTheButtonFaceShows()
    {
        CFontStatic label;
        label.resize(50, 14);
        label.setBackgroundColor(kWhite);
        QCOMPARE(label.grab().toImage().pixelColor(1, 1), label.palette().color(QPalette::Button));
    }

    void flagsPlaceTheText_data()
    {
        QTest::addColumn<int>("flags");
        QTest::addColumn<QString>("where");
        QTest::newRow("0x41 bold, left") << 0x41 << "left";
        QTest::newRow("0x20 centred") << 0x20 << "centre";
        QTest::newRow("0xA0 centre wins over right") << 0xA0 << "centre";
        QTest::newRow("0x80 right") << 0x80 << "right";
    }

    void flagsPlaceTheText()
    {
        QFETCH(int, flags);
        QFETCH(QString, where);
        CFontStatic label(QStringLiteral("IIII"));
        label.resize(300, 16);
        label.SetTextStyle(QString::fromUtf8("굴림"), 12, Qt::black, static_cast<unsigned char>(flags));
        label.setBackgroundColor(kWhite);
        label.setOwnBackground(true);
        const QRect ink = inkBounds(label.grab().toImage(), kWhite);
        QVERIFY(!ink.isEmpty());
        if (where == "left") {
            QVERIFY2(ink.left() < 10, qPrintable(QString::number(ink.left())));
        } else if (where == "right") {
            QVERIFY2(ink.right() > 289, qPrintable(QString::number(ink.right())));
        } else {
            QVERIFY(ink.left() > 100 && ink.right() < 200);
            QVERIFY(qAbs((ink.left() + ink.right()) / 2 - 150) < 6);
        }
    }

    void boldFlagMakesAHeavyKoreanFace()
    {
        CFontStatic label;
        label.SetTextStyle(QString::fromUtf8("굴림"), 12, Qt::black, 0x41);
        const QFont font = label.textFont();
        QCOMPARE(font.pixelSize(), 12);
        QCOMPARE(font.weight(), QFont::Black);
        const QFontInfo shown(font);
        QVERIFY2(shown.bold(), qPrintable(shown.family()));
        QVERIFY(QFontMetrics(font).inFontUcs4(U'한'));
    }

    // The plain paint starts at the top and breaks lines at word boundaries.
    void plainPaintWrapsFromTheTop()
    {
        CFontStatic label(QStringLiteral("one two three four five six seven eight"));
        label.resize(80, 100);
        label.SetTextStyle(QStringLiteral("NanumGothic"), 12, Qt::black, 0x00);
        label.setBackgroundColor(kWhite);
        label.setOwnBackground(true);
        const QRect ink = inkBounds(label.grab().toImage(), kWhite);
        QVERIFY(ink.top() < 6);
        QVERIFY2(ink.height() > 30, "several lines");
    }

    // SetText draws the text at once on one line, vertically centred; the next plain
    // paint puts it back at the top.
    void setTextRedrawsAtOnceCentredOnOneLine()
    {
        QWidget window;
        window.resize(200, 60);
        auto* label = new CFontStatic(&window);
        label->setGeometry(0, 0, 200, 60);
        label->SetTextStyle(QStringLiteral("NanumGothic"), 12, Qt::black, 0x00);
        label->setBackgroundColor(kWhite);
        label->setOwnBackground(true);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));

        label->SetText(QStringLiteral("status\nsecond"));
        QCOMPARE(label->text(), QStringLiteral("status\nsecond"));
        QCOMPARE(label->lastSetText(), QStringLiteral("status\nsecond"));
        const QImage immediate = window.screen()->grabWindow(window.winId()).toImage();
        const QRect centred = inkBounds(immediate.copy(0, 0, 200, 60), kWhite);
        QVERIFY(!centred.isEmpty());
        QVERIFY2(centred.top() > 15 && centred.bottom() < 45, "one line, in the middle");

        const QRect plain = inkBounds(label->grab().toImage(), kWhite);
        QVERIFY(plain.top() < 6);
        QVERIFY2(plain.height() > 16, "two lines from the top");
    }

    // The text is shown as it stands: '&' is no mnemonic marker.
    void ampersandIsShown()
    {
        CFontStatic withAmpersand(QStringLiteral("A&B"));
        CFontStatic without(QStringLiteral("AB"));
        for (CFontStatic* label : {&withAmpersand, &without}) {
            label->resize(100, 16);
            label->SetTextStyle(QStringLiteral("NanumGothic"), 12, Qt::black, 0x00);
            label->setBackgroundColor(kWhite);
            label->setOwnBackground(true);
        }
        QVERIFY(inkBounds(withAmpersand.grab().toImage(), kWhite).width()
                > inkBounds(without.grab().toImage(), kWhite).width() + 4);
    }
};

QTEST_MAIN(FontStaticTest)
#include "tst_fontStatic.moc"
