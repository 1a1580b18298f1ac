#include "views/account/ListStateOverlay.h"

#include "state/common/LocalizationManager.h"
#include "views/common/Appearance.h"
#include "views/common/Icons.h"
#include "views/common/Localized.h"
#include "views/common/Spinner.h"

#include <QEvent>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

using Appearance::TextStyle;

namespace {

QWidget* centredPanel(QWidget* host, const QString& name, const QString& symbol, QLabel* text)
{
    auto* panel = new QWidget(host);
    panel->setObjectName(name);
    auto* column = new QVBoxLayout(panel);
    column->setSpacing(8);
    auto* icon = new QLabel(panel);
    icon->setObjectName(name + QStringLiteral("Icon"));
    Icons::apply(icon, symbol, 40, Appearance::secondaryText());
    text->setParent(panel);
    text->setFont(Appearance::font(TextStyle::Headline));
    text->setTextFormat(Qt::PlainText);
    text->setAlignment(Qt::AlignCenter);
    Appearance::setTextColor(text, Appearance::secondaryText());
    column->addWidget(icon, 0, Qt::AlignHCenter);
    column->addWidget(text, 0, Qt::AlignHCenter);
    panel->hide();
    return panel;
}

} // namespace

ListStateOverlay::ListStateOverlay(QWidget* host, const QString& namePrefix, const QString& emptyIcon)
    : QObject(host)
    , m_host(host)
    , m_emptyText(new QLabel)
    , m_failureText(new QLabel)
    , m_spinner(new Spinner(28, Appearance::accent(), host))
{
    m_empty = centredPanel(host, namePrefix + QStringLiteral("Empty"), emptyIcon, m_emptyText);
    m_failure = centredPanel(host, namePrefix + QStringLiteral("Failure"), QStringLiteral("exclamationmark.triangle"), m_failureText);
    m_failureText->setObjectName(namePrefix + QStringLiteral("FailureText"));
    // A server's description can be long; it wraps within the column instead of
    // widening the panel past it.
    m_failureText->setWordWrap(true);
    m_retry = new QPushButton(m_failure);
    m_retry->setObjectName(namePrefix + QStringLiteral("RetryButton"));
    m_retry->setCursor(Qt::PointingHandCursor);
    m_failure->layout()->addWidget(m_retry);
    m_failure->layout()->setAlignment(m_retry, Qt::AlignHCenter);
    m_spinner->hide();
    connect(m_retry, &QPushButton::clicked, this, &ListStateOverlay::retryRequested);
    connect(&LocalizationManager::shared(), &LocalizationManager::bundleChanged, this, &ListStateOverlay::retranslate);
    host->installEventFilter(this);
    retranslate();
}

void ListStateOverlay::setEmptyText(const QString& text)
{
    m_emptyText->setText(text);
    place();
}

void ListStateOverlay::showState(bool loading, bool empty, const std::optional<ScreenError>& failure)
{
    m_shownFailure = failure;
    m_spinner->setVisible(loading);
    m_empty->setVisible(!loading && empty && !failure);
    m_failure->setVisible(!loading && empty && failure);
    retranslate();
    for (QWidget* part : { static_cast<QWidget*>(m_spinner), m_empty, m_failure })
        part->raise();
}

void ListStateOverlay::retranslate()
{
    m_retry->setText(Localized::text("common.retry"));
    m_failureText->setText(m_shownFailure ? m_shownFailure->text() : QString());
    place();
}

bool ListStateOverlay::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_host && event->type() == QEvent::Resize)
        place();
    return QObject::eventFilter(watched, event);
}

void ListStateOverlay::place()
{
    const int margin = 16;
    m_failureText->setMaximumWidth(qMax(0, m_host->width() - 2 * margin));
    for (QWidget* panel : { m_empty, m_failure }) {
        panel->adjustSize();
        panel->move((m_host->width() - panel->width()) / 2, (m_host->height() - panel->height()) / 2);
    }
    m_spinner->move((m_host->width() - m_spinner->width()) / 2, (m_host->height() - m_spinner->height()) / 2);
}
