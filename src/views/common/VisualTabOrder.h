#pragma once

class QWidget;

// Tab and Shift+Tab go through a window's controls in the order a person reads
// them (left to right, top to bottom, a column at a time), whatever order they were
// made in: screens made later (a section's list, a chat, a header's menu button)
// otherwise join the end of Qt's chain, after controls that stand to their right.
//
// At each level of the widget tree the shown children are read in rows (widgets
// whose heights overlap by more than half stand side by side), each row from the
// left; a control comes where its branch of the tree is read.
namespace VisualTabOrder {

// From now on every Tab and Shift+Tab pressed in root's window first puts root's
// shown controls in reading order. Lasts as long as root.
void keep(QWidget* root);
// Puts root's shown controls in reading order now (Qt's chain, which a hidden
// control also follows when its focus moves on).
void apply(QWidget* root);

} // namespace VisualTabOrder
