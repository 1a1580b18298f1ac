#pragma once

class QFrame;
class QWidget;

// The faint horizontal line that separates a screen's bars and sections.
QFrame* divider(QWidget* parent);
