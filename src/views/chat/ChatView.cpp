#include "views/chat/ChatView.h"

#include "state/chat/ChatViewModel.h"
#include "state/common/LocalizationManager.h"
#include "views/chat/MessageInputBar.h"
#include "views/chat/MessageListView.h"
#include "views/common/AlertLabel.h"
#include "views/common/Appearance.h"
#include "views/common/Divider.h"
#include "views/common/ElidedLabel.h"
#include "views/common/Icons.h"
#include "views/common/Localized.h"

#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QPointer>
#include <QToolButton>
#include <QVBoxLayout>

using Appearance::TextStyle;

namespace {

QWidget* bar(const char* objectName, QWidget* parent)
{
    auto* widget = new QWidget(parent);
    widget->setObjectName(QString::fromLatin1(objectName));
    widget->setAttribute(Qt::WA_StyledBackground);
    widget->setStyleSheet(QStringLiteral("#%1 { background: %2; }").arg(QString::fromLatin1(objectName), Appearance::barBackground().name()));
    return widget;
}

} // namespace

ChatView::ChatView(qint64 conversationId, qint64 currentUserId, const QString& conversationName, QWidget* parent)
    : ChatView(std::make_unique<ChatViewModel>(conversationId, currentUserId), conversationName, parent)
{
}

ChatView::ChatView(std::unique_ptr<ChatViewModel> viewModel, const QString& conversationName, QWidget* parent)
    : QWidget(parent)
    , m_viewModel(std::move(viewModel))
    , m_conversationId(m_viewModel->conversationId())
{
    build(conversationName);
}

ChatView::~ChatView() = default;

void ChatView::setConversationName(const QString& name)
{
    m_title->setFullText(name);
}

void ChatView::build(const QString& conversationName)
{
    setObjectName(QStringLiteral("chatView"));
    ChatViewModel* vm = m_viewModel.get();
    QPointer<ChatViewModel> guard(vm);

    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);

    QWidget* header = bar("chatHeader", this);
    auto* headerRow = m_headerRow = new QHBoxLayout(header);
    headerRow->setContentsMargins(16, 8, 16, 8);
    // A long name gives way (shortened with "…") to the typing line, never the reverse.
    auto* title = m_title = new ElidedLabel(header);
    title->setObjectName(QStringLiteral("chatTitle"));
    title->setFont(Appearance::font(TextStyle::Headline));
    title->setFullText(conversationName);
    m_typing = new QLabel(header);
    m_typing->setObjectName(QStringLiteral("typingLabel"));
    m_typing->setTextFormat(Qt::PlainText);
    m_typing->setFont(Appearance::font(TextStyle::Caption));
    m_typing->setStyleSheet(QStringLiteral("color: %1;").arg(Appearance::secondaryText().name()));
    m_typing->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Preferred);
    headerRow->addWidget(title, 1);
    headerRow->addWidget(m_typing);
    column->addWidget(header);
    column->addWidget(divider(this));

    MessageListView::Callbacks callbacks {
        // A reply is written next: the caret goes to the input.
        [this, vm](const Message& message) {
            vm->setReplyToMessage(message);
            focusInput();
        },
        [vm](const Message& message) { vm->revokeMessage(message); },
        [vm](const Message& message, const QString& emoji) { vm->addReaction(message.id, emoji); },
        [vm] { vm->loadMoreMessages(); },
        [vm](const Message& message) { vm->resendMessage(message); },
        [vm](const Message& message) { vm->discardMessage(message); },
    };
    m_list = new MessageListView(vm->currentUserId(), callbacks, this);
    column->addWidget(m_list, 1);

    m_error = new AlertLabel(this);
    m_error->setObjectName(QStringLiteral("chatError"));
    m_error->setContentsMargins(16, 2, 16, 2);
    m_error->setFont(Appearance::font(TextStyle::Caption));
    m_error->setStyleSheet(QStringLiteral("color: #ff3b30;"));
    column->addWidget(m_error);
    column->addWidget(divider(this));

    m_replyBar = bar("replyBar", this);
    auto* replyRow = new QHBoxLayout(m_replyBar);
    replyRow->setContentsMargins(16, 4, 16, 4);
    auto* accentBar = new QFrame(m_replyBar);
    accentBar->setFixedWidth(3);
    accentBar->setStyleSheet(QStringLiteral("background: %1;").arg(Appearance::accent().name()));
    auto* replyText = new QVBoxLayout;
    replyText->setSpacing(1);
    m_replyTitle = new QLabel(m_replyBar);
    m_replyTitle->setObjectName(QStringLiteral("replyTitle"));
    m_replyTitle->setTextFormat(Qt::PlainText);
    QFont replyTitleFont = Appearance::font(TextStyle::Caption);
    replyTitleFont.setWeight(QFont::Medium);
    m_replyTitle->setFont(replyTitleFont);
    m_replyContent = new QLabel(m_replyBar);
    m_replyContent->setObjectName(QStringLiteral("replyContent"));
    m_replyContent->setTextFormat(Qt::PlainText);
    m_replyContent->setFont(Appearance::font(TextStyle::Caption));
    m_replyContent->setStyleSheet(QStringLiteral("color: %1;").arg(Appearance::secondaryText().name()));
    replyText->addWidget(m_replyTitle);
    replyText->addWidget(m_replyContent);
    auto* cancelReply = new QToolButton(m_replyBar);
    cancelReply->setObjectName(QStringLiteral("cancelReplyButton"));
    cancelReply->setAutoRaise(true);
    Icons::apply(cancelReply, QStringLiteral("xmark"), 12, Appearance::secondaryText());
    m_cancelReply = cancelReply;
    // The bar goes away with its button: the caret goes back to the reply being written.
    connect(cancelReply, &QToolButton::clicked, this, [this, vm] {
        vm->setReplyToMessage(std::nullopt);
        focusInput();
    });
    replyRow->addWidget(accentBar);
    replyRow->addLayout(replyText, 1);
    replyRow->addWidget(cancelReply);
    column->addWidget(m_replyBar);

    m_input = new MessageInputBar([vm](const QString& text) { vm->sendMessage(text); },
        [vm](const QUrl& url) { return vm->sendFile(url.toLocalFile()); }, [vm] { vm->userIsTyping(); }, this);
    m_input->setOnFileTooLarge([vm] { vm->reportFileTooLarge(); });
    m_input->setOnEscape([vm] {
        if (!vm->replyToMessage())
            return false;
        vm->setReplyToMessage(std::nullopt);
        return true;
    });
    column->addWidget(m_input);

    connect(vm, &ChatViewModel::messagesChanged, this, [this] { m_list->setMessages(m_viewModel->messages()); });
    connect(vm, &ChatViewModel::messagesAboutToBeInserted, this,
            [this](qsizetype first, qsizetype count) { m_list->beginInsertMessages(int(first), int(count)); });
    connect(vm, &ChatViewModel::messagesInserted, this, [this] { m_list->endInsertMessages(m_viewModel->messages()); });
    connect(vm, &ChatViewModel::messagesAboutToBeRemoved, this,
            [this](qsizetype first, qsizetype count) { m_list->beginRemoveMessages(int(first), int(count)); });
    connect(vm, &ChatViewModel::messagesRemoved, this, [this] { m_list->endRemoveMessages(m_viewModel->messages()); });
    connect(vm, &ChatViewModel::typingUserNameChanged, this, &ChatView::updateTyping);
    connect(vm, &ChatViewModel::errorChanged, this, &ChatView::updateError);
    connect(vm, &ChatViewModel::replyToMessageChanged, this, &ChatView::updateReply);
    m_list->setMessages(vm->messages());
    updateError();
    connect(&LocalizationManager::shared(), &LocalizationManager::bundleChanged, this, &ChatView::retranslate);
    retranslate();
}

