#pragma once

#include <QColor>
#include <QIcon>
#include <QString>

class QAbstractButton;
class QLabel;

// Symbol names of the screens (e.g. "paperplane.fill") mapped to icons of the
// installed Breeze theme. Widgets that show one keep the symbol name in their
// "symbol" property, so tests can tell which icon is shown without comparing pixels.
namespace Icons {

inline constexpr const char* SymbolProperty = "symbol";

// Points Qt at the system icon folders and selects the Breeze theme explicitly,
// so the look does not depend on the desktop the program runs on.
void install();

// The theme icon name for a symbol, or an empty text for a symbol not in the table.
QString themeName(const QString& symbol);
QIcon icon(const QString& symbol);
// The icon drawn at size × size logical pixels, recoloured when tint is valid.
QPixmap pixmap(const QString& symbol, int size, const QColor& tint = {}, qreal devicePixelRatio = 1.0);

void apply(QAbstractButton* button, const QString& symbol, int size, const QColor& tint = {});
void apply(QLabel* label, const QString& symbol, int size, const QColor& tint = {});

} // namespace Icons
