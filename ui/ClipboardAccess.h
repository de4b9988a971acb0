#pragma once

#include <QString>

#include <functional>

namespace norvanta::ui {

// The edits' one door to the clipboard and the alert sound, so that tests can play a
// clipboard another program holds and hear the beep without a desktop.
class ClipboardAccess {
public:
    enum class Status {
        Text,   // text was read
        NoText, // the clipboard could be read but holds no text
        Busy,   // the clipboard could not be opened
    };
    struct Content {
        Status status = Status::NoText;
        QString text; // empty unless status is Text
    };

    // The clipboard's text. Busy when there is no clipboard to open (no application
    // object); NoText when it holds nothing textual or only an empty text.
    static Content readText();
    // The exclamation alert sound.
    static void alert();

    // Tests: from now on reads return what read returns and alert calls alert; an empty
    // function puts the real one back for that half.
    static void setForTesting(std::function<Content()> read, std::function<void()> alert);
    static void resetForTesting();
};

} // namespace norvanta::ui
