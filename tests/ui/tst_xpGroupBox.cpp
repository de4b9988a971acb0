// The rounded group box: where its outline runs, where the caption breaks it, and the
// setters that shape it.

#include "ui/CXPGroupBox.h"

#include <QFontMetrics>
#include "tests/support/QtPatience.h"

namespace {

const QColor kFrame(255, 0, 0);
const QColor kBand(255, 255, 255);
const QColor kBody(0, 200, 0);

QRgb at(const QImage& image, int x, int y)
{
    return image.pixel(x, y) & 0xFFFFFF;
}

QRgb rgb(const QColor& colour)
{
    return colour.rgb() & 0xFFFFFF;
}

} // namespace

class XPGroupBoxTest : public QObject {
    Q_OBJECT

private slots:
    void init()
    {
        m_parent = std::make_unique<QWidget>();
        m_parent->resize(420, 120);
        m_box = new CXPGroupBox(QString::fromUtf8("연결 상태 정보"), m_parent.get());
        m_box->setGeometry(10, 10, 383, 84);
        m_box->SetFrameColor(kFrame).SetFillColors(kBand, kBody);
        m_parent->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_parent.get()));
    }

    void cleanup() { m_parent.reset(); }

    // The caption is padded with one blank each side, starts 10 pixels in from the
    // shrunk rectangle, and the outline's top runs through its middle, broken behind it.
    void outlineIsBrokenBehindTheLeftCaption()
    {
        const QImage image = m_box->grab().toImage();
        QCOMPARE(m_box->caption(), QString::fromUtf8(" 연결 상태 정보 "));
        const int top = 1 + captionHeight() / 2;
        const int captionLeft = 1 + 10;
        const int captionRight = captionLeft + captionWidth();
        QCOMPARE(at(image, 5, top), rgb(kFrame));
        QCOMPARE(at(image, captionLeft + 2, top), rgb(kBand));
        QCOMPARE(at(image, captionRight - 2, top), rgb(kBand));
        QCOMPARE(at(image, captionRight + 3, top), rgb(kFrame));
        QCOMPARE(at(image, 300, top), rgb(kFrame));
        QCOMPARE(at(image, 1, 60), rgb(kFrame));
        QCOMPARE(at(image, 381, 60), rgb(kFrame));
        QCOMPARE(at(image, 200, 82), rgb(kFrame));
        QVERIFY(at(image, 200, 60) != rgb(kFrame));
        QVERIFY(at(image, 200, top - 1) != rgb(kFrame));
    }

    void alignmentMovesTheBreak_data()
    {
        QTest::addColumn<int>("alignment");
        QTest::addColumn<int>("stored");
        QTest::newRow("left") << 0 << 0;
        QTest::newRow("centre") << 1 << 1;
        QTest::newRow("right") << 2 << 2;
        QTest::newRow("anything else is left") << 7 << 0;
        QTest::newRow("negative is left") << -1 << 0;
    }

    void alignmentMovesTheBreak()
    {
        QFETCH(int, alignment);
        QFETCH(int, stored);
        m_box->SetCaptionAlignment(alignment);
        QCOMPARE(m_box->captionAlignment(), stored);
        const QImage image = m_box->grab().toImage();
        const int top = 1 + captionHeight() / 2;
        const int width = captionWidth();
        const int inner = 381; // the shrunk rectangle's width
        const int left = stored == 0 ? 11 : (stored == 1 ? 1 + (inner - width) / 2 : 1 + inner - 10 - width);
        QCOMPARE(at(image, left + 1, top), rgb(kBand));
        QCOMPARE(at(image, left - 3, top), rgb(kFrame));
        QCOMPARE(at(image, left + width + 2, top), rgb(kFrame));
    }

    void emptyCaptionLeavesTheOutlineWhole()
    {
        CXPGroupBox box(m_parent.get());
        box.setGeometry(10, 10, 383, 84);
        box.SetFrameColor(kFrame);
        const QImage image = box.grab().toImage();
        QVERIFY(box.caption().isEmpty());
        QCOMPARE(at(image, 14, 1), rgb(kFrame));
        QCOMPARE(at(image, 200, 1), rgb(kFrame));
    }

    void windowLookFillsBandAndBody()
    {
        m_box->SetLook(1);
        const QImage image = m_box->grab().toImage();
        const int bandBottom = 1 + captionHeight() + 4;
        QCOMPARE(at(image, 300, 3), rgb(kBand));
        QCOMPARE(at(image, 300, bandBottom), rgb(kFrame));
        QCOMPARE(at(image, 300, bandBottom + 5), rgb(kBody));
        QCOMPARE(at(image, 1, 60), rgb(kFrame));
    }

    void settersChainAndApplyInOrder()
    {
        CXPGroupBox& same = m_box->SetCaptionColor(QColor(16, 140, 231)).SetCaptionBold(1).SetFillColor(Qt::white);
        QCOMPARE(&same, m_box);
        QCOMPARE(m_box->captionColor(), QColor(16, 140, 231));
        QCOMPARE(m_box->bandColor(), QColor(Qt::white));
        QCOMPARE(m_box->bodyColor(), QColor(Qt::white));
        QCOMPARE(m_box->captionFont().weight(), QFont::Bold);
        m_box->SetCaptionBold(5);
        QCOMPARE(m_box->captionFont().weight(), QFont::Bold);
        m_box->SetCaptionBold(0);
        QCOMPARE(m_box->captionFont().weight(), QFont::Normal);
        m_box->SetCaptionItalic(1).SetCaptionUnderline(1).SetCaptionPointSize(14);
        QVERIFY(m_box->captionFont().italic());
        QVERIFY(m_box->captionFont().underline());
        QCOMPARE(m_box->captionFont().pointSize(), 14);
        m_box->SetCaption("Status");
        QCOMPARE(m_box->caption(), QString(" Status "));
    }

    void captionIsDrawnInItsColour()
    {
        m_box->SetCaptionColor(QColor(16, 140, 231)).SetCaptionBold(1);
        const QImage image = m_box->grab().toImage();
        bool found = false;
        for (int y = 1; y < 1 + captionHeight() && !found; ++y) {
            for (int x = 11; x < 11 + captionWidth() && !found; ++x) {
                found = at(image, x, y) == rgb(QColor(16, 140, 231));
            }
        }
        QVERIFY(found);
    }

private:
    int captionWidth() const { return QFontMetrics(m_box->captionFont()).horizontalAdvance(m_box->caption()); }
    int captionHeight() const { return QFontMetrics(m_box->captionFont()).height(); }

    std::unique_ptr<QWidget> m_parent;
    CXPGroupBox* m_box = nullptr;
};

QTEST_MAIN(XPGroupBoxTest)
#include "tst_xpGroupBox.moc"
