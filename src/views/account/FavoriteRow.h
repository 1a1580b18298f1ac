#pragma once

#include "models/Message.h"

#include <QWidget>

// One starred message: the sender's avatar and name, the day it was sent, and a
// line that shows the text or, for media, a labelled icon.
class FavoriteRow : public QWidget {
    Q_OBJECT
public:
    // What the content line shows: an icon with a label (symbol set), or plain
    // text. The label is the text of key when key is set, else text as it stands.
    struct ContentLine {
        QString symbol;
        QString key;
        QString text;
    };
    // By the message type, compared exactly (letter case included).
    static ContentLine contentLine(const Message& message);

    explicit FavoriteRow(Message message, QWidget* parent = nullptr);

    const Message& message() const { return m_message; }

private:
    Message m_message;
};
