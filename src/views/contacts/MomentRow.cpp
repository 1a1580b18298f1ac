#include "views/contacts/MomentRow.h"

#include "state/contacts/MomentsViewModel.h"
#include "views/chat/AvatarView.h"
#include "views/common/AdaptiveGrid.h"
#include "views/common/Appearance.h"
#include "views/common/ElidedLabel.h"
#include "views/common/Icons.h"
#include "views/common/Localized.h"
#include "views/common/PlainLabel.h"
#include "views/common/RemoteImageView.h"
#include "views/common/ShadedPanel.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QToolButton>
#include <QVBoxLayout>

using Appearance::TextStyle;

namespace {

// A commenter's or reply target's name takes at most this much of the comment line.
constexpr int CommentNameWidth = 100;

// A name or place from the server: one line, shortened with "…" when it does not fit.
ElidedLabel* nameLabel(const QString& text, TextStyle style, QWidget* parent, bool medium = true)
{
    auto* label = new ElidedLabel(parent);
    QFont font = Appearance::font(style);
    if (medium)
        font.setWeight(QFont::Medium);
    label->setFont(font);
    label->setFullText(text);
    return label;
}

QLabel* secondary(QLabel* label)
{
    Appearance::setTextColor(label, Appearance::secondaryText());
    return label;
}

// A symbol and a short text side by side, as one label of the action row.
QWidget* symbolLabel(const QString& symbol, const QString& text, const char* objectName, QWidget* parent)
{
    auto* box = new QWidget(parent);
    box->setObjectName(QString::fromLatin1(objectName));
    auto* row = new QHBoxLayout(box);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(3);
    auto* icon = new QLabel(box);
    Icons::apply(icon, symbol, 13, Appearance::secondaryText());
    row->addWidget(icon);
    auto* label = nameLabel(text, TextStyle::Caption, box, false);
    Appearance::setTextColor(label, Appearance::secondaryText());
    label->setObjectName(QString::fromLatin1(objectName) + QStringLiteral("Text"));
    row->addWidget(label, 1);
    return box;
}

} // namespace

MomentRow::MomentRow(const Moment& moment, MomentsViewModel* viewModel, QWidget* parent)
    : QWidget(parent)
    , m_moment(moment)
    , m_viewModel(viewModel)
{
    setObjectName(QStringLiteral("momentRow"));
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(12, 10, 12, 10);
    column->setSpacing(8);
    column->addWidget(authorRow());
    if (m_moment.content) {
        auto* content = plainLabel(*m_moment.content, TextStyle::Body, this);
        content->setObjectName(QStringLiteral("momentContent"));
        content->setWordWrap(true);
        content->setTextInteractionFlags(Qt::TextSelectableByMouse);
        column->addWidget(content);
    }
    if (m_moment.images && !m_moment.images->isEmpty()) {
        auto* grid = new AdaptiveGrid(100, 4, this);
        grid->setObjectName(QStringLiteral("momentImages"));
        for (const QString& address : *m_moment.images)
            grid->addCell(new RemoteImageView(m_viewModel->pictureUrl(address), QSize(100, 100), RemoteImageView::Fit::Fill, 4));
        column->addWidget(grid);
    }
    column->addWidget(actionRow());
    if (m_moment.comments && !m_moment.comments->isEmpty())
        column->addWidget(commentList());
    column->addWidget(commentEntry());
}

QWidget* MomentRow::authorRow()
{
    auto* box = new QWidget(this);
    auto* row = new QHBoxLayout(box);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(8);
    row->addWidget(new AvatarView(m_moment.userName.value_or(QStringLiteral("?")), m_moment.userAvatar, 36, box));
    auto* names = new QVBoxLayout;
    names->setSpacing(2);
    auto* author = nameLabel(m_moment.userName.value_or(Localized::text("moments.author_unknown")), TextStyle::Body, box);
    author->setObjectName(QStringLiteral("momentAuthor"));
    names->addWidget(author);
    if (m_moment.createdAt) {
        auto* time = secondary(plainLabel(*m_moment.createdAt, TextStyle::Caption2, box));
        time->setObjectName(QStringLiteral("momentTime"));
        names->addWidget(time);
    }
    row->addLayout(names, 1);
    return box;
}

