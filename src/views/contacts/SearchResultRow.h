#pragma once

#include <QFrame>

// One found contact, group or message of the search sheet: a row that lights up
// under the pointer and reports a click. Its content is laid out by the sheet.
class SearchResultRow : public QFrame {
    Q_OBJECT
public:
    explicit SearchResultRow(QWidget* parent = nullptr);

Q_SIGNALS:
    void clicked();

protected:
    void mouseReleaseEvent(QMouseEvent* event) override;
};
