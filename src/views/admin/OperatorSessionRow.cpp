#include "views/admin/OperatorSessionRow.h"

#include "state/OperatorConsoleViewModel.h"
#include "views/admin/TintColor.h"
#include "views/common/Appearance.h"
#include "views/common/ElidedLabel.h"
#include "views/common/Localized.h"
#include "views/common/PlainLabel.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QTextBoundaryFinder>
#include <QVBoxLayout>

using Appearance::TextStyle;

namespace {

// The first character as a person sees it (an emoji or a letter with its marks).
QString firstGrapheme(const QString& text)
{
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, text);
    const qsizetype end = finder.toNextBoundary();
    return end > 0 ? text.left(end) : QString();
}

} // namespace

QString OperatorSessionRow::displayName(const OperatorSession& session)
{
    return session.customerName.value_or(Localized::text("operator.customer"));
}

OperatorSessionRow::OperatorSessionRow(const OperatorSession& session, bool showRating, QWidget* parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("operatorSessionRow"));
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(6, 2, 6, 2);
    row->setSpacing(10);
    const QString name = displayName(session);
    QLabel* avatar = plainLabel(firstGrapheme(name), TextStyle::Caption, this);
    avatar->setObjectName(QStringLiteral("avatarInitial"));
    avatar->setFixedSize(36, 36);
    avatar->setAlignment(Qt::AlignCenter);
    QFont medium = avatar->font();
    medium.setWeight(QFont::Medium);
    avatar->setFont(medium);
    avatar->setStyleSheet(QStringLiteral("background: rgba(0, 122, 255, 51); border-radius: 18px;"));
    row->addWidget(avatar);

    auto* texts = new QVBoxLayout;
    texts->setSpacing(2);
    auto* nameLabel = new ElidedLabel(this);
    nameLabel->setObjectName(QStringLiteral("customerName"));
    nameLabel->setFont(Appearance::font(TextStyle::Body));
    nameLabel->setFullText(name);
    auto* last = new ElidedLabel(this);
    last->setObjectName(QStringLiteral("lastMessage"));
    last->setFont(Appearance::font(TextStyle::Caption));
    last->setFullText(session.lastMessage.value_or(QString()));
    Appearance::setTextColor(last, Appearance::secondaryText());
    texts->addWidget(nameLabel);
    texts->addWidget(last);
    row->addLayout(texts, 1);

    auto* trailing = new QVBoxLayout;
    trailing->setSpacing(2);
    if (session.createdAt) {
        QLabel* time = plainLabel(*session.createdAt, TextStyle::Caption2, this);
        time->setObjectName(QStringLiteral("createdAt"));
        Appearance::setTextColor(time, Appearance::secondaryText());
        trailing->addWidget(time, 0, Qt::AlignRight);
    }
    if (showRating) {
        if (const std::optional<int> filled = OperatorConsoleViewModel::filledStars(session.rating)) {
            m_filledStars = *filled;
            QLabel* stars = plainLabel(QString(*filled, QChar(0x2605)) + QString(5 - *filled, QChar(0x2606)), TextStyle::Caption2, this);
            stars->setObjectName(QStringLiteral("stars"));
            Appearance::setTextColor(stars, tintColor(Tint::Yellow));
            trailing->addWidget(stars, 0, Qt::AlignRight);
        }
    }
    row->addLayout(trailing);
}
