#pragma once

class QWidget;

// Gives a panel a faint shade of the secondary text colour and rounded corners,
// as a card or a box of comments on a plain page. The style is scoped by the
// panel's object name (set it first) so that its children keep their own look.
void shadePanel(QWidget* panel, int cornerRadius);
