#include "views/account/FavoriteRow.h"

#include "state/Graphemes.h"
#include "views/chat/AvatarView.h"
#include "views/common/Appearance.h"
#include "views/common/ElidedLabel.h"
#include "views/common/Icons.h"
#include "views/common/Localized.h"

#include <QFontMetrics>
#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

using Appearance::TextStyle;

FavoriteRow::ContentLine FavoriteRow::contentLine(const Message& message)
{
    const QString& type = message.type;
    if (type == u"image")
        return { QStringLiteral("photo"), QStringLiteral("favorites.image"), QString() };
    if (type == u"file") {
        if (message.fileName)
            return { QStringLiteral("doc"), QString(), *message.fileName };
        return { QStringLiteral("doc"), QStringLiteral("favorites.file"), QString() };
    }
    if (type == u"voice")
        return { QStringLiteral("waveform"), QStringLiteral("favorites.voice"), QString() };
    if (type == u"video")
        return { QStringLiteral("video"), QStringLiteral("favorites.video"), QString() };
    if (type == u"sticker")
        return { QStringLiteral("face.smiling"), QStringLiteral("favorites.sticker"), QString() };
    return { QString(), QString(), message.content.value_or(QString()) };
}

FavoriteRow::FavoriteRow(Message message, QWidget* parent)
    : QWidget(parent)
    , m_message(std::move(message))
{
    setObjectName(QStringLiteral("favoriteRow"));
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(10, 4, 10, 4);
    row->setSpacing(12);
    auto* avatar = new AvatarView(m_message.senderName.value_or(QStringLiteral("?")), m_message.senderAvatar, 36, this);
    avatar->setObjectName(QStringLiteral("favoriteAvatar"));
    row->addWidget(avatar, 0, Qt::AlignVCenter);

    auto* text = new QVBoxLayout;
    text->setSpacing(4);
    auto* top = new QHBoxLayout;
    auto* name = new ElidedLabel(this);
    name->setObjectName(QStringLiteral("favoriteSender"));
    name->setFont(Appearance::font(TextStyle::Headline));
    name->setFullText(m_message.senderName.value_or(Localized::text("default.unknown")));
    top->addWidget(name, 1);
    if (m_message.createdAt) {
        auto* date = new QLabel(graphemes::prefix(*m_message.createdAt, 10), this);
        date->setObjectName(QStringLiteral("favoriteDate"));
        date->setTextFormat(Qt::PlainText);
        date->setFont(Appearance::font(TextStyle::Caption));
        Appearance::setTextColor(date, Appearance::secondaryText());
        top->addWidget(date);
    }
    text->addLayout(top);

    const ContentLine line = contentLine(m_message);
    auto* content = new QHBoxLayout;
    content->setSpacing(4);
    if (!line.symbol.isEmpty()) {
        auto* icon = new QLabel(this);
        icon->setObjectName(QStringLiteral("favoriteContentIcon"));
        Icons::apply(icon, line.symbol, 14, Appearance::secondaryText());
        content->addWidget(icon, 0, Qt::AlignTop);
    }
    auto* body = new QLabel(line.key.isEmpty() ? line.text : Localized::text(line.key), this);
    body->setObjectName(QStringLiteral("favoriteContent"));
    body->setTextFormat(Qt::PlainText);
    body->setFont(Appearance::font(TextStyle::Body));
    body->setWordWrap(true);
    // At most two lines; the rest is cut.
    body->setMaximumHeight(QFontMetrics(body->font()).lineSpacing() * 2);
    body->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    Appearance::setTextColor(body, Appearance::secondaryText());
    content->addWidget(body, 1);
    text->addLayout(content);
    row->addLayout(text, 1);
}
