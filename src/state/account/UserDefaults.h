#pragma once

#include <QObject>
#include <QString>

class QSettings;

// The user's stored preferences. Every screen bound to a key reads and writes it
// here, and hears valueChanged, so two open screens showing the same preference
// never disagree.
class UserDefaults : public QObject {
    Q_OBJECT
public:
    // A stored preference and the value it has while it was never written.
    struct BoolKey {
        QString name;
        bool fallback;
    };
    struct IntKey {
        QString name;
        int fallback;
    };

    // settings is not owned.
    explicit UserDefaults(QSettings* settings, QObject* parent = nullptr);

    // The application's own preferences store, made on first use.
    static UserDefaults& standard();

    bool value(const BoolKey& key) const;
    // A stored value that is not a whole number reads as the fallback.
    int value(const IntKey& key) const;
    void setValue(const BoolKey& key, bool value);
    void setValue(const IntKey& key, int value);

Q_SIGNALS:
    void valueChanged(const QString& name);

private:
    void store(const QString& name, const QVariant& value);

    QSettings* m_settings;
};
