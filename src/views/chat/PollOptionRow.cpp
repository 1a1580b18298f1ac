#include "views/chat/PollOptionRow.h"

#include "views/common/Appearance.h"
#include "views/common/Localized.h"

#include <QPainter>

using Appearance::TextStyle;

namespace {
constexpr int PaddingH = 16;
constexpr int PaddingV = 6;
constexpr int BarHeight = 6;
} // namespace

PollOptionRow::PollOptionRow(PollOptionResult option, qint64 totalVotes, std::function<void()> onVote, QWidget* parent)
    : QAbstractButton(parent)
    , m_option(std::move(option))
    , m_totalVotes(totalVotes)
{
    setObjectName(QStringLiteral("pollOptionRow"));
    setCursor(Qt::PointingHandCursor);
    setText(m_option.text);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    connect(this, &QAbstractButton::clicked, this, [onVote = std::move(onVote)] {
        if (onVote)
            onVote();
    });
}

qreal PollOptionRow::share(qint64 votes, qint64 totalVotes)
{
    if (totalVotes < 1)
        return 0;
    return qBound<qreal>(0, qreal(votes) / qreal(totalVotes), 1);
}

qint64 PollOptionRow::percentage(qint64 votes, qint64 totalVotes)
{
    if (totalVotes < 1)
        return 0;
    // In whole numbers: through floating point 29 of 100 would come out as 28.999… and read 28.
    return votes * 100 / totalVotes;
}

QString PollOptionRow::voteText() const
{
    return QStringLiteral("%1 %2 (%3%)").arg(votes()).arg(Localized::text("poll.votes")).arg(percentage(votes(), m_totalVotes));
}

QSize PollOptionRow::sizeHint() const
{
    const int textHeight = QFontMetrics(Appearance::font(TextStyle::Body)).height();
    return QSize(240, PaddingV + textHeight + 4 + BarHeight + PaddingV);
}

void PollOptionRow::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRect inner = rect().adjusted(PaddingH, PaddingV, -PaddingH, -PaddingV);
    const QFont body = Appearance::font(TextStyle::Body);
    const QFont caption = Appearance::font(TextStyle::Caption);
    const int textHeight = QFontMetrics(body).height();
    const QString votes = voteText();
    const int votesWidth = QFontMetrics(caption).horizontalAdvance(votes);

    painter.setFont(caption);
    painter.setPen(Appearance::secondaryText());
    painter.drawText(QRect(inner.right() - votesWidth, inner.top(), votesWidth, textHeight), Qt::AlignRight | Qt::AlignVCenter, votes);
    painter.setFont(body);
    painter.setPen(palette().color(QPalette::Text));
    const QRect textRect(inner.left(), inner.top(), inner.width() - votesWidth - 8, textHeight);
    painter.drawText(textRect, Qt::AlignLeft | Qt::AlignVCenter,
        QFontMetrics(body).elidedText(m_option.text, Qt::ElideRight, textRect.width()));

    const QRectF track(inner.left(), inner.top() + textHeight + 4, inner.width(), BarHeight);
    QColor grey(Qt::gray);
    grey.setAlphaF(0.15f);
    painter.setPen(Qt::NoPen);
    painter.setBrush(grey);
    painter.drawRoundedRect(track, 4, 4);
    if (barShare() > 0) {
        painter.setBrush(Appearance::accent());
        painter.drawRoundedRect(QRectF(track.left(), track.top(), track.width() * barShare(), BarHeight), 4, 4);
    }
}
