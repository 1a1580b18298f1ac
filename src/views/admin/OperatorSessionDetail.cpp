#include "views/admin/OperatorSessionDetail.h"

#include "state/admin/OperatorConsoleViewModel.h"
#include "state/common/LocalizationManager.h"
#include "state/common/PrintfFormat.h"
#include "views/admin/CapsuleBadge.h"
#include "views/admin/OperatorSessionRow.h"
#include "views/admin/TintColor.h"
#include "views/common/Appearance.h"
#include "views/common/Divider.h"
#include "views/common/ElidedLabel.h"
#include "views/common/Localized.h"

#include <QGuiApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStyleHints>
#include <QVBoxLayout>

OperatorSessionDetail::OperatorSessionDetail(OperatorConsoleViewModel* model, QWidget* parent)
    : QWidget(parent)
    , m_model(model)
    , m_name(new ElidedLabel(this))
    , m_sessionId(new QLabel(this))
    , m_status(new CapsuleBadge(QString(), Tint::Gray, this))
    , m_actions(new QWidget(this))
    , m_accept(new QPushButton(m_actions))
    , m_end(new QPushButton(m_actions))
    , m_messageArea(new QLabel(this))
    , m_inputBar(new QWidget(this))
    , m_input(new QLineEdit(m_inputBar))
    , m_send(new QPushButton(m_inputBar))
{
    setObjectName(QStringLiteral("operatorSessionDetail"));
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    auto* header = new QHBoxLayout;
    header->setContentsMargins(16, 12, 16, 12);
    auto* titles = new QVBoxLayout;
    titles->setSpacing(2);
    m_name->setObjectName(QStringLiteral("detailName"));
    m_name->setFont(Appearance::font(Appearance::TextStyle::Headline));
    m_sessionId->setObjectName(QStringLiteral("detailSessionId"));
    m_sessionId->setFont(Appearance::font(Appearance::TextStyle::Caption));
    Appearance::setTextColor(m_sessionId, Appearance::secondaryText());
    titles->addWidget(m_name);
    titles->addWidget(m_sessionId);
    header->addLayout(titles, 1);
    m_status->setObjectName(QStringLiteral("statusCapsule"));
    header->addWidget(m_status);
    // Both buttons are drawn by style sheets, which leave out the style's focus
    // frame: a ring in the border shows which one has the keyboard.
    const QString ring = Appearance::focusRing().name(QColor::HexArgb);
    m_accept->setObjectName(QStringLiteral("acceptButton"));
    m_accept->setStyleSheet(QStringLiteral("QPushButton { background: %1; color: white; border: 2px solid transparent;"
                                           " border-radius: 7px; background-clip: padding; padding: 2px 9px; outline: none; }"
                                           "QPushButton:disabled { background: palette(mid); }"
                                           "QPushButton:focus { border-color: %2; }")
                                .arg(tintColor(Tint::Green).name(), ring));
    m_end->setObjectName(QStringLiteral("endButton"));
    m_end->setStyleSheet(QStringLiteral("QPushButton { color: %1; background: palette(button); border: 1px solid palette(mid);"
                                        " border-radius: 6px; padding: 3px 10px; outline: none; }"
                                        "QPushButton:disabled { color: palette(mid); }"
                                        "QPushButton:focus { border: 2px solid %2; padding: 2px 9px; }")
                             .arg(tintColor(Tint::Orange).name(), ring));
    m_actions->setObjectName(QStringLiteral("sessionActions"));
    auto* actions = new QHBoxLayout(m_actions);
    actions->setContentsMargins(0, 0, 0, 0);
    actions->addWidget(m_accept);
    actions->addWidget(m_end);
    header->addWidget(m_actions);
    column->addLayout(header);
    column->addWidget(divider(this));
    m_messageArea->setObjectName(QStringLiteral("messageArea"));
    Appearance::setTextColor(m_messageArea, QColor(0xb0, 0xb0, 0xb5));
    auto* area = new QWidget(this);
    auto* areaLayout = new QVBoxLayout(area);
    areaLayout->setContentsMargins(0, 100, 0, 0);
    areaLayout->addWidget(m_messageArea, 0, Qt::AlignHCenter | Qt::AlignTop);
    areaLayout->addStretch(1);
    column->addWidget(area, 1);

    m_inputBar->setObjectName(QStringLiteral("inputBar"));
    auto* bar = new QHBoxLayout(m_inputBar);
    bar->setContentsMargins(12, 8, 12, 12);
    bar->setSpacing(8);
    m_input->setObjectName(QStringLiteral("replyField"));
    m_send->setObjectName(QStringLiteral("sendButton"));
    bar->addWidget(m_input, 1);
    bar->addWidget(m_send);
    column->addWidget(m_inputBar);

    // The state object checks the session's status as the click lands: a click
    // queued before the button hid acts on nothing.
    connect(m_accept, &QPushButton::clicked, this, &OperatorSessionDetail::accept);
    connect(m_end, &QPushButton::clicked, this, &OperatorSessionDetail::end);
    m_input->installEventFilter(this);
    connect(m_input, &QLineEdit::textEdited, m_model, &OperatorConsoleViewModel::setMessageText);
    connect(m_input, &QLineEdit::returnPressed, this, &OperatorSessionDetail::send);
    connect(m_send, &QPushButton::clicked, this, &OperatorSessionDetail::send);
    connect(m_model, &OperatorConsoleViewModel::selectionChanged, this, &OperatorSessionDetail::update);
    connect(m_model, &OperatorConsoleViewModel::busyChanged, this, &OperatorSessionDetail::update);
    connect(m_model, &OperatorConsoleViewModel::sendingChanged, this, &OperatorSessionDetail::update);
    connect(m_model, &OperatorConsoleViewModel::messageTextChanged, this, &OperatorSessionDetail::update);
    connect(&LocalizationManager::shared(), &LocalizationManager::bundleChanged, this, &OperatorSessionDetail::update);
    update();
}

