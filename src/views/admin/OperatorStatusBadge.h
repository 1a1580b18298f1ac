#pragma once

#include <QColor>
#include <QWidget>

class QLabel;

// One counter of the operator console's sidebar: the number large in its colour,
// the label small beneath it.
class OperatorStatusBadge : public QWidget {
    Q_OBJECT
public:
    OperatorStatusBadge(const QString& label, qint64 count, const QColor& color, QWidget* parent = nullptr);

    void setLabel(const QString& label);
    void setCount(qint64 count);
    QString countText() const;

private:
    QLabel* m_count;
    QLabel* m_label;
};
