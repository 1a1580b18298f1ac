#pragma once

#include <QWidget>

#include <memory>

class AlertLabel;
class ChatViewModel;
class ElidedLabel;
class MessageInputBar;
class MessageListView;
class QHBoxLayout;
class QLabel;
class QToolButton;

// One open conversation: header with the typing line, the message list, the
// error line, the reply bar and the input bar. It owns the conversation's state
// object and only shows its fields and forwards the user's actions to it.
class ChatView : public QWidget {
    Q_OBJECT
public:
    ChatView(qint64 conversationId, qint64 currentUserId, const QString& conversationName, QWidget* parent = nullptr);
    // For tests and benchmarks that feed a state object of their own.
    ChatView(std::unique_ptr<ChatViewModel> viewModel, const QString& conversationName, QWidget* parent = nullptr);
    ~ChatView() override;

    qint64 conversationId() const { return m_conversationId; }
    ChatViewModel* viewModel() const { return m_viewModel.get(); }
    MessageListView* messageList() const { return m_list; }
    MessageInputBar* inputBar() const { return m_input; }
    // The header's name, when a reload of the list brings a new one.
    void setConversationName(const QString& name);
    // Puts a control at the header's trailing end (the group owner's role menu).
    void addHeaderWidget(QWidget* widget);
    // Puts the caret in the input bar's field.
    void focusInput();

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void build(const QString& conversationName);
    void retranslate();
    void updateTyping();
    void updateError();
    void updateReply();
    void updateOnScreen();

    std::unique_ptr<ChatViewModel> m_viewModel;
    qint64 m_conversationId;
    bool m_started = false;
    ElidedLabel* m_title = nullptr;
    QLabel* m_typing = nullptr;
    QHBoxLayout* m_headerRow = nullptr;
    MessageListView* m_list = nullptr;
    AlertLabel* m_error = nullptr;
    QWidget* m_replyBar = nullptr;
    QLabel* m_replyTitle = nullptr;
    QLabel* m_replyContent = nullptr;
    QToolButton* m_cancelReply = nullptr;
    MessageInputBar* m_input = nullptr;
};
