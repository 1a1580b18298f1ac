#include "views/admin/AdminCellDelegate.h"

#include "views/admin/ActionDescription.h"
#include "views/admin/TintColor.h"
#include "views/common/Appearance.h"
#include "views/common/PlainToolTip.h"

#include <QApplication>
#include <QPainter>
#include <QStyleOptionButton>

namespace {

constexpr int CellPadding = 4;
constexpr int ButtonSpacing = 8;
constexpr int ButtonHeight = 24;

AdminCellDelegate::Kind kindOf(const QModelIndex& index)
{
    return AdminCellDelegate::Kind(index.data(AdminCellDelegate::KindRole).toInt());
}

Tint tintOf(const QModelIndex& index)
{
    return Tint(index.data(AdminCellDelegate::TintRole).toInt());
}

QList<RowAction> actionsOf(const QModelIndex& index)
{
    return index.data(AdminCellDelegate::ActionsRole).value<QList<RowAction>>();
}

const QStyle* styleOf(const QStyleOptionViewItem& option)
{
    return option.widget ? option.widget->style() : QApplication::style();
}

} // namespace

AdminCellDelegate::AdminCellDelegate(QObject* parent)
    : RowActionDelegate(parent)
{
}

QVariant AdminCellDelegate::textData(const QString& text, TextStyle style, int role)
{
    switch (role) {
    case KindRole:
        return int(Kind::Text);
    case Qt::DisplayRole:
        return text;
    case Qt::ToolTipRole:
        return plainToolTip(text);
    case Qt::FontRole: {
        QFont font = Appearance::font(style == TextStyle::Body ? Appearance::TextStyle::Body : Appearance::TextStyle::Caption);
        if (style == TextStyle::CaptionMonospaced)
            font.setFamilies({ QStringLiteral("DejaVu Sans Mono"), QStringLiteral("Noto Sans CJK SC") });
        return font;
    }
    case Qt::ForegroundRole:
        return style == TextStyle::CaptionSecondary ? QVariant(Appearance::secondaryText()) : QVariant();
    default:
        return {};
    }
}

QVariant AdminCellDelegate::badgeData(const QString& text, Tint tint, int role)
{
    switch (role) {
    case KindRole:
        return int(Kind::Badge);
    case Qt::DisplayRole:
        return text;
    case TintRole:
        return int(tint);
    default:
        return {};
    }
}

QVariant AdminCellDelegate::dotData(const QString& word, Tint tint, int role)
{
    switch (role) {
    case KindRole:
        return int(Kind::Dot);
    case Qt::DisplayRole:
        return word;
    case TintRole:
        return int(tint);
    default:
        return {};
    }
}

QVariant AdminCellDelegate::actionsData(const QList<RowAction>& actions, int role)
{
    if (role == KindRole)
        return int(Kind::Actions);
    // Every button, the ones waiting for their request said to be unavailable.
    if (role == Qt::AccessibleTextRole || role == Qt::AccessibleDescriptionRole)
        return describeActions(actions);
    return RowAction::data(actions, role);
}

RowAction AdminCellDelegate::cellAction(const QString& name, const QString& text, std::optional<Tint> tint, bool enabled)
{
    return RowAction { name, text, tint == Tint::Red ? RowAction::Kind::Destructive : RowAction::Kind::Plain, enabled, QString(),
                       tint ? tintColor(*tint) : QColor() };
}

QFont AdminCellDelegate::cellFont()
{
    return Appearance::font(Appearance::TextStyle::Caption);
}

QList<QRect> AdminCellDelegate::actionRects(const QStyleOptionViewItem& option, const QModelIndex& index,
                                            const QList<RowAction>& actions) const
{
    if (kindOf(index) != Kind::Actions)
        return {};
    return actionRects(option.rect, actions, cellFont());
}

QList<QRect> AdminCellDelegate::actionRects(const QRect& cell, const QList<RowAction>& actions, const QFont& font)
{
    const QFontMetrics metrics(font);
    QList<QRect> rects;
    int x = cell.left() + CellPadding;
    const int height = std::min(ButtonHeight, cell.height() - 2);
    const int top = cell.top() + (cell.height() - height) / 2;
    for (const RowAction& action : actions) {
        const int width = metrics.horizontalAdvance(action.text) + 2 * 10;
        rects.append(QRect(x, top, width, height));
        x += width + ButtonSpacing;
    }
    return rects;
}

