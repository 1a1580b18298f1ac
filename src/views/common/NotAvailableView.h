#pragma once

#include <QWidget>

// Stands in for a screen that this build does not have yet, saying so plainly
// instead of showing an empty or pretend screen.
class NotAvailableView : public QWidget {
    Q_OBJECT
public:
    explicit NotAvailableView(const QString& title, QWidget* parent = nullptr);
};

// A placeholder text centred in its column (the detail column's "select a
// conversation" and the like).
class PlaceholderView : public QWidget {
    Q_OBJECT
public:
    explicit PlaceholderView(const QString& text, QWidget* parent = nullptr);
};
