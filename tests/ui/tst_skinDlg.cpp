// The skinned frame on a real window: its pixels, its caption buttons under a real
// pointer, its shape, and the keys and requests that must not end it.

#include "ui/CSkinDlg.h"
#include "ui/MessageBox.h"
#include "ui/SkinFramePainter.h"

#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include "tests/support/QtPatience.h"

#include <algorithm>
#include <array>
#include <memory>

using norvanta::ui::CaptionButton;
using norvanta::ui::MessageBox;
using norvanta::ui::SkinResources;

namespace {

constexpr std::array<int, 40> kCaptionRows = {142, 243, 252, 245, 239, 236, 226, 220, 214, 210, 206, 216, 216, 216,
                                              217, 219, 220, 222, 223, 224, 225, 226, 227, 228, 229, 231, 234, 235,
                                              236, 237, 237, 237, 223, 219, 156, 231, 240, 248, 253, 171};
constexpr std::array<int, 10> kLeftColumns = {134, 231, 240, 248, 253, 253, 248, 240, 231, 171};
constexpr std::array<int, 10> kRightColumns = {171, 231, 240, 248, 253, 253, 248, 240, 231, 115};
constexpr std::array<int, 17> kBottomRows = {255, 255, 255, 255, 255, 172, 239, 248, 253,
                                             255, 255, 255, 255, 253, 248, 240, 92};

QRgb grey(int level)
{
    return qRgb(level, level, level);
}

QImage region(const QImage& image, const QRect& rect)
{
    return image.copy(rect).convertToFormat(QImage::Format_RGB32);
}

QImage skinImage(const char* name)
{
    return QImage(QString(":/res/frame/%1.png").arg(name)).convertToFormat(QImage::Format_RGB32);
}

bool containsColour(const QImage& image, const QRect& area, QRgb colour)
{
    for (int y = area.top(); y <= area.bottom(); ++y) {
        for (int x = area.left(); x <= area.right(); ++x) {
            if ((image.pixel(x, y) & 0xFFFFFF) == (colour & 0xFFFFFF)) {
                return true;
            }
        }
    }
    return false;
}

// The darkest grey level in the area: a title's own colour, whatever its edges blend to.
int darkestLevel(const QImage& image, const QRect& area)
{
    int darkest = 255;
    for (int y = area.top(); y <= area.bottom(); ++y) {
        for (int x = area.left(); x <= area.right(); ++x) {
            darkest = std::min(darkest, qGray(image.pixel(x, y)));
        }
    }
    return darkest;
}

} // namespace

class SkinDlgTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { MessageBox::startRecording(true); }

    void init()
    {
        MessageBox::clearRecorded();
        m_dialog = std::make_unique<CSkinDlg>();
        m_dialog->setWindowTitle("Norvanta VPN");
        m_dialog->setFixedClientSize(QSize(422, 422));
        m_dialog->move(100, 100);
    }

    void cleanup() { m_dialog.reset(); }

    void windowIsTheClientAreaPlusTheFrame()
    {
        QCOMPARE(m_dialog->size(), QSize(442, 479));
        QCOMPARE(m_dialog->clientArea()->geometry(), QRect(10, 40, 422, 422));
        QVERIFY(m_dialog->windowFlags() & Qt::FramelessWindowHint);
    }

    void childrenMadeOnTheDialogMoveIntoTheClientArea()
    {
        auto* label = new QLabel("x", m_dialog.get());
        label->setGeometry(20, 210, 80, 13);
        auto* hidden = new QLabel("y", m_dialog.get());
        hidden->hide();
        showDialog();
        QCOMPARE(label->parentWidget(), m_dialog->clientArea());
        QCOMPARE(label->geometry(), QRect(20, 210, 80, 13));
        QVERIFY(label->isVisible());
        QVERIFY(!hidden->isVisible());
        QCOMPARE(label->mapTo(m_dialog.get(), QPoint(0, 0)), QPoint(30, 250));
    }

    void cannotBeMadeSmallerThan240x100()
    {
        CSkinDlg small;
        small.resize(100, 50);
        QCOMPARE(small.size(), QSize(240, 100));
        QCOMPARE(small.minimumSize(), QSize(240, 100));
    }

    void frameCarriesTheSkinGreyLevels()
    {
        showDialog();
        const QImage image = m_dialog->grab().toImage();
        for (int y = 0; y < 40; ++y) {
            QCOMPARE(image.pixel(300, y), grey(kCaptionRows[y]));
        }
        for (int x = 0; x < 10; ++x) {
            QCOMPARE(image.pixel(x, 200), grey(kLeftColumns[x]));
            QCOMPARE(image.pixel(432 + x, 200), grey(kRightColumns[x]));
        }
        for (int y = 0; y < 17; ++y) {
            QCOMPARE(image.pixel(200, 462 + y), grey(kBottomRows[y]));
        }
        QCOMPARE(image.pixel(200, 200), qRgb(254, 254, 254));
        QCOMPARE(image.pixel(10, 40), qRgb(254, 254, 254));
        QCOMPARE(region(image, QRect(380, 3, 26, 18)), skinImage("button_min"));
        QCOMPARE(region(image, QRect(406, 3, 26, 18)), skinImage("button_close"));
        QVERIFY2(containsColour(image, QRect(30, 10, 100, 20), qRgb(0, 0, 0)), "title drawn in black");
    }

    // An inactive window's title turns RGB(178,178,178), an active one's black.
    void titleColourFollowsActivation()
    {
        SkinResources skin;
        skin.load();
        const norvanta::ui::SkinFrameGeometry geometry(skin.measures());
        for (bool active : {true, false}) {
            QImage image(442, 479, QImage::Format_RGB32);
            image.fill(Qt::white);
            QPainter painter(&image);
            norvanta::ui::FrameLook look;
            look.active = active;
            look.title = "Norvanta VPN";
            look.captionFont = SkinResources::captionFont(96);
            norvanta::ui::paintSkinFrame(painter, image.size(), skin, geometry, look);
            painter.end();
            // The caption's own greys there are all lighter than 178; the title's
            // anti-aliased edges blend towards them, its strokes are its colour.
            QCOMPARE(darkestLevel(image, QRect(30, 10, 120, 20)), active ? 0 : 178);
        }

        showDialog();
        QVERIFY(m_dialog->frameActive());
        QWidget other;
        other.show();
        other.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&other));
        QTRY_VERIFY(!m_dialog->frameActive());
    }

    void captionButtonsShowOverAndDown()
    {
        showDialog();
        const QPoint close = m_dialog->captionButtonRect(CaptionButton::Close).center();
        const QPoint minimize = m_dialog->captionButtonRect(CaptionButton::Minimize).center();
        QTest::mouseMove(m_dialog.get(), close);
        QTRY_COMPARE(closeImage(), skinImage("button_close_over"));
        QTest::mouseMove(m_dialog.get(), minimize);
        QTRY_COMPARE(minimizeImage(), skinImage("button_min_over"));
        QCOMPARE(closeImage(), skinImage("button_close"));
        QTest::mousePress(m_dialog.get(), Qt::LeftButton, {}, close);
        QCOMPARE(closeImage(), skinImage("button_close_down"));
        // Dragged off the pressed button, it no longer shows pressed.
        QTest::mouseMove(m_dialog.get(), QPoint(200, 200));
        QCOMPARE(closeImage(), skinImage("button_close"));
        QTest::mouseRelease(m_dialog.get(), Qt::LeftButton, {}, QPoint(200, 200));
        QVERIFY(MessageBox::recorded().isEmpty());
    }

    void closeButtonAsksAndClosesOnlyOnYes()
    {
        showDialog();
        MessageBox::setNextAnswers(false);
        clickButton(CaptionButton::Close);
        QCOMPARE(MessageBox::recorded().size(), 1);
        QCOMPARE(MessageBox::recorded().first().text, QString::fromUtf8(CSkinDlg::kExitQuestion));
        QCOMPARE(MessageBox::recorded().first().caption, QString("Norvanta VPN"));
        QVERIFY(MessageBox::recorded().first().owned);
        QTest::qWait(20);
        QVERIFY(m_dialog->isVisible());
        QCOMPARE(closeImage(), skinImage("button_close"));
        QCOMPARE(m_dialog->captionButtons().pressed(), CaptionButton::None);

        MessageBox::setNextAnswers(true);
        clickButton(CaptionButton::Close);
        QTRY_VERIFY(!m_dialog->isVisible());
        QCOMPARE(m_dialog->result(), int(QDialog::Rejected));
    }

    void pressAndReleaseOnDifferentButtonsDoesNothing()
    {
        showDialog();
        const QPoint close = m_dialog->captionButtonRect(CaptionButton::Close).center();
        const QPoint minimize = m_dialog->captionButtonRect(CaptionButton::Minimize).center();
        QTest::mousePress(m_dialog.get(), Qt::LeftButton, {}, close);
        QTest::mouseRelease(m_dialog.get(), Qt::LeftButton, {}, minimize);
        QTest::mousePress(m_dialog.get(), Qt::LeftButton, {}, minimize);
        QTest::mouseRelease(m_dialog.get(), Qt::LeftButton, {}, close);
        QVERIFY(MessageBox::recorded().isEmpty());
        QVERIFY(m_dialog->isVisible());
        QVERIFY(!m_dialog->isMinimized());
        QCOMPARE(m_dialog->captionButtons().pressed(), CaptionButton::None);
    }

    // Offscreen, as on a display without a window manager, nothing shrinks the window:
    // its caption must stay as it was, title and buttons.
    void minimizeButtonMinimizesAndRestores()
    {
        showDialog();
        const QRect caption(0, 0, m_dialog->width(), m_dialog->captionButtonRect(CaptionButton::Close).bottom());
        const QImage before = region(m_dialog->grab().toImage(), caption);
        clickButton(CaptionButton::Minimize);
        QTRY_VERIFY(m_dialog->isMinimized());
        QTest::mouseMove(m_dialog.get(), QPoint(200, 200));
        QTRY_COMPARE(region(m_dialog->grab().toImage(), caption), before);
        clickButton(CaptionButton::Minimize);
        QTRY_VERIFY(!m_dialog->isMinimized());
    }

    void captionDragsTheWindowButBordersDoNot()
    {
        showDialog();
        const QPoint start = m_dialog->pos();
        QTest::mousePress(m_dialog.get(), Qt::LeftButton, {}, QPoint(200, 20));
        QTest::mouseMove(m_dialog.get(), QPoint(250, 60));
        QTest::mouseRelease(m_dialog.get(), Qt::LeftButton, {}, QPoint(250, 60));
        QTRY_COMPARE(m_dialog->pos(), start + QPoint(50, 40));

        QTest::mousePress(m_dialog.get(), Qt::LeftButton, {}, QPoint(3, 200));
        QTest::mouseMove(m_dialog.get(), QPoint(60, 260));
        QTest::mouseRelease(m_dialog.get(), Qt::LeftButton, {}, QPoint(60, 260));
        QCOMPARE(m_dialog->pos(), start + QPoint(50, 40));
    }

    void enterAndEscapeNeverEndTheDialog()
    {
        auto* edit = new QLineEdit(m_dialog.get());
        showDialog();
        edit->setFocus();
        for (int key : {Qt::Key_Escape, Qt::Key_Return, Qt::Key_Enter}) {
            QTest::keyClick(edit, Qt::Key(key));
            QTest::keyClick(m_dialog.get(), Qt::Key(key));
            QVERIFY(m_dialog->isVisible());
        }
        // A cancel that arrives while Escape is held down is ignored; one without ends it.
        QTest::keyPress(m_dialog.get(), Qt::Key_Escape);
        m_dialog->reject();
        QVERIFY(m_dialog->isVisible());
        QTest::keyRelease(m_dialog.get(), Qt::Key_Escape);
        m_dialog->accept();
        QVERIFY(m_dialog->isVisible());
        m_dialog->reject();
        QVERIFY(!m_dialog->isVisible());
        QVERIFY(MessageBox::recorded().isEmpty());
    }

    void escapeReleasedInAnotherWindowDoesNotBlockClosing()
    {
        showDialog();
        QTest::keyPress(m_dialog.get(), Qt::Key_Escape);
        QWidget other;
        other.show();
        other.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&other));
        QTest::keyRelease(&other, Qt::Key_Escape);
        m_dialog->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(m_dialog.get()));
        m_dialog->reject();
        QVERIFY(!m_dialog->isVisible());
    }

    void shapeRoundsTheTopCornersAndFollowsTheSize()
    {
        showDialog();
        QRegion mask = m_dialog->mask();
        QVERIFY(!mask.contains(QPoint(0, 0)));
        QVERIFY(!mask.contains(QPoint(441, 0)));
        QVERIFY(mask.contains(QPoint(7, 0)));
        QVERIFY(mask.contains(QPoint(0, 478)));
        QVERIFY(mask.contains(QPoint(441, 478)));

        CSkinDlg resizable;
        resizable.resize(600, 300);
        resizable.show();
        QVERIFY(QTest::qWaitForWindowExposed(&resizable));
        mask = resizable.mask();
        QVERIFY(!mask.contains(QPoint(599, 0)));
        QVERIFY(mask.contains(QPoint(599, 299)));
        QVERIFY(mask.contains(QPoint(599, 10)));
        resizable.resize(300, 200);
        QVERIFY(!resizable.mask().contains(QPoint(299, 0)));
        QVERIFY(resizable.mask().contains(QPoint(299, 199)));
    }

private:
    void showDialog()
    {
        m_dialog->show();
        m_dialog->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(m_dialog.get()));
    }

    void clickButton(CaptionButton button)
    {
        const QPoint centre = m_dialog->captionButtonRect(button).center();
        QTest::mousePress(m_dialog.get(), Qt::LeftButton, {}, centre);
        QTest::mouseRelease(m_dialog.get(), Qt::LeftButton, {}, centre);
    }

    QImage closeImage() const
    {
        return region(m_dialog->grab().toImage(), m_dialog->captionButtonRect(CaptionButton::Close));
    }

    QImage minimizeImage() const
    {
        return region(m_dialog->grab().toImage(), m_dialog->captionButtonRect(CaptionButton::Minimize));
    }

    std::unique_ptr<CSkinDlg> m_dialog;
};

QTEST_MAIN(SkinDlgTest)
#include "tst_skinDlg.moc"
