// QEL_ButtonEx and QEL_CheckBoxEx as they are drawn and as they behave, on strips made
// here so the checks do not depend on the program's artwork.

#include "ui/CheckToggledEvent.h"
#include "ui/QEL_ButtonEx.h"
#include "ui/QEL_CheckBoxEx.h"

#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include "tests/support/QtPatience.h"

using norvanta::ui::CheckToggledEvent;
using QEL::QEL_Control::QEL_ButtonEx;
using QEL::QEL_Control::QEL_CheckBoxEx;

namespace {

const QColor kHostColour(0, 255, 255);
const QColor kKey(255, 0, 255);
const QColor kButtonFrames[] = {QColor(200, 0, 0), QColor(0, 160, 0), QColor(0, 0, 200)};
const QColor kBoxFrames[] = {QColor(10, 10, 120), QColor(90, 90, 220), QColor(250, 200, 0), QColor(128, 128, 128)};

// Three 30 x 10 frames side by side, each with a key-coloured 3-pixel band at its left.
QImage buttonStrip()
{
    QImage image(90, 10, QImage::Format_RGB888);
    QPainter painter(&image);
    for (int frame = 0; frame < 3; ++frame) {
        painter.fillRect(frame * 30, 0, 30, 10, kButtonFrames[frame]);
        painter.fillRect(frame * 30, 0, 3, 10, kKey);
    }
    return image;
}

// Four 13 x 13 frames, side by side or stacked.
QImage boxStrip(bool horizontal)
{
    QImage image(horizontal ? 52 : 13, horizontal ? 13 : 52, QImage::Format_RGB888);
    QPainter painter(&image);
    for (int frame = 0; frame < 4; ++frame) {
        painter.fillRect(horizontal ? frame * 13 : 0, horizontal ? 0 : frame * 13, 13, 13, kBoxFrames[frame]);
    }
    return image;
}

// A parent with a plain background that records the toggle events posted to it.
class Host : public QWidget {
public:
    Host()
    {
        setAutoFillBackground(true);
        QPalette palette;
        palette.setColor(QPalette::Window, kHostColour);
        setPalette(palette);
        resize(200, 80);
    }
    QList<QPair<const QObject*, int>> toggles;

protected:
    bool event(QEvent* event) override
    {
        if (event->type() == CheckToggledEvent::kType) {
            const auto* toggled = static_cast<CheckToggledEvent*>(event);
            toggles.append({toggled->box(), toggled->state()});
            return true;
        }
        return QWidget::event(event);
    }
};

QColor pixelAt(QWidget* widget, QPoint point)
{
    return widget->grab().toImage().pixelColor(point);
}

void moveOver(QWidget* widget, QPoint point, Qt::MouseButtons buttons)
{
    QMouseEvent move(QEvent::MouseMove, point, widget->mapToGlobal(point), Qt::NoButton, buttons, Qt::NoModifier);
    QCoreApplication::sendEvent(widget, &move);
}

} // namespace

class BitmapControlsTest : public QObject {
    Q_OBJECT

private slots:
    void buttonSizesItselfToOneFrame()
    {
        Host host;
        QEL_ButtonEx button(&host);
        button.move(10, 20);
        button.setStripKind(1);
        button.setHorizontal(true);
        QCOMPARE(button.SetBitmap(buttonStrip()), 1);
        QCOMPARE(button.size(), QSize(30, 10));
        QCOMPARE(button.pos(), QPoint(10, 20));

        QImage program(360, 37, QImage::Format_RGB888);
        program.fill(Qt::green);
        QCOMPARE(button.SetBitmap(program), 1);
        QCOMPARE(button.size(), QSize(120, 37));

        button.setHorizontal(false);
        button.setStripKind(3);
        QCOMPARE(button.SetBitmap(QImage(20, 42, QImage::Format_RGB888)), 1);
        QCOMPARE(button.frameSize(), QSize(20, 10));
    }

    void buttonWithoutUsableStripHasNoImage()
    {
        QEL_ButtonEx button;
        button.setStripKind(9);
        QCOMPARE(button.SetBitmap(buttonStrip()), 0);
        QVERIFY(!button.hasImage());
        button.setStripKind(1);
        QCOMPARE(button.SetBitmap(QImage()), 0);
        QVERIFY(!button.hasImage());
    }

    void buttonShowsTheFrameOfItsState_data()
    {
        QTest::addColumn<bool>("down");
        QTest::addColumn<bool>("enabled");
        QTest::addColumn<int>("frame");
        QTest::newRow("normal shows frame 0") << false << true << 0;
        QTest::newRow("held down shows frame 1") << true << true << 1;
        QTest::newRow("disabled shows frame 2") << false << false << 2;
        QTest::newRow("disabled wins over held down") << true << false << 2;
    }

