#pragma once

#include <QScrollArea>

// A frameless scroll area for a column of content: the content takes the width
// it is given and scrolls only up and down.
class VerticalScrollArea : public QScrollArea {
    Q_OBJECT
public:
    explicit VerticalScrollArea(QWidget* parent = nullptr);
};
