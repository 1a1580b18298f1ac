#include "views/contacts/SearchResultRow.h"

#include "views/chat/AvatarView.h"
#include "views/common/Appearance.h"
#include "views/common/RowActionDelegate.h"
#include "views/contacts/SearchResultModel.h"

#include <QApplication>
#include <QPainter>

using Appearance::TextStyle;
using Kind = SearchResultModel::Kind;

namespace {

constexpr int AvatarSize = 32;
// Space above every section but the first.
constexpr int SectionGap = 14;

Kind kindOf(const QModelIndex& index)
{
    return Kind(index.data(SearchResultModel::KindRole).toInt());
}

QFont senderFont()
{
    QFont font = Appearance::font(TextStyle::Caption);
    font.setWeight(QFont::Medium);
    return font;
}

} // namespace

QSize SearchResultRow::sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    int height = 0;
    switch (kindOf(index)) {
    case Kind::Header:
        height = QFontMetrics(Appearance::font(TextStyle::Subheadline)).height() + 4 + (index.row() > 0 ? SectionGap : 0);
        break;
    case Kind::Contact:
    case Kind::Group:
        height = AvatarSize + 8;
        break;
    case Kind::Message:
        height = QFontMetrics(senderFont()).height() + 2 + QFontMetrics(Appearance::font(TextStyle::Body)).lineSpacing() * 2 + 10;
        break;
    }
    return QSize(option.rect.width(), height);
}

void SearchResultRow::paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    painter->save();
    painter->setRenderHint(QPainter::Antialiasing);
    const Kind kind = kindOf(index);
    const QRect row = option.rect.adjusted(12, 0, -12, 0);
    const QString title = index.data(Qt::DisplayRole).toString();
    if (kind == Kind::Header) {
        const QFont font = Appearance::font(TextStyle::Subheadline);
        painter->setFont(font);
        painter->setPen(Appearance::secondaryText());
        painter->drawText(row.adjusted(0, 0, 0, -2), Qt::AlignLeft | Qt::AlignBottom, QFontMetrics(font).elidedText(title, Qt::ElideRight, row.width()));
        painter->restore();
        return;
    }
    RowActionDelegate::paintCurrentRow(painter, option);
    const QRect content = row.adjusted(4, 4, -4, -4);
    const QString detail = index.data(SearchResultModel::DetailRole).toString();
    const QColor text = QApplication::palette().color(QPalette::Text);
    if (kind == Kind::Message) {
        const QFont sender = senderFont();
        const QFont caption2 = Appearance::font(TextStyle::Caption2);
        const QFont body = Appearance::font(TextStyle::Body);
        const int lineHeight = QFontMetrics(sender).height();
        const QString time = index.data(SearchResultModel::TimeRole).toString();
        const int timeWidth = QFontMetrics(caption2).horizontalAdvance(time);
        painter->setFont(caption2);
        painter->setPen(Appearance::secondaryText());
        painter->drawText(QRect(content.right() - timeWidth, content.top(), timeWidth, lineHeight), Qt::AlignRight | Qt::AlignVCenter, time);
        painter->setFont(sender);
        painter->setPen(text);
        const int senderWidth = content.width() - timeWidth - (time.isEmpty() ? 0 : 8);
        painter->drawText(QRect(content.left(), content.top(), senderWidth, lineHeight), Qt::AlignLeft | Qt::AlignVCenter,
            QFontMetrics(sender).elidedText(title, Qt::ElideRight, senderWidth));
        // At most two lines of the message: what does not fit is cut.
        painter->setFont(body);
        const QRect lines(content.left(), content.top() + lineHeight + 2, content.width(), QFontMetrics(body).lineSpacing() * 2);
        painter->setClipRect(lines);
        painter->drawText(lines, Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap, detail);
        painter->restore();
        return;
    }
    const QRectF avatar(content.left(), content.center().y() - AvatarSize / 2.0, AvatarSize, AvatarSize);
    AvatarView::paint(painter, avatar, title, std::optional<QString>(index.data(SearchResultModel::AvatarRole).toString()));
    const int left = int(avatar.right()) + 8;
    const int width = content.right() - left;
    const QFont body = Appearance::font(TextStyle::Body);
    const QFont caption = Appearance::font(TextStyle::Caption);
    const int titleHeight = QFontMetrics(body).height();
    const int detailHeight = detail.isEmpty() ? 0 : QFontMetrics(caption).height() + 2;
    const int top = content.center().y() - (titleHeight + detailHeight) / 2;
    painter->setFont(body);
    painter->setPen(text);
    painter->drawText(QRect(left, top, width, titleHeight), Qt::AlignLeft | Qt::AlignVCenter, QFontMetrics(body).elidedText(title, Qt::ElideRight, width));
    if (!detail.isEmpty()) {
        painter->setFont(caption);
        painter->setPen(Appearance::secondaryText());
        painter->drawText(QRect(left, top + titleHeight + 2, width, detailHeight - 2), Qt::AlignLeft | Qt::AlignVCenter,
            QFontMetrics(caption).elidedText(detail.simplified(), Qt::ElideRight, width));
    }
    painter->restore();
}
