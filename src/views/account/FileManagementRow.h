#pragma once

#include "views/common/RowActionDelegate.h"

#include <QColor>

#include <optional>

// One painted file of the files list: an icon coloured by kind, the name, size and
// upload day, a preview button for images and a download button that turns into
// a spinner while the signed link is fetched: the model's actions "preview" and
// "download", with their hover help. Every row has the same height.
class FileManagementRow : public RowActionDelegate {
    Q_OBJECT
public:
    // By the MIME type, lower-cased; the first rule that holds wins.
    static QString iconName(const std::optional<QString>& mimeType);
    static QColor iconColor(const std::optional<QString>& mimeType);
    // "1023 B", "1.5 KB", "5120.0 MB": one decimal with a point, whatever the locale.
    static QString formatFileSize(qint64 bytes);
    // Where a row of the given rectangle has its buttons.
    static QRect downloadRect(const QRect& row);
    static QRect previewRect(const QRect& row);

    explicit FileManagementRow(QObject* parent = nullptr);

    // One step of the spinners of the rows that download.
    void advanceSpinner();

    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;

protected:
    QList<QRect> actionRects(const QStyleOptionViewItem& option, const QModelIndex& index,
                             const QList<RowAction>& actions) const override;

private:
    int m_spinnerStep = 0;
};
