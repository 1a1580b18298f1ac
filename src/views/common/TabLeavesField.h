#pragma once

class QPlainTextEdit;

// A multi-line field the keyboard can leave: Tab and Shift+Tab move to the next
// and previous control instead of typing, and Ctrl+Tab types the tab a text may
// need. The field keeps this as long as it lives.
namespace TabLeavesField {

void apply(QPlainTextEdit* field);

} // namespace TabLeavesField
