#pragma once

#include <QStyledItemDelegate>

// Paints the contact column's rows. A header is its letter (or the groups'
// title) in small grey type; a group row is its avatar, name, member count and a
// chevron; a contact row is its avatar with the green dot when online, its name
// and, when it has one, its bio on a second line.
class ContactListDelegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    static constexpr int RowHeight = 44;
    static constexpr int AvatarSize = 32;

    using QStyledItemDelegate::QStyledItemDelegate;

    static int headerHeight();

    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;

private:
    static void paintHeader(QPainter* painter, const QRect& rect, const QString& text);
    static void paintRow(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index);
};
