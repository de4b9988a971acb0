// The main window as a user sees it: the skinned frame around the client area, the
// status group's caption colour, the rounded top corners. With NORVANTA_SCREENSHOT set
// to a file name, the grabbed window is also saved there (the README's picture).

#include "app/AppTexts.h"
#include "app/CNorvantaVPNDlg.h"
#include "tests/app/DialogTestSupport.h"
#include "ui/CFocusEditCtrl.h"
#include "ui/MessageBox.h"

#include <QPainter>
#include "tests/support/QtPatience.h"

#include <memory>

using norvanta::ui::MessageBox;

namespace {

const std::string kServerList =
    "<?xml version=\"1.0\" encoding=\"euc-kr\"?><NewDataSet>"
    "<datarow><server_name>K1-1 \xBC\xAD\xBF\xEF</server_name><server_addr>127.0.0.1</server_addr></datarow>"
    "<datarow><server_name>K2-1 \xBA\xCE\xBB\xEA</server_name><server_addr>localhost</server_addr></datarow>"
    "</NewDataSet>";

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

// The grabbed window with what its shape cuts away made transparent, as on a desktop.
QImage shaped(const QImage& grabbed, const QRegion& shape)
{
    QImage out(grabbed.size(), QImage::Format_ARGB32);
    out.fill(Qt::transparent);
    QPainter painter(&out);
    painter.setClipRegion(shape);
    painter.drawImage(0, 0, grabbed);
    return out;
}

} // namespace

class MainDialogLookTest : public QObject, protected norvanta::apptest::DialogFixture {
    Q_OBJECT

private slots:
    void initTestCase()
    {
        norvanta::testsupport::setEnvironment("NORVANTA_VPN_RAS", "sim");
        startService(kServerList);
        MessageBox::startRecording(true);
        freshHome();
    }

    void cleanupTestCase()
    {
        m_dialog.reset();
        m_home.reset();
        m_service.reset();
    }

    void windowIsTheSkinnedFrameAroundTheClientArea()
    {
        // The window is shown before its list arrives; the picture shows it filled.
        openDialog();
        CNorvantaVPNDlg& dialog = *m_dialog;
        userIdEdit()->setText("demo");
        QVERIFY(MessageBox::recorded().isEmpty());

        QCOMPARE(dialog.size(), QSize(442, 479));
        QCOMPARE(dialog.clientArea()->geometry(), QRect(10, 40, 422, 422));
        QCOMPARE(dialog.windowTitle(), QString::fromUtf8(norvanta::app::text::kDialogTitle));

        const QImage image = dialog.grab().toImage();
        QCOMPARE(image.pixel(300, 0), qRgb(142, 142, 142));
        QCOMPARE(image.pixel(300, 39), qRgb(171, 171, 171));
        QCOMPARE(image.pixel(0, 200), qRgb(134, 134, 134));
        QCOMPARE(image.pixel(441, 200), qRgb(115, 115, 115));
        QCOMPARE(image.pixel(200, 478), qRgb(92, 92, 92));
        QVERIFY2(containsColour(image, QRect(30, 10, 110, 20), qRgb(0, 0, 0)), "the title in black");
        // The status group's caption, in its blue, inside the client area.
        QVERIFY(containsColour(image, QRect(10, 40 + 264, 422, 30), qRgb(16, 140, 231)));
        QVERIFY(!dialog.mask().contains(QPoint(0, 0)));
        QVERIFY(!dialog.mask().contains(QPoint(441, 0)));
        QVERIFY(dialog.mask().contains(QPoint(441, 478)));

        const QByteArray path = qgetenv("NORVANTA_SCREENSHOT");
        if (!path.isEmpty()) {
            QVERIFY(shaped(image, dialog.mask()).save(QString::fromLocal8Bit(path), "PNG"));
        }
    }
};

QTEST_MAIN(MainDialogLookTest)
#include "tst_mainDialogLook.moc"
