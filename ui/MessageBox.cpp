#include "ui/MessageBox.h"

#include <QGridLayout>
#include <QMessageBox>
#include <QSpacerItem>

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
    case MessageBox::Icon::Information:
        return QMessageBox::Information;
    case MessageBox::Icon::Error:
        return QMessageBox::Critical;
    case MessageBox::Icon::Question:
        return QMessageBox::Question;
    case MessageBox::Icon::None:
        break;
    }
    return QMessageBox::NoIcon;
}

// A message box is as wide as its text; a window manager then cuts a longer caption
// ("Norvant... 클라이언트"). Room for the caption, its frame's buttons and margins.
void makeRoomForTheCaption(QMessageBox& box)
{
    auto* grid = qobject_cast<QGridLayout*>(box.layout());
    if (grid == nullptr) {
        return;
    }
    constexpr int kFrameButtonsAndMargins = 140;
    const int wanted = box.fontMetrics().horizontalAdvance(box.windowTitle()) + kFrameButtonsAndMargins;
    grid->addItem(new QSpacerItem(wanted, 0, QSizePolicy::Minimum, QSizePolicy::Expanding), grid->rowCount(), 0, 1,
                  grid->columnCount());
}

} // namespace

void MessageBox::show(QWidget* owner, const QString& caption, const QString& text, Icon icon)
{
    if (recorder().active) {
        recorder().shown.append({caption, text, icon, owner != nullptr});
        return;
    }
    QMessageBox box(toQtIcon(icon), caption, text, QMessageBox::Ok, owner);
    makeRoomForTheCaption(box);
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
    makeRoomForTheCaption(box);
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
