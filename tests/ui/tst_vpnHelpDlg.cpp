// The server information dialog: its legend, its look and OK.

#include "ui/CFontStatic.h"
#include "ui/CVpnHelpDlg.h"

#include <QLabel>
#include <QPushButton>
#include "tests/support/QtPatience.h"

class VpnHelpDlgTest : public QObject {
    Q_OBJECT

private slots:
    void legendHasTheSixLinesAsTheyStand()
    {
        const QStringList lines = CVpnHelpDlg::legendText().split(u'\n');
        QCOMPARE(lines.size(), 6);
        QCOMPARE(lines[0], QString::fromUtf8("K") + QString(27, u' ') + QString::fromUtf8("한국서버"));
        QCOMPARE(lines[1], QString::fromUtf8("C") + QString(27, u' ') + QString::fromUtf8("중국서버"));
        QCOMPARE(lines[2], QString(39, u'-'));
        QCOMPARE(lines[3], QString::fromUtf8("[K/C] 1-?") + QString(16, u' ') + QString::fromUtf8("유동/고정IP 모두"));
        QCOMPARE(lines[4], QString::fromUtf8("[K/C] 2-?") + QString(16, u' ') + QString::fromUtf8("유동IP 전용"));
        QCOMPARE(lines[5], QString::fromUtf8("[K/C] 3-?") + QString(16, u' ') + QString::fromUtf8("고정IP 전용"));
    }

    void layoutFollowsTheTemplate()
    {
        CVpnHelpDlg dialog;
        QCOMPARE(dialog.windowTitle(), QString::fromUtf8("Norvanta VPN 서버정보"));
        QCOMPARE(dialog.size(), QSize(350, 165));
        QCOMPARE(dialog.legendLabel()->geometry(), QRect(12, 12, 326, 109));
        QCOMPARE(dialog.okButton()->text(), QString::fromUtf8("확인"));
        QCOMPARE(dialog.legendLabel()->text(), CVpnHelpDlg::legendText());
        const CFontStatic::Style& style = dialog.legendLabel()->style();
        QCOMPARE(style.face, QString::fromUtf8("굴림"));
        QCOMPARE(style.height, 12);
        QVERIFY(style.bold);
        QVERIFY(style.ownBackground);
    }

    // While connected the link's lines come under the legend, and the dialog grows so
    // that nothing overlaps and OK stays inside it.
    void linkDetailsGetLinesOfTheirOwn()
    {
        CVpnHelpDlg dialog;
        dialog.setLinkDetails({});
        QVERIFY(dialog.linkDetailsLabel() == nullptr);
        QCOMPARE(dialog.size(), QSize(350, 165));

        const QStringList lines{QString::fromUtf8("주소 10.8.0.2"), QString::fromUtf8("암호화 MPPE 128비트")};
        dialog.setLinkDetails(lines);
        const QLabel* label = dialog.linkDetailsLabel();
        QVERIFY(label != nullptr);
        QCOMPARE(label->text(), lines.join(u'\n'));
        QVERIFY(label->geometry().top() > dialog.legendLabel()->geometry().bottom());
        QVERIFY(dialog.okButton()->geometry().top() > label->geometry().bottom());
        QVERIFY(dialog.rect().contains(dialog.okButton()->geometry()));
        QVERIFY(label->sizeHint().height() <= label->height());
    }

    void legendIsBlackOnYellow()
    {
        CVpnHelpDlg dialog;
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        const QImage image = dialog.legendLabel()->grab().toImage();
        QCOMPARE(image.pixelColor(image.width() - 2, image.height() - 2), QColor(255, 255, 0));
        // Six lines of text: ink in six separate bands from the top.
        int bands = 0;
        bool inBand = false;
        for (int y = 0; y < image.height(); ++y) {
            bool black = false;
            for (int x = 0; x < image.width() && !black; ++x) {
                black = image.pixelColor(x, y).value() < 60;
            }
            bands += black && !inBand ? 1 : 0;
            inBand = black;
        }
        QCOMPARE(bands, 6);
    }

    void okClosesAndTheDialogOpensTheSameAgain()
    {
        for (int round = 0; round < 2; ++round) {
            CVpnHelpDlg dialog;
            QTimer::singleShot(0, &dialog, [&dialog] { QTest::mouseClick(dialog.okButton(), Qt::LeftButton); });
            QCOMPARE(dialog.exec(), int(QDialog::Accepted));
            QCOMPARE(dialog.legendLabel()->text(), CVpnHelpDlg::legendText());
        }
    }
};

QTEST_MAIN(VpnHelpDlgTest)
#include "tst_vpnHelpDlg.moc"
