#pragma once

#include <Qt>

class QFrame;
class QWidget;

// The faint line that separates a screen's bars and sections (or, vertical, its panes).
QFrame* divider(QWidget* parent, Qt::Orientation orientation = Qt::Horizontal);
