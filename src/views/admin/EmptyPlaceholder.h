#pragma once

class QLabel;
class QString;
class QWidget;

// What an empty console list shows: its symbol in grey over its title, centred.
// The title label (made by the caller, who keeps setting its text) moves into
// the returned page; the symbol is named after it with "Symbol" appended.
QWidget* emptyPlaceholder(QLabel* title, const QString& symbol, QWidget* parent);
