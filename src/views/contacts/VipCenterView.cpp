#include "views/contacts/VipCenterView.h"

#include "state/common/LocalizationManager.h"
#include "state/contacts/VipCenterViewModel.h"
#include "views/common/Appearance.h"
#include "views/common/Divider.h"
#include "views/common/ElidedLabel.h"
#include "views/common/Icons.h"
#include "views/common/Localized.h"
#include "views/common/PlainLabel.h"
#include "views/common/ShadedPanel.h"
#include "views/common/Spinner.h"
#include "views/common/VerticalScrollArea.h"

#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QScrollArea>
#include <QShowEvent>
#include <QVBoxLayout>

using Appearance::TextStyle;

namespace {

const QColor Gold(255, 204, 0);
const QColor Blue(0, 122, 255);
const QColor Green(52, 199, 89);

QWidget* levelCard(const VipService::VipLevel& level, QWidget* parent)
{
    auto* card = new QWidget(parent);
    card->setObjectName(QStringLiteral("vipLevelCard"));
    shadePanel(card, 8);
    auto* column = new QVBoxLayout(card);
    column->setSpacing(8);
    column->setContentsMargins(12, 12, 12, 12);
    auto* top = new QHBoxLayout;
    auto* title = new ElidedLabel(VipCenterViewModel::levelTitle(level), card);
    title->setObjectName(QStringLiteral("vipLevelTitle"));
    QFont semibold = Appearance::font(TextStyle::Body);
    semibold.setWeight(QFont::DemiBold);
    title->setFont(semibold);
    top->addWidget(title, 1);
    if (const std::optional<QString> price = VipCenterViewModel::priceText(level)) {
        auto* label = plainLabel(*price, TextStyle::Body, card);
        label->setObjectName(QStringLiteral("vipLevelPrice"));
        Appearance::setTextColor(label, Blue);
        top->addWidget(label);
    }
    column->addLayout(top);
    for (const QString& benefit : level.benefits.value_or(QList<QString>())) {
        auto* line = new QHBoxLayout;
        line->setSpacing(6);
        auto* tick = new QLabel(card);
        Icons::apply(tick, QStringLiteral("checkmark.circle.fill"), 14, Green);
        auto* text = plainLabel(benefit, TextStyle::Caption, card);
        text->setObjectName(QStringLiteral("vipBenefit"));
        text->setWordWrap(true);
        Appearance::setTextColor(text, Green);
        line->addWidget(tick, 0, Qt::AlignTop);
        line->addWidget(text, 1);
        column->addLayout(line);
    }
    return card;
}

} // namespace

VipCenterView::VipCenterView(QWidget* parent)
    : VipCenterView(std::make_unique<VipCenterViewModel>(), parent)
{
}