    void buttonShowsTheFrameOfItsState()
    {
        QFETCH(bool, down);
        QFETCH(bool, enabled);
        QFETCH(int, frame);
        Host host;
        QEL_ButtonEx button(&host);
        button.move(10, 20);
        button.setStripKind(1);
        button.setHorizontal(true);
        button.setDrawMode(1);
        button.setTransparentColor(kKey);
        QCOMPARE(button.SetBitmap(buttonStrip()), 1);
        button.setDown(down);
        button.setEnabled(enabled);
        QCOMPARE(pixelAt(&host, QPoint(10 + 15, 20 + 5)), kButtonFrames[frame]);
        QCOMPARE(button.currentFrame(), frame);
    }

    // In the transparent mode the key colour is left out and the parent shows; the
    // opaque mode copies it like any other colour.
    void keyColouredPixelsAreNotDrawn()
    {
        Host host;
        QEL_ButtonEx button(&host);
        button.move(10, 20);
        button.setStripKind(1);
        button.setHorizontal(true);
        QCOMPARE(button.SetBitmap(buttonStrip()), 1);
        QCOMPARE(pixelAt(&host, QPoint(11, 25)), kKey);
        button.setDrawMode(1);
        button.setTransparentColor(kKey);
        QCOMPARE(pixelAt(&host, QPoint(11, 25)), kHostColour);
        QCOMPARE(pixelAt(&host, QPoint(13, 25)), kButtonFrames[0]);
    }

    void checkBoxShowsTheFrameOfItsState_data()
    {
        QTest::addColumn<bool>("horizontal");
        QTest::addColumn<bool>("checked");
        QTest::addColumn<bool>("pointerOver");
        QTest::addColumn<bool>("enabled");
        QTest::addColumn<int>("frame");
        for (bool horizontal : {true, false}) {
            const QByteArray strip = horizontal ? "side by side: " : "stacked: ";
            QTest::newRow(strip + "unchecked") << horizontal << false << false << true << 0;
            QTest::newRow(strip + "pointer over") << horizontal << false << true << true << 1;
            QTest::newRow(strip + "checked") << horizontal << true << false << true << 2;
            QTest::newRow(strip + "checked under the pointer") << horizontal << true << true << true << 2;
            QTest::newRow(strip + "disabled") << horizontal << true << false << false << 3;
        }
    }

    void checkBoxShowsTheFrameOfItsState()
    {
        QFETCH(bool, horizontal);
        QFETCH(bool, checked);
        QFETCH(bool, pointerOver);
        QFETCH(bool, enabled);
        QFETCH(int, frame);
        Host host;
        QEL_CheckBoxEx box(&host);
        QCOMPARE(box.SetBitmap(boxStrip(horizontal)), 1);
        QVERIFY(box.Create(QStringLiteral("Box"), 20, 10, 100, 23));
        box.setLastFrameIndex(3);
        box.setHorizontal(horizontal);
        box.setChecked(checked);
        if (pointerOver) {
            moveOver(&box, QPoint(5, 5), Qt::NoButton);
            QVERIFY(box.hover());
        }
        box.setEnabled(enabled);
        QCOMPARE(pixelAt(&host, QPoint(20 + 6, 10 + 6)), kBoxFrames[frame]);
    }

    void checkBoxLabelStartsThreePixelsAfterTheBox()
    {
        Host host;
        QEL_CheckBoxEx box(&host);
        QCOMPARE(box.SetBitmap(boxStrip(true)), 1);
        QVERIFY(box.Create(QStringLiteral("WWWW"), 0, 0, 80, 13));
        QCOMPARE(box.geometry(), QRect(0, 0, 80, 13));
        box.setLastFrameIndex(3);
        box.setTextColor(Qt::black);
        QCOMPARE(box.labelX(), 16);
        const QImage image = host.grab().toImage();
        bool inked = false;
        for (int y = 0; y < 13; ++y) {
            for (int x = 13; x < 16; ++x) {
                QCOMPARE(image.pixelColor(x, y), kHostColour);
            }
            for (int x = 16; x < 80; ++x) {
                inked = inked || image.pixelColor(x, y).value() < 100;
            }
        }
        QVERIFY(inked);
    }

