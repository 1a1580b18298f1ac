#pragma once

#include <QStyledItemDelegate>

// Paints the search sheet's rows: a section's title in grey; a contact or group
// as avatar, name and an optional grey second line; a message as its sender
// and time over at most two lines of its text. A row under the pointer lights up.
class SearchResultRow : public QStyledItemDelegate {
    Q_OBJECT
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
};