void OperatorSessionDetail::setTabOrderAfter(QWidget* previous)
{
    const QList<QWidget*> chain { previous, m_accept, m_input, m_send, m_end };
    for (qsizetype i = 1; i < chain.size(); ++i)
        QWidget::setTabOrder(chain.at(i - 1), chain.at(i));
}

bool OperatorSessionDetail::eventFilter(QObject* watched, QEvent* event)
{
    // A second Space or Return meant for Accept reaches the empty reply field
    // that took the keyboard from it: it types and sends nothing.
    if (watched == m_input && event->type() == QEvent::KeyPress && m_input->text().isEmpty()) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        const auto id = m_model->selectedSessionId();
        if ((key == Qt::Key_Space || key == Qt::Key_Return || key == Qt::Key_Enter) && id && justAccepted(*id))
            return true;
    }
    return QWidget::eventFilter(watched, event);
}

void OperatorSessionDetail::accept()
{
    const auto id = m_model->selectedSessionId();
    if (!id)
        return;
    m_acceptedId = id;
    m_acceptedAt.start();
    m_replyAfterAccept = true;
    m_model->acceptSession(*id);
}

void OperatorSessionDetail::end()
{
    const auto id = m_model->selectedSessionId();
    if (!id)
        return;
    // End shows where Accept was: the second half of a double click on Accept lands
    // here, and its press took the keyboard. It goes back to the reply, where the
    // accept had put it.
    if (justAccepted(*id)) {
        if (m_end->hasFocus() && m_inputBar->isVisible())
            m_input->setFocus(Qt::OtherFocusReason);
        return;
    }
    m_model->endSession(*id);
}

bool OperatorSessionDetail::justAccepted(qint64 sessionId) const
{
    return m_acceptedId == sessionId && m_acceptedAt.isValid()
        && m_acceptedAt.elapsed() < QGuiApplication::styleHints()->mouseDoubleClickInterval();
}

void OperatorSessionDetail::send()
{
    // The session on screen now, never the one the text was typed for earlier.
    if (const auto session = m_model->selectedSession())
        m_model->sendMessage(session->id);
}

void OperatorSessionDetail::update()
{
    m_input->setAccessibleName(Localized::text("operator.reply"));
    const std::optional<OperatorSession> session = m_model->selectedSession();
    if (!session)
        return;
    m_name->setFullText(OperatorSessionRow::displayName(*session));
    m_sessionId->setText(printfFormat(Localized::text("operator.session_id"), { QString::number(session->id) }));
    const auto info = OperatorConsoleViewModel::statusInfo(session->status);
    m_status->setBadge(Localized::text(info.textKey), info.tint);
    const bool waiting = session->status == u"waiting";
    const bool active = session->status == u"active";
    const bool busy = m_model->isBusy(session->id);
    // A button that loses the keyboard by hiding or waiting would pass it down the
    // Tab order, out of this pane: it stays here instead.
    // The window's focus widget, not hasFocus(): an error alert may have the
    // keyboard for a moment, and the console gets it back on closing it.
    const QWidget* keyboard = window()->focusWidget();
    const bool actionHadFocus = keyboard && (keyboard == m_actions || m_actions->isAncestorOf(keyboard));
    if (actionHadFocus)
        m_actions->setFocus(Qt::OtherFocusReason);
    m_accept->setText(Localized::text("operator.accept"));
    m_end->setText(Localized::text("operator.end_session"));
    m_accept->setVisible(waiting);
    m_end->setVisible(active);
    m_accept->setEnabled(!busy);
    m_end->setEnabled(!busy);
    m_messageArea->setText(Localized::text("operator.message_area"));
    m_inputBar->setVisible(active);
    m_input->setPlaceholderText(Localized::text("input.placeholder"));
    if (m_input->text() != m_model->messageText())
        m_input->setText(m_model->messageText());
    m_send->setText(Localized::text("input.send"));
    // While a reply is on its way the button waits; the keyboard stays in the bar.
    if (!m_model->canSend() && keyboard == m_send)
        m_input->setFocus(Qt::OtherFocusReason);
    m_send->setEnabled(m_model->canSend());
    // Only the accept of the session on screen, once it has gone through, hands the keyboard on.
    const bool accepted = m_replyAfterAccept && m_acceptedId == session->id && active;
    if (m_acceptedId != session->id || !busy)
        m_replyAfterAccept = false;
    if (!actionHadFocus)
        return;
    if (accepted)
        m_input->setFocus(Qt::OtherFocusReason);
    else if (QPushButton* action = waiting ? m_accept : active ? m_end : nullptr; action && !busy)
        action->setFocus(Qt::OtherFocusReason);
    else if (!waiting && !active)
        Q_EMIT focusReturned();
}
