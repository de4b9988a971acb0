#include "ui/MessageBox.h"

#include <QMessageBox>

namespace norvanta::ui {
namespace {

struct Recorder {
    bool active = false;
    bool answer = true;
    QList<MessageBox::Shown> shown;
};

Recorder& recorder()
{
    static Recorder instance;
    return instance;
}

QMessageBox::Icon toQtIcon(MessageBox::Icon icon)
{
    switch (icon) {
    case MessageBox::Icon::Error:
        return QMessageBox::Critical;
    case MessageBox::Icon::Question:
        return QMessageBox::Question;
    case MessageBox::Icon::None:
        break;
    }
    return QMessageBox::NoIcon;
}

} // namespace

void MessageBox::show(QWidget* owner, const QString& caption, const QString& text, Icon icon)
{
    if (recorder().active) {
        recorder().shown.append({caption, text, icon, owner != nullptr});
        return;
    }
    QMessageBox box(toQtIcon(icon), caption, text, QMessageBox::Ok, owner);
    box.exec();
}

bool MessageBox::ask(QWidget* owner, const QString& caption, const QString& text)
{
    if (recorder().active) {
        recorder().shown.append({caption, text, Icon::Question, owner != nullptr});
        return recorder().answer;
    }
    QMessageBox box(QMessageBox::Question, caption, text, QMessageBox::Yes | QMessageBox::No, owner);
    box.setDefaultButton(QMessageBox::No);
    return box.exec() == QMessageBox::Yes;
}

void MessageBox::startRecording(bool answer)
{
    recorder() = Recorder{true, answer, {}};
}

void MessageBox::setNextAnswers(bool answer)
{
    recorder().answer = answer;
}

QList<MessageBox::Shown> MessageBox::recorded()
{
    return recorder().shown;
}

void MessageBox::clearRecorded()
{
    recorder().shown.clear();
}

void MessageBox::stopRecording()
{
    recorder() = Recorder{};
}

} // namespace norvanta::ui
