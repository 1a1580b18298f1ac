#pragma once

#include <QListWidget>

// The sidebar's six sections as one Tab stop. The chosen section is the selected
// row; Up, Down, Home and End move a focus ring over the rows without switching,
// and Return or Space switches to the ringed one, as a click does. A screen reader
// reads each row as a list item it can press (or toggle) to switch.
class SidebarSectionList : public QListWidget {
    Q_OBJECT
public:
    explicit SidebarSectionList(QWidget* parent = nullptr);

    // Selects the row: the section it stands for becomes the chosen one.
    void choose(int row);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    void moveRing(int row);
};
