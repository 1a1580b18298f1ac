#pragma once

#include <QString>

// The text of a screen's error alert, kept in parts so that it follows a
// language switch while the alert is open: the localised text of a failure key
// (none for screens that show the description alone), a separator, and the
// error's own description.
struct ScreenError {
    QString key;
    QString separator;
    QString description;

    QString text() const;
};
