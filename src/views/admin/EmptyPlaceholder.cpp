#include "views/admin/EmptyPlaceholder.h"

#include "views/common/Appearance.h"
#include "views/common/Icons.h"

#include <QLabel>
#include <QVBoxLayout>

QWidget* emptyPlaceholder(QLabel* title, const QString& symbol, QWidget* parent)
{
    auto* page = new QWidget(parent);
    auto* column = new QVBoxLayout(page);
    column->addStretch(1);
    auto* icon = new QLabel(page);
    icon->setObjectName(title->objectName() + QStringLiteral("Symbol"));
    Icons::apply(icon, symbol, 40, Appearance::secondaryText());
    column->addWidget(icon, 0, Qt::AlignHCenter);
    title->setParent(page);
    title->setFont(Appearance::font(Appearance::TextStyle::Title2));
    title->setAlignment(Qt::AlignCenter);
    title->setWordWrap(true);
    Appearance::setTextColor(title, Appearance::secondaryText());
    column->addWidget(title);
    column->addStretch(1);
    return page;
}
