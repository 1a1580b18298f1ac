#include "views/admin/CapsuleBadge.h"

#include "views/admin/TintColor.h"
#include "views/common/Appearance.h"

CapsuleBadge::CapsuleBadge(const QString& text, Tint tint, QWidget* parent)
    : QLabel(parent)
    , m_tint(tint)
{
    setObjectName(QStringLiteral("capsuleBadge"));
    setTextFormat(Qt::PlainText);
    // The padding is all the room around the text: a label with a frame would add half
    // an x on each side of its own.
    setIndent(0);
    setFont(Appearance::font(Appearance::TextStyle::Caption));
    setSizePolicy(QSizePolicy::Maximum, QSizePolicy::Fixed);
    setBadge(text, tint);
}

void CapsuleBadge::setBadge(const QString& text, Tint tint)
{
    m_tint = tint;
    setText(text);
    const QColor colour = tintColor(tint);
    setStyleSheet(QStringLiteral("QLabel { color: %1; background: rgba(%2, %3, %4, 38); border-radius: 8px; padding: 3px 8px; }")
                      .arg(colour.name())
                      .arg(colour.red())
                      .arg(colour.green())
                      .arg(colour.blue()));
}
