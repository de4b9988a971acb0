// CFocusEditCtrl: the focus colour, its own paste (keys, busy clipboard, undo) and drops.

#include "ui/CFocusEditCtrl.h"
#include "ui/ClipboardAccess.h"

#include <QDir>
#include <QDropEvent>
#include <QMimeData>
#include <QUrl>
#include "tests/support/QtPatience.h"

using norvanta::ui::ClipboardAccess;

namespace {

const QColor kSkyBlue(117, 210, 255);

// A point of the edit's background away from the frame and from any text.
QColor backgroundOf(QLineEdit* edit)
{
    return edit->grab().toImage().pixelColor(edit->width() - 5, edit->height() / 2);
}

} // namespace

class FocusEditTest : public QObject {
    Q_OBJECT

private slots:
    void init()
    {
        m_window = std::make_unique<QWidget>();
        m_first = new CFocusEditCtrl(m_window.get());
        m_second = new CFocusEditCtrl(m_window.get());
        m_second->move(0, 40);
        m_window->resize(200, 100);
        m_window->show();
        m_window->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(m_window.get()));
        m_alerts = 0;
        useClipboard(ClipboardAccess::Status::Text, QStringLiteral("pasted"));
    }

    void cleanup()
    {
        ClipboardAccess::resetForTesting();
        m_window.reset();
    }

    void focusTurnsTheBackgroundSkyBlueAndBack()
    {
        m_first->setFocus();
        QTRY_VERIFY(m_first->hasFocus());
        QCOMPARE(backgroundOf(m_first), kSkyBlue);
        QCOMPARE(m_first->palette().color(QPalette::Text), QColor(Qt::black));
        QVERIFY(backgroundOf(m_second) != kSkyBlue);

        m_second->setFocus();
        QTRY_VERIFY(m_second->hasFocus());
        QVERIFY(backgroundOf(m_first) != kSkyBlue);
        QCOMPARE(backgroundOf(m_second), kSkyBlue);
    }

    // The owner's own palette comes back when the focus leaves.
    void ownPaletteSurvivesTheFocusLook()
    {
        QPalette own = m_first->palette();
        own.setColor(QPalette::Base, QColor(250, 240, 200));
        m_first->setPalette(own);
        m_first->setFocus();
        QTRY_COMPARE(backgroundOf(m_first), kSkyBlue);
        m_second->setFocus();
        QTRY_COMPARE(backgroundOf(m_first), QColor(250, 240, 200));
    }

    void readOnlyOrDisabledEditsNeverTurnBlue()
    {
        m_first->setReadOnly(true);
        m_first->setFocus();
        QTRY_VERIFY(m_first->hasFocus());
        QVERIFY(!m_first->focusLookShown());
        QVERIFY(backgroundOf(m_first) != kSkyBlue);

        // Turning read-only while focused takes the look away at once.
        m_second->setFocus();
        QTRY_VERIFY(m_second->focusLookShown());
        m_second->setReadOnly(true);
        QVERIFY(!m_second->focusLookShown());
        m_second->setReadOnly(false);
        QVERIFY(m_second->focusLookShown());
        m_second->setEnabled(false);
        QVERIFY(!m_second->focusLookShown());
    }

    void pasteKeys_data()
    {
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("modifiers");
        QTest::newRow("Shift with '-'") << int(Qt::Key_Minus) << int(Qt::ShiftModifier);
        QTest::newRow("Shift with the keypad's '-'")
            << int(Qt::Key_Minus) << int(Qt::ShiftModifier | Qt::KeypadModifier);
        QTest::newRow("Control with 'v'") << int(Qt::Key_V) << int(Qt::ControlModifier);
    }

    void pasteKeys()
    {
        QFETCH(int, key);
        QFETCH(int, modifiers);
        m_first->setText(QStringLiteral("ab"));
        m_first->setFocus();
        m_first->setSelection(1, 1);
        QTest::keyClick(m_first, Qt::Key(key), Qt::KeyboardModifiers(modifiers));
        QCOMPARE(m_first->text(), QStringLiteral("apasted"));
        // One undoable change.
        m_first->undo();
        QCOMPARE(m_first->text(), QStringLiteral("ab"));
        QCOMPARE(m_alerts, 0);
    }

    void minusWithoutShiftIsTyped()
    {
        m_first->setFocus();
        QTest::keyClick(m_first, '-');
        QCOMPARE(m_first->text(), QStringLiteral("-"));
    }

    void busyClipboardBeepsAndChangesNothing()
    {
        useClipboard(ClipboardAccess::Status::Busy, {});
        m_first->setText(QStringLiteral("keep"));
        m_first->selectAll();
        QTest::keyClick(m_first, Qt::Key_V, Qt::ControlModifier);
        QCOMPARE(m_first->text(), QStringLiteral("keep"));
        QCOMPARE(m_alerts, 1);
        QVERIFY(!m_first->isUndoAvailable());
    }

    void clipboardWithoutTextChangesNothingSilently()
    {
        useClipboard(ClipboardAccess::Status::NoText, {});
        m_first->setText(QStringLiteral("keep"));
        m_first->pasteFromClipboard();
        QCOMPARE(m_first->text(), QStringLiteral("keep"));
        QCOMPARE(m_alerts, 0);
    }

    void multiLineTextPastesItsFirstLine()
    {
        useClipboard(ClipboardAccess::Status::Text, QStringLiteral("first\r\nsecond"));
        m_first->pasteFromClipboard();
        QCOMPARE(m_first->text(), QStringLiteral("first"));
    }

    void droppedFileGivesItsPath()
    {
        m_first->setText(QStringLiteral("x"));
        m_first->selectAll();
        QMimeData data;
        data.setUrls({QUrl(QStringLiteral("https://example.com/a")),
                      QUrl::fromLocalFile(QStringLiteral("/tmp/some dir/file one.txt")),
                      QUrl::fromLocalFile(QStringLiteral("/tmp/second"))});
        drop(&data);
        // The path as the system writes it (backslashes on Windows).
        QCOMPARE(m_first->text(), QDir::toNativeSeparators(QStringLiteral("/tmp/some dir/file one.txt")));
        m_first->undo();
        QCOMPARE(m_first->text(), QStringLiteral("x"));
    }

    void dropWithoutFilesInsertsNothing()
    {
        m_first->setText(QStringLiteral("x"));
        QMimeData data;
        data.setText(QStringLiteral("dragged text"));
        drop(&data);
        QCOMPARE(m_first->text(), QStringLiteral("x"));
    }

private:
    void useClipboard(ClipboardAccess::Status status, const QString& text)
    {
        ClipboardAccess::setForTesting(
            [status, text] {
                return ClipboardAccess::Content{status, text};
            },
            [this] { ++m_alerts; });
    }

    void drop(QMimeData* data)
    {
        // A drop reaches the widget that accepted the drag's entry, as in a real drag.
        QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, data, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(m_first, &enter);
        QDropEvent event(QPointF(5, 5), Qt::CopyAction, data, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(m_first, &event);
    }

    std::unique_ptr<QWidget> m_window;
    CFocusEditCtrl* m_first = nullptr;
    CFocusEditCtrl* m_second = nullptr;
    int m_alerts = 0;
};

QTEST_MAIN(FocusEditTest)
#include "tst_focusEdit.moc"
