#include "views/admin/OperatorStatusBadge.h"

#include "views/common/Appearance.h"

#include <QLabel>
#include <QVBoxLayout>

OperatorStatusBadge::OperatorStatusBadge(const QString& label, qint64 count, const QColor& color, QWidget* parent)
    : QWidget(parent)
    , m_count(new QLabel(this))
    , m_label(new QLabel(this))
{
    setObjectName(QStringLiteral("operatorStatusBadge"));
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(2);
    QFont big = Appearance::font(Appearance::TextStyle::Title2);
    big.setBold(true);
    m_count->setFont(big);
    m_count->setObjectName(QStringLiteral("badgeCount"));
    Appearance::setTextColor(m_count, color);
    m_label->setFont(Appearance::font(Appearance::TextStyle::Caption2));
    m_label->setObjectName(QStringLiteral("badgeLabel"));
    Appearance::setTextColor(m_label, Appearance::secondaryText());
    column->addWidget(m_count, 0, Qt::AlignHCenter);
    column->addWidget(m_label, 0, Qt::AlignHCenter);
    setLabel(label);
    setCount(count);
}

void OperatorStatusBadge::setLabel(const QString& label) { m_label->setText(label); }
void OperatorStatusBadge::setCount(qint64 count) { m_count->setText(QString::number(count)); }
QString OperatorStatusBadge::countText() const { return m_count->text(); }
