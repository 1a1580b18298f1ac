#include "views/account/PreferenceToggle.h"

PreferenceToggle::PreferenceToggle(UserDefaults* defaults, UserDefaults::BoolKey key, QWidget* parent)
    : QCheckBox(parent)
    , m_defaults(defaults)
    , m_key(std::move(key))
{
    setObjectName(m_key.name);
    setChecked(m_defaults->value(m_key));
    // Only the person's own click writes; following another screen's change must not.
    connect(this, &QCheckBox::clicked, this, [this](bool on) { m_defaults->setValue(m_key, on); });
    connect(m_defaults, &UserDefaults::valueChanged, this, [this](const QString& name) {
        if (name == m_key.name)
            setChecked(m_defaults->value(m_key));
    });
}
