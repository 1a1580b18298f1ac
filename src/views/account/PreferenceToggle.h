#pragma once

#include "state/account/UserDefaults.h"

#include <QCheckBox>

// A switch bound to one stored preference: it writes the moment it changes and
// follows the same preference changed anywhere else (another open screen).
class PreferenceToggle : public QCheckBox {
    Q_OBJECT
public:
    PreferenceToggle(UserDefaults* defaults, UserDefaults::BoolKey key, QWidget* parent = nullptr);

private:
    UserDefaults* m_defaults;
    UserDefaults::BoolKey m_key;
};
