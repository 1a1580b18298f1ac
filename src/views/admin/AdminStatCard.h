#pragma once

#include "state/admin/Tint.h"

#include <QFrame>

class QLabel;

// One figure of a statistics page: its icon in colour, the value large and the
// title small beneath it.
class AdminStatCard : public QFrame {
    Q_OBJECT
public:
    // What a card shows besides its value: its title's key, its icon and the icon's tint.
    struct Tile {
        const char* titleKey;
        const char* icon;
        Tint tint;
    };

    AdminStatCard(const Tile& tile, const QString& value, QWidget* parent = nullptr);

    // Sets the title in the language in force.
    void retranslate();
    void setValue(const QString& value);
    QString title() const;
    QString value() const;

private:
    void nameForScreenReaders();

    const char* m_titleKey;
    QLabel* m_icon;
    QLabel* m_value;
    QLabel* m_title;
};
