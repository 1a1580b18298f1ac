#pragma once

#include "state/admin/Tint.h"

#include <QLabel>

// A short text in its tint on a pale capsule of the same tint: role, message type,
// word category and session status badges. The text is always plain.
class CapsuleBadge : public QLabel {
    Q_OBJECT
public:
    CapsuleBadge(const QString& text, Tint tint, QWidget* parent = nullptr);

    Tint tint() const { return m_tint; }
    void setBadge(const QString& text, Tint tint);

private:
    Tint m_tint;
};