QSize AdminCellDelegate::sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    const QFontMetrics metrics(cellFont());
    // Slack of two pixels: eliding measures glyph bearings and would shorten a text that fits exactly.
    const int slack = 2;
    switch (kindOf(index)) {
    case Kind::Text:
        return QStyledItemDelegate::sizeHint(option, index);
    case Kind::Badge:
        return { metrics.horizontalAdvance(index.data().toString()) + 12 + 2 * CellPadding + slack, metrics.height() + 8 };
    case Kind::Dot:
        return { 8 + 4 + metrics.horizontalAdvance(index.data().toString()) + 2 * CellPadding + slack, metrics.height() + 8 };
    case Kind::Actions: {
        const QList<QRect> rects = actionRects(QRect(0, 0, 0, ButtonHeight + 4), actionsOf(index), cellFont());
        return { rects.isEmpty() ? 0 : rects.last().right() + CellPadding, ButtonHeight + 4 };
    }
    }
    return {};
}

void AdminCellDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    if (kindOf(index) == Kind::Text) {
        QStyledItemDelegate::paint(painter, option, index);
        return;
    }
    // The row's background and selection, then the cell's own drawing on top.
    QStyleOptionViewItem background = option;
    initStyleOption(&background, index);
    background.text.clear();
    styleOf(option)->drawControl(QStyle::CE_ItemViewItem, &background, painter, option.widget);
    painter->save();
    painter->setRenderHint(QPainter::Antialiasing);
    switch (kindOf(index)) {
    case Kind::Badge:
        paintBadge(painter, option, index);
        break;
    case Kind::Dot:
        paintDot(painter, option, index);
        break;
    case Kind::Actions:
        paintActions(painter, option, index);
        break;
    case Kind::Text:
        break;
    }
    painter->restore();
}

void AdminCellDelegate::paintBadge(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    const QFont font = cellFont();
    const QFontMetrics metrics(font);
    const QRect cell = option.rect.adjusted(CellPadding, 0, -CellPadding, 0);
    const QString text = metrics.elidedText(index.data().toString(), Qt::ElideRight, std::max(0, cell.width() - 12));
    const int height = metrics.height() + 4;
    const QRect capsule(cell.left(), cell.top() + (cell.height() - height) / 2,
                        std::min(cell.width(), metrics.horizontalAdvance(text) + 12), height);
    const QColor colour = tintColor(tintOf(index));
    QColor fill = colour;
    fill.setAlpha(38);
    painter->setPen(Qt::NoPen);
    // On the selection's blue a pale tint would vanish: the capsule turns white there.
    painter->setBrush(option.state & QStyle::State_Selected ? QColor(Qt::white) : fill);
    painter->drawRoundedRect(capsule, 8, 8);
    painter->setFont(font);
    painter->setPen(colour);
    painter->drawText(capsule, Qt::AlignCenter, text);
}

void AdminCellDelegate::paintDot(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    const QRect cell = option.rect.adjusted(CellPadding, 0, -CellPadding, 0);
    const QRect dot(cell.left(), cell.center().y() - 4, 8, 8);
    painter->setPen(Qt::NoPen);
    painter->setBrush(tintColor(tintOf(index)));
    painter->drawEllipse(dot);
    const QString word = index.data().toString();
    if (word.isEmpty())
        return;
    const QFont font = cellFont();
    const QRect textRect = cell.adjusted(8 + 4, 0, 0, 0);
    painter->setFont(font);
    painter->setPen(option.palette.color(option.state & QStyle::State_Selected ? QPalette::HighlightedText : QPalette::Text));
    painter->drawText(textRect, Qt::AlignLeft | Qt::AlignVCenter, QFontMetrics(font).elidedText(word, Qt::ElideRight, textRect.width()));
}

void AdminCellDelegate::paintActions(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    const QList<RowAction> actions = actionsOf(index);
    const QFont font = cellFont();
    const QList<QRect> rects = actionRects(option.rect, actions, font);
    painter->setFont(font);
    for (int i = 0; i < actions.size(); ++i) {
        QStyleOptionButton button;
        button.initFrom(option.widget);
        button.rect = rects.at(i);
        button.text = actions.at(i).text;
        button.fontMetrics = QFontMetrics(font);
        button.state = QStyle::State_Raised;
        if (actions.at(i).enabled)
            button.state |= QStyle::State_Enabled;
        if (isPressed(index, actions.at(i).name))
            button.state |= QStyle::State_Sunken;
        const QColor tint = actions.at(i).color;
        if (!actions.at(i).enabled)
            button.palette.setColor(QPalette::ButtonText, option.palette.color(QPalette::Disabled, QPalette::ButtonText));
        else if (tint.isValid())
            button.palette.setColor(QPalette::ButtonText, tint);
        styleOf(option)->drawControl(QStyle::CE_PushButton, &button, painter, option.widget);
    }
}
