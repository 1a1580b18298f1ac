#include "views/admin/OperatorSessionRow.h"

#include "views/admin/OperatorSessionListModel.h"
#include "views/admin/TintColor.h"
#include "views/common/Appearance.h"
#include "views/common/Localized.h"

#include <QPainter>
#include <QTextBoundaryFinder>

using Appearance::TextStyle;

namespace {

constexpr int PaddingH = 6;
constexpr int AvatarSize = 36;
constexpr int Spacing = 10;
const QColor selectionTint(0, 122, 255, 46);

} // namespace

QString OperatorSessionRow::displayName(const OperatorSession& session)
{
    return session.customerName.value_or(Localized::text("operator.customer"));
}

QString OperatorSessionRow::initial(const QString& name)
{
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, name);
    const qsizetype end = finder.toNextBoundary();
    return end > 0 ? name.left(end) : QString();
}

OperatorSessionRow::OperatorSessionRow(QObject* parent)
    : RowActionDelegate(parent)
{
}

QList<QRect> OperatorSessionRow::actionRects(const QStyleOptionViewItem&, const QModelIndex&, const QList<RowAction>&) const
{
    return {};
}

QSize OperatorSessionRow::sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    if (index.data(OperatorSessionListModel::IsHeadingRole).toBool())
        return QSize(option.rect.width(), QFontMetrics(Appearance::font(TextStyle::Caption)).height() + 8);
    return QSize(option.rect.width(), RowHeight);
}

void OperatorSessionRow::paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    painter->save();
    painter->setRenderHint(QPainter::Antialiasing);
    const QRect rect = option.rect.adjusted(PaddingH, 0, -PaddingH, 0);
    if (index.data(OperatorSessionListModel::IsHeadingRole).toBool()) {
        painter->setFont(Appearance::font(TextStyle::Caption));
        painter->setPen(Appearance::secondaryText());
        painter->drawText(rect, Qt::AlignLeft | Qt::AlignVCenter, index.data().toString());
        painter->restore();
        return;
    }
    if (option.state & QStyle::State_Selected)
        painter->fillRect(option.rect, selectionTint);

    const QString name = index.data().toString();
    const QRect avatar(rect.left(), rect.center().y() - AvatarSize / 2 + 1, AvatarSize, AvatarSize);
    painter->setPen(Qt::NoPen);
    painter->setBrush(QColor(0, 122, 255, 51));
    painter->drawEllipse(avatar);
    QFont medium = Appearance::font(TextStyle::Caption);
    medium.setWeight(QFont::Medium);
    painter->setFont(medium);
    painter->setPen(option.palette.color(QPalette::Text));
    painter->drawText(avatar, Qt::AlignCenter, initial(name));

    // The trailing column: the time over the stars, each as wide as it needs.
    const QFont small = Appearance::font(TextStyle::Caption2);
    const QFontMetrics smallMetrics(small);
    const QString time = index.data(OperatorSessionListModel::CreatedAtRole).toString();
    const int filled = index.data(OperatorSessionListModel::FilledStarsRole).toInt();
    const QString stars = filled >= 0 ? QString(filled, QChar(0x2605)) + QString(5 - filled, QChar(0x2606)) : QString();
    // The stars are five small images, 8 across and 1 apart.
    QFont starFont = Appearance::font(TextStyle::Body);
    starFont.setPixelSize(8);
    starFont.setLetterSpacing(QFont::AbsoluteSpacing, 1);
    const QFontMetrics starMetrics(starFont);
    const int trailingWidth = std::max(smallMetrics.horizontalAdvance(time), starMetrics.horizontalAdvance(stars));
    const QRect trailing(rect.right() - trailingWidth, rect.top(), trailingWidth, rect.height());
    const int lineGap = 2;
    painter->setFont(small);
    const int trailingHeight = (time.isEmpty() ? 0 : smallMetrics.height()) + (stars.isEmpty() ? 0 : starMetrics.height())
        + (time.isEmpty() || stars.isEmpty() ? 0 : lineGap);
    int y = rect.center().y() - trailingHeight / 2;
    if (!time.isEmpty()) {
        painter->setPen(Appearance::secondaryText());
        painter->drawText(QRect(trailing.left(), y, trailingWidth, smallMetrics.height()), Qt::AlignRight | Qt::AlignVCenter, time);
        y += smallMetrics.height() + lineGap;
    }
    if (!stars.isEmpty()) {
        painter->setFont(starFont);
        painter->setPen(tintColor(Tint::Yellow));
        painter->drawText(QRect(trailing.left(), y, trailingWidth, starMetrics.height()), Qt::AlignRight | Qt::AlignVCenter, stars);
    }

    const int textLeft = avatar.right() + 1 + Spacing;
    const int textRight = trailingWidth > 0 ? trailing.left() - Spacing : rect.right();
    const QFont body = Appearance::font(TextStyle::Body);
    const QFont caption = Appearance::font(TextStyle::Caption);
    const QFontMetrics bodyMetrics(body);
    const QFontMetrics captionMetrics(caption);
    const int width = std::max(0, textRight - textLeft);
    const int top = rect.center().y() - (bodyMetrics.height() + lineGap + captionMetrics.height()) / 2;
    painter->setFont(body);
    painter->setPen(option.palette.color(QPalette::Text));
    painter->drawText(QRect(textLeft, top, width, bodyMetrics.height()), Qt::AlignLeft | Qt::AlignVCenter,
                      bodyMetrics.elidedText(name, Qt::ElideRight, width));
    painter->setFont(caption);
    painter->setPen(Appearance::secondaryText());
    const QString last = index.data(OperatorSessionListModel::LastMessageRole).toString().simplified();
    painter->drawText(QRect(textLeft, top + bodyMetrics.height() + lineGap, width, captionMetrics.height()),
                      Qt::AlignLeft | Qt::AlignVCenter, captionMetrics.elidedText(last, Qt::ElideRight, width));
    painter->restore();
    // The keyboard's row before anything is selected there (the list was entered by Tab).
    paintCurrentRow(painter, option);
}
