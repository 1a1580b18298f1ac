#pragma once

#include "views/common/Appearance.h"

class QLabel;
class QString;
class QWidget;

// A label for text that may come from the server: shown as it stands, never as
// rich text, in one of the shared text styles.
QLabel* plainLabel(const QString& text, Appearance::TextStyle style, QWidget* parent);
