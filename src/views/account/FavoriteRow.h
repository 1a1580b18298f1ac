#pragma once

#include "models/Message.h"

#include <QStyledItemDelegate>

// One painted starred message: the sender's avatar and name, the day it was
// sent, and at most two lines that show the text or, for media, a labelled icon.
// Every row has the same height.
class FavoriteRow : public QStyledItemDelegate {
    Q_OBJECT
public:
    static constexpr int AvatarSize = 36;

    // What the content line shows: an icon with a label (symbol set), or plain
    // text. The label is the text of key when key is set, else text as it stands.
    struct ContentLine {
        QString symbol;
        QString key;
        QString text;
    };
    // By the message type, compared exactly (letter case included).
    static ContentLine contentLine(const Message& message);
    // The content line's label in the language in force.
    static QString contentText(const Message& message);
    static QString senderText(const Message& message);

    explicit FavoriteRow(QObject* parent = nullptr);

    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
};
