#pragma once

#include <QStyledItemDelegate>

// One painted sign-in session of the profile: the platform's icon, the title and
// address, and at the trailing edge "this device" for the current sessions or a
// sign-out button for the others. Every row has the same height.
class SessionRow : public QStyledItemDelegate {
    Q_OBJECT
public:
    // Where a session that is not this device's draws its sign-out button.
    static QRect revokeRect(const QRect& row);

    explicit SessionRow(QObject* parent = nullptr);

    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;

Q_SIGNALS:
    void revokeRequested(int row);

protected:
    bool editorEvent(QEvent* event, QAbstractItemModel* model, const QStyleOptionViewItem& option, const QModelIndex& index) override;
};
