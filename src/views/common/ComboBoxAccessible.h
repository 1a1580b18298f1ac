#pragma once

class QComboBox;
class QString;

// On Linux Qt names a combo box by its current choice (its label only stands in a
// relation beside it), so a screen reader says "Political, combo box, Political"
// and never what is being chosen. A combo box named here is read by that name
// (its label's text) with its choice as its value, and still opens by its action.
namespace ComboBoxAccessible {

void setName(QComboBox* box, const QString& name);

} // namespace ComboBoxAccessible
