#pragma once

#include <QString>

// A failure a screen shows: the text of a localisation key followed directly by
// the error's description. The key is kept rather than its text, so a message
// still on screen follows a language switch.
struct ScreenError {
    QString key;
    QString description;

    QString text() const;

    friend bool operator==(const ScreenError&, const ScreenError&) = default;
};
