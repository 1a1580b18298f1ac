#pragma once

// Counts the paint events a widget gets from now on: a change that should redraw
// something is seen to ask for it.

#include <QEvent>
#include <QObject>
#include <QWidget>

struct PaintCount : QObject {
    explicit PaintCount(QWidget* widget) { widget->installEventFilter(this); }
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::Paint)
            ++count;
        return false;
    }
    int count = 0;
};
