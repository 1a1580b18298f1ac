#pragma once

#include "models/Message.h"

#include <QList>
#include <QObject>
#include <QString>

// The messages of one open conversation, oldest first, and every change to them
// told as what it is: rows that go in between or above listed ones, and rows that
// go away, each in a pair of signals around the change; anything else (fields of
// listed messages, messages added at the end, a new list) as one change for a
// list on screen to compare with what it shows.
class ChatMessageList : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

    const QList<Message>& messages() const { return m_messages; }
    qsizetype size() const { return m_messages.size(); }
    const Message& at(qsizetype index) const { return m_messages.at(index); }
    // -1 when no listed message has it.
    qsizetype indexOf(qint64 id) const;
    qsizetype indexOfClientId(const QString& clientMsgId) const;
    // Grows with every new list, so that work started on an older one can tell.
    quint64 generation() const { return m_generation; }

    void replaceAll(QList<Message> messages);
    void append(Message message);
    // Changes fields of a listed message; publishChanges() tells them, once for many.
    Message& edit(qsizetype index) { return m_messages[index]; }
    void publishChanges() { Q_EMIT changed(); }
    // Messages (oldest first) go in before the message at `at` (or at the end).
    void insert(qsizetype at, QList<Message> chronological);
    void removeAt(qsizetype index);
    // Listed messages the server holds (those with a server id).
    qsizetype countOnServer() const;

Q_SIGNALS:
    void changed();
    // Rows first .. first + count - 1 are about to go in, and then went in; nothing
    // else changed. A list on screen that shares the messages lets go of them in
    // between, so that they are not copied.
    void aboutToBeInserted(qsizetype first, qsizetype count);
    void inserted(qsizetype first, qsizetype count);
    // Rows first .. first + count - 1 are about to go away, and then went; nothing else changed.
    void aboutToBeRemoved(qsizetype first, qsizetype count);
    void removed(qsizetype first, qsizetype count);

private:
    QList<Message> m_messages;
    quint64 m_generation = 0;
};
