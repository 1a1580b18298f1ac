#include "views/chat/MessageInputBar.h"

#include "state/chat/ChatViewModel.h"
#include "state/common/LocalizationManager.h"
#include "views/common/Appearance.h"
#include "views/common/Icons.h"
#include "views/common/Localized.h"
#include "views/common/TabLeavesField.h"

#include <QDebug>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QPlainTextEdit>
#include <QTemporaryDir>
#include <QTextBlock>
#include <QToolButton>

using Appearance::TextStyle;

MessageInputBar::MessageInputBar(SendText onSend, SendFile onSendFile, Typing onTyping, QWidget* parent)
    : QWidget(parent)
    , m_onSend(std::move(onSend))
    , m_onSendFile(std::move(onSendFile))
    , m_onTyping(std::move(onTyping))
    , m_attach(new QToolButton(this))
    , m_field(new QPlainTextEdit(this))
    , m_send(new QToolButton(this))
{
    setObjectName(QStringLiteral("messageInputBar"));
    setAttribute(Qt::WA_StyledBackground);
    setStyleSheet(QStringLiteral("#messageInputBar { background: %1; }").arg(Appearance::barBackground().name()));

    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(12, 8, 12, 8);
    row->setSpacing(8);

    m_attach->setObjectName(QStringLiteral("attachButton"));
    m_attach->setAutoRaise(true);
    m_attach->setCursor(Qt::PointingHandCursor);
    Icons::apply(m_attach, QStringLiteral("plus.circle"), 22, Appearance::secondaryText());
    connect(m_attach, &QToolButton::clicked, this, &MessageInputBar::openFilePicker);

    m_field->setObjectName(QStringLiteral("messageField"));
    m_field->setFont(Appearance::font(TextStyle::Body));
    TabLeavesField::apply(m_field);
    m_field->setFrameShape(QFrame::NoFrame);
    m_field->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_field->document()->setDocumentMargin(8);
    // The style sheet hides the platform's frame, and with it the focus: the ring is drawn in the border.
    m_field->setStyleSheet(QStringLiteral("QPlainTextEdit { background: %1; border-radius: 8px; border: 2px solid transparent; }"
                                          "QPlainTextEdit:focus { border-color: %2; }")
                               .arg(Appearance::controlBackground().name(), Appearance::focusRing().name(QColor::HexArgb)));
    m_field->installEventFilter(this);
    connect(m_field, &QPlainTextEdit::textChanged, this, &MessageInputBar::textEdited);

    m_send->setObjectName(QStringLiteral("sendButton"));
    m_send->setAutoRaise(true);
    m_send->setCursor(Qt::PointingHandCursor);
    connect(m_send, &QToolButton::clicked, this, &MessageInputBar::send);

    row->addWidget(m_attach, 0, Qt::AlignBottom);
    row->addWidget(m_field, 1);
    row->addWidget(m_send, 0, Qt::AlignBottom);

    m_clearing = true;
    textEdited();
    m_clearing = false;
    connect(&LocalizationManager::shared(), &LocalizationManager::bundleChanged, this, &MessageInputBar::retranslate);
    retranslate();
}

void MessageInputBar::focusField()
{
    m_field->setFocus(Qt::OtherFocusReason);
    m_field->moveCursor(QTextCursor::End);
}

void MessageInputBar::retranslate()
{
    m_field->setPlaceholderText(Localized::text("input.placeholder"));
    m_field->setAccessibleName(Localized::text("input.placeholder"));
    m_attach->setAccessibleName(Localized::text("input.attach"));
    m_attach->setToolTip(Localized::text("input.attach"));
    m_send->setAccessibleName(Localized::text("input.send"));
    m_send->setToolTip(Localized::text("input.send"));
    if (m_picker)
        updatePickerFilters();
}

void MessageInputBar::updatePickerFilters()
{
    const QStringList filters {
        Localized::text("input.files_all") + QStringLiteral(" (*)"),
        Localized::text("input.files_images") + QStringLiteral(" (*.png *.jpg *.jpeg *.gif *.webp *.heic *.bmp)"),
        QStringLiteral("PDF (*.pdf)"),
    };
    const int chosen = int(m_picker->nameFilters().indexOf(m_picker->selectedNameFilter()));
    m_picker->setNameFilters(filters);
    m_picker->selectNameFilter(filters.value(qMax(0, chosen)));
}

QString MessageInputBar::text() const
{
    return m_field->toPlainText();
}

void MessageInputBar::setText(const QString& text)
{
    m_field->setPlainText(text);
    m_field->moveCursor(QTextCursor::End);
}

