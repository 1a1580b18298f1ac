#pragma once

#include <QWidget>

class QLabel;
class QScrollArea;
class Spinner;

// The frame of a list column of the account section: a title over a scrolling
// list, a spinner centred over it while loading and, centred too, an icon with
// a text while the list is empty. The screen fills the list and says when it
// loads and whether it is empty. The parts are named after namePrefix
// ("<prefix>Title", "<prefix>List", "<prefix>Empty", "<prefix>EmptyIcon").
class ListColumn : public QWidget {
    Q_OBJECT
public:
    ListColumn(const QString& namePrefix, const QString& emptyIcon, QWidget* parent);

    QScrollArea* list() const { return m_scroll; }
    void setTexts(const QString& title, const QString& emptyText);
    void showState(bool loading, bool empty);

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    QLabel* m_title;
    QScrollArea* m_scroll;
    QWidget* m_empty;
    QLabel* m_emptyText;
    Spinner* m_spinner;
};
