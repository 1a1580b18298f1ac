#pragma once

#include <QString>

class QLabel;

// Long names from the server end in "…" within the room a label has; the full
// text stays readable in the tooltip.
namespace ElidedText {

void apply(QLabel* label, const QString& text, int maxWidth);

} // namespace ElidedText
