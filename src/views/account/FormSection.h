#pragma once

#include <QList>
#include <QWidget>

class QLabel;
class QLayout;
class QVBoxLayout;

// One section of a grouped form: a header over a rounded card of rows divided by
// thin lines. A row may be hidden; the lines follow the rows that show.
class FormSection : public QWidget {
    Q_OBJECT
public:
    explicit FormSection(QWidget* parent = nullptr);

    QLabel* header() const { return m_header; }
    // A row holding one widget across the card (a switch, a button, a list row).
    QWidget* addRow(QWidget* widget);
    // A labelled row: the label on the left, the value on the right.
    QWidget* addRow(QLabel* label, QWidget* value);
    QWidget* addRow(QLayout* content);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void updateDividers();

    QLabel* m_header;
    QWidget* m_card;
    QVBoxLayout* m_rows;
    QList<QWidget*> m_rowWidgets;
    QList<QWidget*> m_dividers;
};
