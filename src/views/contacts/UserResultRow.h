#pragma once

#include <QStyledItemDelegate>

// One painted user found by the add-contact search: avatar, name and public id,
// then the add button (greyed while the request is on its way) or "sent".
class UserResultRow : public QStyledItemDelegate {
    Q_OBJECT
public:
    static constexpr int Height = 48;

    using QStyledItemDelegate::QStyledItemDelegate;

    static QRect addRect(const QRect& row);

    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;

Q_SIGNALS:
    void addClicked(const QModelIndex& index);

protected:
    bool editorEvent(QEvent* event, QAbstractItemModel* model, const QStyleOptionViewItem& option, const QModelIndex& index) override;
};