VipCenterView::VipCenterView(std::unique_ptr<VipCenterViewModel> viewModel, QWidget* parent)
    : QWidget(parent)
    , m_viewModel(std::move(viewModel))
{
    setObjectName(QStringLiteral("vipCenterView"));
    setWindowTitle(VipCenterViewModel::title());
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    auto* scroll = new VerticalScrollArea(this);
    outer->addWidget(scroll);
    auto* page = new QWidget(scroll);
    auto* column = new QVBoxLayout(page);
    column->setSpacing(20);
    column->setContentsMargins(0, 16, 0, 16);

    auto* card = new QVBoxLayout;
    card->setSpacing(8);
    m_crown = new QLabel(page);
    m_crown->setObjectName(QStringLiteral("vipCrown"));
    m_statusText = plainLabel(QString(), TextStyle::Title2, page);
    m_statusText->setObjectName(QStringLiteral("vipStatusText"));
    QFont semibold = m_statusText->font();
    semibold.setWeight(QFont::DemiBold);
    m_statusText->setFont(semibold);
    m_expiry = plainLabel(QString(), TextStyle::Caption, page);
    m_expiry->setObjectName(QStringLiteral("vipExpiry"));
    Appearance::setTextColor(m_expiry, Appearance::secondaryText());
    m_statusError = plainLabel(QString(), TextStyle::Caption, page);
    m_statusError->setObjectName(QStringLiteral("vipStatusError"));
    m_statusError->setWordWrap(true);
    m_statusError->setAlignment(Qt::AlignCenter);
    Appearance::setTextColor(m_statusError, Qt::red);
    m_statusRetry = new QPushButton(page);
    m_statusRetry->setObjectName(QStringLiteral("vipStatusRetryButton"));
    for (QWidget* item : { static_cast<QWidget*>(m_crown), static_cast<QWidget*>(m_statusText), static_cast<QWidget*>(m_expiry) })
        card->addWidget(item, 0, Qt::AlignHCenter);
    // Full width, so a long error wraps instead of being cut.
    m_statusError->setContentsMargins(16, 0, 16, 0);
    card->addWidget(m_statusError);
    card->addWidget(m_statusRetry, 0, Qt::AlignHCenter);
    column->addLayout(card);

    column->addWidget(divider(page));
    auto* heading = plainLabel(VipCenterViewModel::levelsHeading(), TextStyle::Headline, page);
    heading->setObjectName(QStringLiteral("vipLevelsHeading"));
    column->addWidget(heading, 0, Qt::AlignHCenter);
    m_spinner = new Spinner(20, Appearance::secondaryText(), page);
    column->addWidget(m_spinner, 0, Qt::AlignHCenter);
    m_levelsError = plainLabel(QString(), TextStyle::Caption, page);
    m_levelsError->setObjectName(QStringLiteral("vipLevelsError"));
    m_levelsError->setWordWrap(true);
    m_levelsError->setAlignment(Qt::AlignCenter);
    m_levelsError->setContentsMargins(16, 0, 16, 0);
    Appearance::setTextColor(m_levelsError, Qt::red);
    column->addWidget(m_levelsError);
    m_levelsRetry = new QPushButton(page);
    m_levelsRetry->setObjectName(QStringLiteral("vipLevelsRetryButton"));
    column->addWidget(m_levelsRetry, 0, Qt::AlignHCenter);
    m_levels = new QVBoxLayout;
    m_levels->setSpacing(20);
    m_levels->setContentsMargins(16, 0, 16, 0);
    column->addLayout(m_levels);
    column->addStretch(1);
    scroll->setWidget(page);

    for (QPushButton* retry : { m_statusRetry, m_levelsRetry })
        connect(retry, &QPushButton::clicked, this, [this] { m_viewModel->load(); });
    connect(m_viewModel.get(), &VipCenterViewModel::statusChanged, this, &VipCenterView::updateStatus);
    connect(m_viewModel.get(), &VipCenterViewModel::levelsChanged, this, &VipCenterView::updateLevels);
    connect(m_viewModel.get(), &VipCenterViewModel::isLoadingChanged, this, &VipCenterView::updateLevels);
    connect(&LocalizationManager::shared(), &LocalizationManager::bundleChanged, this, &VipCenterView::retranslate);
    retranslate();
}

VipCenterView::~VipCenterView() = default;

void VipCenterView::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    if (!event->spontaneous())
        m_viewModel->load();
}

void VipCenterView::retranslate()
{
    // Only the failures speak the interface language; the page's own texts are built in.
    m_statusRetry->setText(Localized::text("vip.retry"));
    m_levelsRetry->setText(Localized::text("vip.retry"));
    // The page scrolls by the keyboard; it is named in the interface language.
    findChild<VerticalScrollArea*>()->setAccessibleName(Localized::text("vip.title"));
    updateStatus();
    updateLevels();
}

void VipCenterView::updateStatus()
{
    const bool member = m_viewModel->isMember();
    Icons::apply(m_crown, QString::fromLatin1(member ? "crown.fill" : "crown"), 40, member ? Gold : Appearance::secondaryText());
    const std::optional<QString> error = m_viewModel->statusError();
    // A status that could not be read is said so, never shown as "not a member":
    // not in words and not by the grey crown either.
    m_crown->setVisible(!error);
    m_statusText->setVisible(!error);
    m_statusText->setText(m_viewModel->statusText());
    const std::optional<QString> expiry = m_viewModel->expiryText();
    m_expiry->setVisible(expiry.has_value() && !error);
    m_expiry->setText(expiry.value_or(QString()));
    m_statusError->setVisible(error.has_value());
    m_statusError->setText(Localized::text("vip.status_load_failed") + error.value_or(QString()));
    m_statusRetry->setVisible(error.has_value() && !m_viewModel->levelsError());
}

void VipCenterView::updateLevels()
{
    while (QLayoutItem* item = m_levels->takeAt(0)) {
        delete item->widget();
        delete item;
    }
    const bool loading = m_viewModel->isLoading();
    m_spinner->setVisible(loading);
    const std::optional<QString> error = loading ? std::nullopt : m_viewModel->levelsError();
    m_levelsError->setVisible(error.has_value());
    m_levelsError->setText(Localized::text("vip.levels_load_failed") + error.value_or(QString()));
    m_levelsRetry->setVisible(error.has_value());
    if (!loading) {
        for (const VipService::VipLevel& level : m_viewModel->levels())
            m_levels->addWidget(levelCard(level, m_levels->parentWidget()));
    }
    updateStatus();
}
