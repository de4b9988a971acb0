#pragma once

#include <QList>
#include <QString>

class QWidget;

namespace norvanta::ui {

// Every message box of the client goes through here, so that tests can see what would
// have been shown and answer it without a person (see startRecording).
class MessageBox {
public:
    enum class Icon { None, Information, Error, Question };

    struct Shown {
        QString caption;
        QString text;
        Icon icon = Icon::None;
        bool owned = false; // shown over a window rather than on its own
    };

    // Shows text under caption with an OK button and waits until it is dismissed.
    static void show(QWidget* owner, const QString& caption, const QString& text, Icon icon = Icon::None);
    // Asks a yes/no question; true for yes.
    static bool ask(QWidget* owner, const QString& caption, const QString& text);

    // Tests: from now on boxes are recorded instead of shown, and questions get answer.
    static void startRecording(bool answer = true);
    static void setNextAnswers(bool answer);
    static QList<Shown> recorded();
    static void clearRecorded();
    static void stopRecording();
};

} // namespace norvanta::ui
