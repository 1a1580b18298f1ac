#include "views/admin/AdminStatCard.h"

#include "views/admin/TintColor.h"
#include "views/common/Appearance.h"
#include "views/common/Icons.h"
#include "views/common/Localized.h"

#include <QGraphicsDropShadowEffect>
#include <QLabel>
#include <QStringList>
#include <QVBoxLayout>

AdminStatCard::AdminStatCard(const Tile& tile, const QString& value, QWidget* parent)
    : QFrame(parent)
    , m_titleKey(tile.titleKey)
    , m_icon(new QLabel(this))
    , m_value(new QLabel(this))
    , m_title(new QLabel(this))
{
    setObjectName(QStringLiteral("adminStatCard"));
    setStyleSheet(QStringLiteral("#adminStatCard { background: palette(base); border-radius: 10px; }"));
    auto* shadow = new QGraphicsDropShadowEffect(this);
    shadow->setBlurRadius(8);
    shadow->setOffset(0, 2);
    shadow->setColor(QColor(0, 0, 0, 13));
    setGraphicsEffect(shadow);
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(16, 16, 16, 16);
    column->setSpacing(12);
    Icons::apply(m_icon, QString::fromLatin1(tile.icon), 20, tintColor(tile.tint));
    column->addWidget(m_icon, 0, Qt::AlignLeft);
    m_value->setObjectName(QStringLiteral("statValue"));
    m_value->setTextFormat(Qt::PlainText);
    QFont big = Appearance::font(Appearance::TextStyle::Body);
    big.setPixelSize(28);
    big.setBold(true);
    m_value->setFont(big);
    column->addWidget(m_value);
    m_title->setObjectName(QStringLiteral("statTitle"));
    m_title->setTextFormat(Qt::PlainText);
    m_title->setFont(Appearance::font(Appearance::TextStyle::Caption));
    Appearance::setTextColor(m_title, Appearance::secondaryText());
    // Narrow tiles wrap a long title (Vietnamese ones are) rather than cut it.
    m_title->setWordWrap(true);
    column->addWidget(m_title);
    retranslate();
    setValue(value);
}

void AdminStatCard::retranslate()
{
    m_title->setText(Localized::text(m_titleKey));
    nameForScreenReaders();
}

void AdminStatCard::setValue(const QString& value)
{
    m_value->setText(value);
    nameForScreenReaders();
}

void AdminStatCard::nameForScreenReaders()
{
    // On screen the figure and what it counts are two labels; read apart, "12" means
    // nothing. The card reads both, in the order shown.
    QStringList parts;
    for (const QLabel* label : { m_value, m_title }) {
        if (!label->text().isEmpty())
            parts << label->text();
    }
    setAccessibleName(parts.join(QStringLiteral(", ")));
}
QString AdminStatCard::title() const { return m_title->text(); }
QString AdminStatCard::value() const { return m_value->text(); }
