#include "views/common/NotAvailableView.h"

#include "views/common/Appearance.h"

#include <QLabel>
#include <QVBoxLayout>

using Appearance::TextStyle;

NotAvailableView::NotAvailableView(const QString& title, QWidget* parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("notAvailableView"));
    auto* column = new QVBoxLayout(this);
    column->addStretch(1);
    auto* heading = new QLabel(title, this);
    heading->setObjectName(QStringLiteral("notAvailableTitle"));
    heading->setTextFormat(Qt::PlainText);
    heading->setFont(Appearance::font(TextStyle::Title2));
    auto* note = new QLabel(QStringLiteral("Not available yet · 暂未开放"), this);
    note->setObjectName(QStringLiteral("notAvailableNote"));
    note->setFont(Appearance::font(TextStyle::Subheadline));
    note->setStyleSheet(QStringLiteral("color: %1;").arg(Appearance::secondaryText().name()));
    column->addWidget(heading, 0, Qt::AlignHCenter);
    column->addWidget(note, 0, Qt::AlignHCenter);
    column->addStretch(1);
}

PlaceholderView::PlaceholderView(const QString& text, QWidget* parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("placeholderView"));
    auto* column = new QVBoxLayout(this);
    auto* label = new QLabel(text, this);
    label->setObjectName(QStringLiteral("placeholderText"));
    label->setTextFormat(Qt::PlainText);
    label->setFont(Appearance::font(TextStyle::Title2));
    label->setStyleSheet(QStringLiteral("color: %1;").arg(Appearance::secondaryText().name()));
    label->setAlignment(Qt::AlignCenter);
    column->addWidget(label);
}