    void checkBoxWithoutImageIsNotCreated()
    {
        Host host;
        QEL_CheckBoxEx box(&host);
        QCOMPARE(box.SetBitmap(QImage()), 0);
        QVERIFY(!box.Create(QStringLiteral("Box"), 20, 10, 100, 23));
        host.show();
        QVERIFY(!box.isVisible());
    }

    void clickTogglesAndPostsTheNewState()
    {
        Host host;
        QEL_CheckBoxEx box(&host);
        QCOMPARE(box.SetBitmap(boxStrip(true)), 1);
        QVERIFY(box.Create(QStringLiteral("Box"), 0, 0, 80, 13));
        box.setLastFrameIndex(3);

        QTest::mouseClick(&box, Qt::LeftButton, {}, QPoint(5, 5));
        QVERIFY(box.isChecked());
        QVERIFY2(host.toggles.isEmpty(), "posted, not sent");
        QCoreApplication::sendPostedEvents(&host);
        QCOMPARE(host.toggles.size(), 1);
        QCOMPARE(host.toggles.first().first, &box);
        QCOMPARE(host.toggles.first().second, 1);
        QCOMPARE(pixelAt(&box, QPoint(6, 6)), kBoxFrames[2]);

        box.click();
        QCoreApplication::sendPostedEvents(&host);
        QCOMPARE(host.toggles.size(), 2);
        QCOMPARE(host.toggles.last().second, 0);
        QVERIFY(!box.isChecked());

        // The owner setting the state is not a click: nothing is posted.
        box.setChecked(true);
        QCoreApplication::sendPostedEvents(&host);
        QCOMPARE(host.toggles.size(), 2);
    }

    // A box inside a container of its dialog reports to the dialog when told to.
    void toggleGoesToTheNotifyTarget()
    {
        Host host;
        QWidget container(&host);
        QEL_CheckBoxEx box(&container);
        QCOMPARE(box.SetBitmap(boxStrip(true)), 1);
        QVERIFY(box.Create(QStringLiteral("Box"), 0, 0, 80, 13));
        box.setNotifyTarget(&host);
        box.click();
        QCoreApplication::sendPostedEvents(&host);
        QCOMPARE(host.toggles.size(), 1);
        QCOMPARE(host.toggles.first().second, 1);
    }

    void draggingInWithTheButtonHeldDoesNotLightTheBox()
    {
        Host host;
        QEL_CheckBoxEx box(&host);
        QCOMPARE(box.SetBitmap(boxStrip(true)), 1);
        QVERIFY(box.Create(QStringLiteral("Box"), 20, 10, 100, 23));
        box.setLastFrameIndex(3);
        moveOver(&box, QPoint(5, 5), Qt::LeftButton);
        QVERIFY(!box.hover());
        QCOMPARE(pixelAt(&host, QPoint(26, 16)), kBoxFrames[0]);
        moveOver(&box, QPoint(6, 5), Qt::NoButton);
        QVERIFY(box.hover());
        QCOMPARE(pixelAt(&host, QPoint(26, 16)), kBoxFrames[1]);
        moveOver(&box, QPoint(200, 5), Qt::NoButton);
        QVERIFY(!box.hover());
    }

