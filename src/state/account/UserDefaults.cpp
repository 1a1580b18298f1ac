#include "state/account/UserDefaults.h"

#include <QSettings>

UserDefaults::UserDefaults(QSettings* settings, QObject* parent)
    : QObject(parent)
    , m_settings(settings)
{
}

UserDefaults& UserDefaults::standard()
{
    static QSettings settings;
    static UserDefaults instance(&settings);
    return instance;
}

bool UserDefaults::value(const BoolKey& key) const
{
    return m_settings->value(key.name, key.fallback).toBool();
}

int UserDefaults::value(const IntKey& key) const
{
    bool ok = false;
    const int stored = m_settings->value(key.name, key.fallback).toInt(&ok);
    return ok ? stored : key.fallback;
}

void UserDefaults::setValue(const BoolKey& key, bool value)
{
    store(key.name, value);
}

void UserDefaults::setValue(const IntKey& key, int value)
{
    store(key.name, value);
}

void UserDefaults::store(const QString& name, const QVariant& value)
{
    m_settings->setValue(name, value);
    Q_EMIT valueChanged(name);
}