void ChatView::retranslate()
{
    m_cancelReply->setAccessibleName(Localized::text("chat.cancel_reply"));
    m_cancelReply->setToolTip(Localized::text("chat.cancel_reply"));
    updateTyping();
    updateReply();
    // The painted rows ("load more", revoked notices, file fallbacks) read their
    // texts when drawn.
    m_list->viewport()->update();
}

void ChatView::addHeaderWidget(QWidget* widget)
{
    m_headerRow->addWidget(widget);
}

void ChatView::focusInput()
{
    m_input->focusField();
}

void ChatView::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    updateOnScreen();
    if (m_started)
        return;
    m_started = true;
    // Fire and forget: the state object reports the outcome through its fields.
    m_viewModel->loadMessages();
}

void ChatView::hideEvent(QHideEvent* event)
{
    QWidget::hideEvent(event);
    updateOnScreen();
}

void ChatView::changeEvent(QEvent* event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::ActivationChange)
        updateOnScreen();
}

void ChatView::updateOnScreen()
{
    // Messages count as read only while someone can see them.
    m_viewModel->setOnScreen(isVisible() && isActiveWindow());
}

void ChatView::updateTyping()
{
    const std::optional<QString> name = m_viewModel->typingUserName();
    m_typing->setVisible(name.has_value());
    m_typing->setText(name ? *name + QLatin1Char(' ') + Localized::text("chat.typing") : QString());
}

void ChatView::updateError()
{
    const std::optional<QString> error = m_viewModel->error();
    m_error->setAlert(error);
}

void ChatView::updateReply()
{
    const std::optional<Message> target = m_viewModel->replyToMessage();
    m_replyBar->setVisible(target.has_value());
    if (!target)
        return;
    m_replyTitle->setText(Localized::text("chat.reply_prefix") + QLatin1Char(' ') + target->senderName.value_or(QString()));
    m_replyContent->setText(QFontMetrics(m_replyContent->font()).elidedText(target->content.value_or(QString()).simplified(), Qt::ElideRight, 600));
}