    void focusLossAndLeavingClearHover()
    {
        Host host;
        QEL_CheckBoxEx box(&host);
        QLineEdit other(&host);
        other.move(0, 40);
        QCOMPARE(box.SetBitmap(boxStrip(true)), 1);
        QVERIFY(box.Create(QStringLiteral("Box"), 0, 0, 80, 13));
        box.setLastFrameIndex(3);
        host.show();
        host.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&host));

        box.setFocus();
        QTRY_VERIFY(box.hasFocus());
        moveOver(&box, QPoint(5, 5), Qt::NoButton);
        QVERIFY(box.hover());
        other.setFocus();
        QTRY_VERIFY(!box.hasFocus());
        QVERIFY(!box.hover());
        QCOMPARE(pixelAt(&box, QPoint(6, 6)), kBoxFrames[0]);

        moveOver(&box, QPoint(5, 5), Qt::NoButton);
        QVERIFY(box.hover());
        QEvent leave(QEvent::Leave);
        QCoreApplication::sendEvent(&box, &leave);
        QVERIFY(!box.hover());
    }

    // Every keyboard stop must show that it has the focus, and the buttons the pointer:
    // the mark appears over the picture with the state and goes with it, leaving the
    // picture exactly as it was.
    void controlsMarkFocusAndPointer_data()
    {
        QTest::addColumn<bool>("button");
        QTest::addColumn<bool>("focus"); // else the pointer
        QTest::newRow("button: focus") << true << true;
        QTest::newRow("button: pointer") << true << false;
        QTest::newRow("check box: focus") << false << true;
    }

    void controlsMarkFocusAndPointer()
    {
        QFETCH(bool, button);
        QFETCH(bool, focus);
        Host host;
        QLineEdit other(&host);
        other.move(0, 50);
        QEL_ButtonEx image(&host);
        QEL_CheckBoxEx box(&host);
        QWidget* control = nullptr;
        if (button) {
            image.setStripKind(1);
            image.setHorizontal(true);
            QImage strip(360, 37, QImage::Format_RGB888);
            strip.fill(kButtonFrames[0]);
            QCOMPARE(image.SetBitmap(strip), 1);
            box.hide();
            control = &image;
        } else {
            QCOMPARE(box.SetBitmap(boxStrip(true)), 1);
            QVERIFY(box.Create(QStringLiteral("Box"), 0, 0, 80, 13));
            box.setLastFrameIndex(3);
            image.hide();
            control = &box;
        }
        host.show();
        host.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&host));
        other.setFocus();
        QTRY_VERIFY(other.hasFocus());
        // Wherever the platform's pointer happens to be, it starts outside.
        QEvent away(QEvent::Leave);
        QCoreApplication::sendEvent(control, &away);
        const QImage plain = control->grab().toImage();

        if (focus) {
            control->setFocus(Qt::TabFocusReason);
            QTRY_VERIFY(control->hasFocus());
        } else {
            QEnterEvent enter(QPointF(5, 5), QPointF(5, 5), control->mapToGlobal(QPointF(5, 5)));
            QCoreApplication::sendEvent(control, &enter);
        }
        const QImage marked = control->grab().toImage();
        QVERIFY2(marked != plain, "the state shows");

        if (focus) {
            other.setFocus();
            QTRY_VERIFY(!control->hasFocus());
        } else {
            QEvent leave(QEvent::Leave);
            QCoreApplication::sendEvent(control, &leave);
        }
        QCOMPARE(control->grab().toImage(), plain);
    }

    // The main window's save boxes are 13 pixels high, hardly more than their Hangul
    // labels: wherever the focus mark goes, none of its dots may lie on or beside a
    // pixel the label inked.
    void checkBoxFocusMarkClearsTheLabelsInk_data()
    {
        QTest::addColumn<QString>("label");
        QTest::addColumn<int>("width");
        QTest::newRow("아이디저장") << QString::fromUtf8("아이디저장") << 80;
        QTest::newRow("비밀번호저장") << QString::fromUtf8("비밀번호저장") << 90;
        QTest::newRow("Latin descenders") << QStringLiteral("Jpgqy") << 80;
    }

    void checkBoxFocusMarkClearsTheLabelsInk()
    {
        QFETCH(QString, label);
        QFETCH(int, width);
        Host host;
        QLineEdit other(&host);
        other.move(0, 50);
        QEL_CheckBoxEx box(&host);
        QCOMPARE(box.SetBitmap(boxStrip(true)), 1);
        QVERIFY(box.Create(label, 0, 0, width, 13));
        box.setLastFrameIndex(3);
        box.setTextColor(Qt::black);
        host.show();
        host.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&host));
        other.setFocus();
        QTRY_VERIFY(other.hasFocus());
        const QRect area = box.geometry();
        const QImage plain = host.grab(area).toImage();
        box.setFocus(Qt::TabFocusReason);
        QTRY_VERIFY(box.hasFocus());
        const QImage marked = host.grab(area).toImage();

        const auto inked = [&](int x, int y) {
            return x >= box.labelX() && plain.rect().contains(x, y) && plain.pixelColor(x, y) != kHostColour;
        };
        int markDots = 0;
        for (int y = 0; y < marked.height(); ++y) {
            for (int x = box.labelX() - 3; x < marked.width(); ++x) {
                if (marked.pixel(x, y) == plain.pixel(x, y)) {
                    continue;
                }
                ++markDots;
                for (int dy = -1; dy <= 1; ++dy) {
                    for (int dx = -1; dx <= 1; ++dx) {
                        QVERIFY2(!inked(x + dx, y + dy),
                                 qPrintable(QStringLiteral("a dot at (%1, %2) touches the ink at (%3, %4)")
                                                .arg(x)
                                                .arg(y)
                                                .arg(x + dx)
                                                .arg(y + dy)));
                    }
                }
            }
        }
        QVERIFY2(markDots > 0, "the focus shows");
    }
};

QTEST_MAIN(BitmapControlsTest)
#include "tst_bitmapControls.moc"
