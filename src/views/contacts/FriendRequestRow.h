#pragma once

#include <QStyledItemDelegate>

// One painted friend request: avatar, name and message, then either the
// accept and reject buttons (greyed while the answer is on its way) or the final
// word. A click on a button reports it; nothing else in the row reacts.
class FriendRequestRow : public QStyledItemDelegate {
    Q_OBJECT
public:
    static constexpr int Height = 48;

    using QStyledItemDelegate::QStyledItemDelegate;

    // Where the two buttons of a pending request stand in its row.
    static QRect acceptRect(const QRect& row);
    static QRect rejectRect(const QRect& row);

    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;

Q_SIGNALS:
    void accepted(const QModelIndex& index);
    void rejected(const QModelIndex& index);

protected:
    bool editorEvent(QEvent* event, QAbstractItemModel* model, const QStyleOptionViewItem& option, const QModelIndex& index) override;
};