void MessageInputBar::textEdited()
{
    const QString draft = text();
    // Blue as soon as anything is typed, blanks included; enabled only for real text.
    Icons::apply(m_send, QStringLiteral("paperplane.fill"), 22,
        draft.isEmpty() ? Appearance::secondaryText() : Appearance::accent());
    m_send->setEnabled(!draft.trimmed().isEmpty());
    updateFieldHeight();
    if (!m_clearing && !draft.isEmpty() && m_onTyping)
        m_onTyping();
}

void MessageInputBar::updateFieldHeight()
{
    int lines = 0;
    for (QTextBlock block = m_field->document()->begin(); block.isValid(); block = block.next())
        lines += qMax(1, block.layout() ? block.layout()->lineCount() : 1);
    // Past five lines the field stops growing and scrolls instead.
    m_field->setVerticalScrollBarPolicy(lines > MaxVisibleLines ? Qt::ScrollBarAsNeeded : Qt::ScrollBarAlwaysOff);
    lines = qBound(1, lines, MaxVisibleLines);
    const int lineHeight = QFontMetrics(m_field->font()).lineSpacing();
    const int margins = int(2 * m_field->document()->documentMargin()) + 2 * m_field->frameWidth() + 2;
    m_field->setFixedHeight(lines * lineHeight + margins);
}

bool MessageInputBar::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_field && event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
            handleSubmit(key->modifiers());
            return true;
        }
        if (key->key() == Qt::Key_Escape && key->modifiers() == Qt::NoModifier && m_onEscape && m_onEscape())
            return true;
    }
    // Wrapped lines count too, and a new width re-wraps them; the field lays its
    // text out again only after this filter has seen the resize, so measure then.
    if (watched == m_field && event->type() == QEvent::Resize)
        QMetaObject::invokeMethod(this, &MessageInputBar::updateFieldHeight, Qt::QueuedConnection);
    return QWidget::eventFilter(watched, event);
}

void MessageInputBar::handleSubmit(Qt::KeyboardModifiers modifiers)
{
    if (modifiers & Qt::ShiftModifier) {
        m_field->moveCursor(QTextCursor::End);
        m_field->insertPlainText(QStringLiteral("\n"));
        return;
    }
    send();
}

void MessageInputBar::send()
{
    const QString trimmed = text().trimmed();
    if (trimmed.isEmpty())
        return;
    if (m_onSend)
        m_onSend(trimmed);
    m_clearing = true;
    m_field->clear();
    m_clearing = false;
}

void MessageInputBar::openFilePicker()
{
    if (!m_picker) {
        m_picker = new QFileDialog(this);
        m_picker->setObjectName(QStringLiteral("filePicker"));
        m_picker->setFileMode(QFileDialog::ExistingFile);
        updatePickerFilters();
        // fileSelected, not urlSelected: Qt's own dialog (no native one on the desktop,
        // or under Xvfb) emits only the former; a native dialog emits both.
        connect(m_picker, &QFileDialog::fileSelected, this,
            [this](const QString& path) { handleImportedFile(QUrl::fromLocalFile(path)); });
    }
    m_picker->open();
}

QString MessageInputBar::privateTemporaryDirectory()
{
    // QTemporaryDir creates the folder with mode 0700, so other local users can
    // neither read the copies nor plant a file under the name we are about to use.
    static QTemporaryDir directory(QDir::tempPath() + QStringLiteral("/morvane-XXXXXX"));
    return directory.isValid() ? directory.path() : QString();
}

void MessageInputBar::handleImportedFile(const QUrl& picked)
{
    if (picked.isEmpty() || !picked.isLocalFile())
        return;
    const QString source = picked.toLocalFile();
    const QString folder = privateTemporaryDirectory();
    auto fail = [](const QString& why) { qWarning().noquote() << "[FileImporter] Failed to copy file:" << why; };
    if (folder.isEmpty()) {
        fail(QStringLiteral("no private temporary folder"));
        return;
    }
    // Checked before copying: a file that cannot be sent is not worth a copy.
    if (QFileInfo(source).size() > ChatViewModel::maxFileBytes) {
        if (m_onFileTooLarge)
            m_onFileTooLarge();
        return;
    }
    const QString destination = QDir(folder).filePath(QFileInfo(source).fileName());
    if (QFileInfo::exists(destination) && !QFile::remove(destination)) {
        fail(QStringLiteral("cannot replace ") + destination);
        return;
    }
    QFile file(source);
    if (!file.copy(destination)) {
        fail(file.errorString());
        return;
    }
    sendCopy(destination);
}

QCoro::Task<> MessageInputBar::sendCopy(QString copy)
{
    // Only the copy is touched after the send: the bar may be gone by then.
    if (m_onSendFile)
        co_await m_onSendFile(QUrl::fromLocalFile(copy));
    QFile::remove(copy);
}
