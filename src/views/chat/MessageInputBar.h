#pragma once

#include <QCoroTask>
#include <QUrl>
#include <QWidget>

#include <functional>

class QFileDialog;
class QPlainTextEdit;
class QToolButton;

// The composer under the chat: attach button with file picker, a text field that
// grows from one to five lines, and the send button. Sending, typing signals and
// uploads are the chat screen's business, reached through the three callbacks.
class MessageInputBar : public QWidget {
    Q_OBJECT
public:
    using SendText = std::function<void(const QString&)>;
    // Ends when the file went out (or failed to); the bar then deletes its copy.
    using SendFile = std::function<QCoro::Task<>(const QUrl&)>;
    using Typing = std::function<void()>;
    using FileRefused = std::function<void()>;
    // True when there was something to cancel (a reply being written), which then takes the key.
    using Cancel = std::function<bool()>;

    static constexpr int MaxVisibleLines = 5;

    MessageInputBar(SendText onSend, SendFile onSendFile, Typing onTyping, QWidget* parent = nullptr);

    QString text() const;
    void setText(const QString& text);

    // Return in the field: a new line with Shift held, otherwise send.
    void handleSubmit(Qt::KeyboardModifiers modifiers);
    void send();
    // Completion of the file picker: copies the picked file into the application's
    // private temporary folder and hands the copy on. An empty URL is a cancel. A
    // file over the size cap is refused before anything is copied.
    void handleImportedFile(const QUrl& picked);
    // Called instead of the send callback for a picked file over the size cap.
    void setOnFileTooLarge(FileRefused onTooLarge) { m_onFileTooLarge = std::move(onTooLarge); }
    // Escape in the field asks this first; what it does not take goes on up as before.
    void setOnEscape(Cancel onEscape) { m_onEscape = std::move(onEscape); }
    void openFilePicker();
    // Puts the caret at the end of the draft.
    void focusField();

    // The application's own temporary folder (mode 0700, removed at exit), where
    // picked files are copied before upload.
    static QString privateTemporaryDirectory();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void retranslate();
    void updatePickerFilters();
    void textEdited();
    void updateFieldHeight();
    QCoro::Task<> sendCopy(QString copy);

    SendText m_onSend;
    SendFile m_onSendFile;
    Typing m_onTyping;
    FileRefused m_onFileTooLarge;
    Cancel m_onEscape;
    QToolButton* m_attach;
    QPlainTextEdit* m_field;
    QToolButton* m_send;
    QFileDialog* m_picker = nullptr;
    bool m_clearing = false;
};