QWidget* MomentRow::actionRow()
{
    auto* box = new QWidget(this);
    auto* row = new QHBoxLayout(box);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(16);
    auto* like = new QToolButton(box);
    like->setObjectName(QStringLiteral("likeButton"));
    like->setAutoRaise(true);
    like->setCursor(Qt::PointingHandCursor);
    like->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    like->setFont(Appearance::font(TextStyle::Caption));
    Icons::apply(like, QStringLiteral("heart"), 14, Appearance::accent());
    // The server's count, not the length of the likes it sent along.
    like->setText(QString::number(m_moment.likeCount.value_or(0)));
    // Heard as what it does and the count it shows.
    like->setAccessibleName(Localized::text("moments.like") + QStringLiteral(", ") + like->text());
    connect(like, &QToolButton::clicked, this, [this] { m_viewModel->likeTapped(m_moment); });
    row->addWidget(like);
    row->addWidget(symbolLabel(QStringLiteral("bubble.right"), QString::number(m_moment.commentCount.value_or(0)), "commentCount", box));
    if (m_moment.location)
        row->addWidget(symbolLabel(QStringLiteral("mappin"), *m_moment.location, "momentLocation", box));
    row->addStretch(1);
    return box;
}

QWidget* MomentRow::commentList()
{
    auto* box = new QWidget(this);
    box->setObjectName(QStringLiteral("momentComments"));
    shadePanel(box, 4);
    auto* column = new QVBoxLayout(box);
    column->setContentsMargins(8, 8, 8, 8);
    column->setSpacing(4);
    for (const MomentComment& comment : *m_moment.comments) {
        auto* line = new QHBoxLayout;
        line->setSpacing(4);
        auto* who = nameLabel(comment.userName.value_or(QStringLiteral("?")), TextStyle::Caption, box);
        who->setObjectName(QStringLiteral("commentAuthor"));
        who->setMaximumWidth(CommentNameWidth);
        line->addWidget(who, 0, Qt::AlignTop);
        if (comment.replyToUserName) {
            auto* word = secondary(plainLabel(Localized::text("moments.reply"), TextStyle::Caption, box));
            word->setObjectName(QStringLiteral("commentReplyWord"));
            line->addWidget(word, 0, Qt::AlignTop);
            auto* target = nameLabel(*comment.replyToUserName, TextStyle::Caption, box);
            target->setObjectName(QStringLiteral("commentReplyTarget"));
            target->setMaximumWidth(CommentNameWidth);
            line->addWidget(target, 0, Qt::AlignTop);
        }
        auto* text = plainLabel(comment.content, TextStyle::Caption, box);
        text->setObjectName(QStringLiteral("commentContent"));
        text->setWordWrap(true);
        line->addWidget(text, 1, Qt::AlignTop);
        column->addLayout(line);
    }
    return box;
}

QWidget* MomentRow::commentEntry()
{
    auto* box = new QWidget(this);
    auto* row = new QHBoxLayout(box);
    row->setContentsMargins(0, 0, 0, 0);
    m_commentField = new QLineEdit(box);
    m_commentField->setObjectName(QStringLiteral("commentField"));
    m_commentField->setPlaceholderText(Localized::text("moments.comment_placeholder"));
    m_commentField->setAccessibleName(m_commentField->placeholderText());
    m_commentField->setFont(Appearance::font(TextStyle::Caption));
    m_commentField->setText(m_viewModel->commentDraft(m_moment.id));
    m_sendButton = new QPushButton(Localized::text("moments.send"), box);
    m_sendButton->setObjectName(QStringLiteral("sendCommentButton"));
    m_sendButton->setFont(Appearance::font(TextStyle::Caption));
    row->addWidget(m_commentField, 1);
    row->addWidget(m_sendButton);
    // Return in the field sends nothing: only the button does.
    connect(m_commentField, &QLineEdit::textEdited, this, [this](const QString& text) { m_viewModel->setCommentDraft(text, m_moment.id); });
    connect(m_sendButton, &QPushButton::clicked, this, [this] { m_viewModel->commentTapped(m_moment); });
    connect(m_viewModel, &MomentsViewModel::commentDraftChanged, this, [this](qint64 id) {
        if (id != m_moment.id)
            return;
        if (m_commentField->text() != m_viewModel->commentDraft(id))
            m_commentField->setText(m_viewModel->commentDraft(id));
        updateSendButton();
    });
    updateSendButton();
    return box;
}

void MomentRow::updateSendButton()
{
    const bool enabled = m_viewModel->canSendComment(m_moment.id);
    // Sent, the comment empties its field and greys the button: the keyboard goes
    // back to the field, not on to the next moment.
    if (!enabled && m_sendButton->hasFocus())
        m_commentField->setFocus(Qt::OtherFocusReason);
    m_sendButton->setEnabled(enabled);
}
