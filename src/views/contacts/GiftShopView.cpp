#include "views/contacts/GiftShopView.h"

#include "state/common/LocalizationManager.h"
#include "state/contacts/GiftShopViewModel.h"
#include "views/common/AdaptiveGrid.h"
#include "views/common/Appearance.h"
#include "views/common/ElidedLabel.h"
#include "views/common/Icons.h"
#include "views/common/Localized.h"
#include "views/common/RemoteImageView.h"
#include "views/common/ShadedPanel.h"
#include "views/common/Spinner.h"
#include "views/common/VerticalScrollArea.h"

#include <QLabel>
#include <QPushButton>
#include <QScrollArea>
#include <QShowEvent>
#include <QStackedWidget>
#include <QVBoxLayout>

using Appearance::TextStyle;

namespace {

constexpr int CardWidth = 120;
const QColor Pink(255, 45, 85);
const QColor Orange(255, 149, 0);

QWidget* giftCard(const GiftService::Gift& gift, const QUrl& icon, QWidget* parent)
{
    auto* card = new QWidget(parent);
    card->setObjectName(QStringLiteral("giftCard"));
    card->setMinimumWidth(CardWidth);
    shadePanel(card, 8);
    auto* column = new QVBoxLayout(card);
    column->setSpacing(8);
    column->setContentsMargins(10, 10, 10, 10);
    const QPixmap symbol = Icons::pixmap(QStringLiteral("gift.fill"), 30, Pink, card->devicePixelRatioF());
    if (icon.isValid()) {
        auto* picture = new RemoteImageView(icon, QSize(60, 60), RemoteImageView::Fit::Contain, 0, card);
        picture->setObjectName(QStringLiteral("giftPicture"));
        picture->setPlaceholder(symbol);
        column->addWidget(picture, 0, Qt::AlignHCenter);
    } else {
        auto* plain = new QLabel(card);
        plain->setObjectName(QStringLiteral("giftSymbol"));
        Icons::apply(plain, QStringLiteral("gift.fill"), 30, Pink);
        column->addWidget(plain, 0, Qt::AlignHCenter);
    }
    auto* name = new ElidedLabel(card);
    name->setObjectName(QStringLiteral("giftName"));
    QFont medium = Appearance::font(TextStyle::Caption);
    medium.setWeight(QFont::Medium);
    name->setFont(medium);
    name->setFullText(GiftShopViewModel::displayName(gift));
    name->setAlignment(Qt::AlignHCenter);
    column->addWidget(name);
    if (const std::optional<QString> price = GiftShopViewModel::priceText(gift)) {
        auto* label = new QLabel(*price, card);
        label->setObjectName(QStringLiteral("giftPrice"));
        label->setFont(Appearance::font(TextStyle::Caption2));
        Appearance::setTextColor(label, Orange);
        column->addWidget(label, 0, Qt::AlignHCenter);
    }
    return card;
}

} // namespace

GiftShopView::GiftShopView(QWidget* parent)
    : GiftShopView(std::make_unique<GiftShopViewModel>(), parent)
{
}

GiftShopView::GiftShopView(std::unique_ptr<GiftShopViewModel> viewModel, QWidget* parent)
    : QWidget(parent)
    , m_viewModel(std::move(viewModel))
    , m_content(new QStackedWidget(this))
    , m_loadingPage(new QWidget(m_content))
    , m_emptyText(new QLabel(GiftShopViewModel::emptyText(), m_content))
    , m_errorPage(new QWidget(m_content))
    , m_errorText(new QLabel(m_errorPage))
    , m_retryButton(new QPushButton(m_errorPage))
    , m_gridPage(new QWidget(m_content))
    , m_gridHolder(new QVBoxLayout(m_gridPage))
{
    setObjectName(QStringLiteral("giftShopView"));
    setWindowTitle(GiftShopViewModel::title());
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    auto* scroll = new VerticalScrollArea(this);
    outer->addWidget(scroll);
    auto* page = new QWidget(scroll);
    auto* column = new QVBoxLayout(page);
    column->setSpacing(16);
    column->setContentsMargins(16, 16, 16, 16);
    auto* heading = new QLabel(GiftShopViewModel::title(), page);
    heading->setObjectName(QStringLiteral("giftShopHeading"));
    QFont title = Appearance::font(TextStyle::Title2);
    title.setWeight(QFont::DemiBold);
    heading->setFont(title);
    column->addWidget(heading, 0, Qt::AlignHCenter);

    auto* loading = new QVBoxLayout(m_loadingPage);
    loading->addWidget(new Spinner(20, Appearance::secondaryText(), m_loadingPage), 0, Qt::AlignHCenter);
    m_emptyText->setObjectName(QStringLiteral("giftShopEmpty"));
    m_emptyText->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    Appearance::setTextColor(m_emptyText, Appearance::secondaryText());
    auto* failed = new QVBoxLayout(m_errorPage);
    m_errorText->setObjectName(QStringLiteral("giftShopError"));
    m_errorText->setTextFormat(Qt::PlainText);
    m_errorText->setWordWrap(true);
    m_errorText->setAlignment(Qt::AlignCenter);
    Appearance::setTextColor(m_errorText, Qt::red);
    m_retryButton->setObjectName(QStringLiteral("giftShopRetryButton"));
    failed->addWidget(m_errorText);
    failed->addWidget(m_retryButton, 0, Qt::AlignHCenter);
    failed->addStretch(1);
    m_gridHolder->setContentsMargins(0, 0, 0, 0);
    m_gridHolder->addStretch(1);
    for (QWidget* state : { m_loadingPage, static_cast<QWidget*>(m_emptyText), m_errorPage, m_gridPage })
        m_content->addWidget(state);
    column->addWidget(m_content);
    column->addStretch(1);
    scroll->setWidget(page);

    connect(m_retryButton, &QPushButton::clicked, this, [this] { m_viewModel->loadGifts(); });
    connect(m_viewModel.get(), &GiftShopViewModel::isLoadingChanged, this, &GiftShopView::updateContent);
    connect(m_viewModel.get(), &GiftShopViewModel::errorChanged, this, &GiftShopView::updateContent);
    connect(m_viewModel.get(), &GiftShopViewModel::giftsChanged, this, &GiftShopView::rebuildGrid);
    connect(&LocalizationManager::shared(), &LocalizationManager::bundleChanged, this, &GiftShopView::retranslate);
    retranslate();
    rebuildGrid();
}

GiftShopView::~GiftShopView() = default;

void GiftShopView::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    if (!event->spontaneous())
        m_viewModel->loadGifts();
}

void GiftShopView::retranslate()
{
    // Only the failure speaks the interface language; the shop's own texts are built in.
    m_retryButton->setText(Localized::text("gifts.retry"));
    // The page scrolls by the keyboard; it is named in the interface language.
    findChild<VerticalScrollArea*>()->setAccessibleName(Localized::text("gifts.title"));
    updateContent();
}

void GiftShopView::rebuildGrid()
{
    delete m_grid;
    m_grid = new AdaptiveGrid(CardWidth, 16, m_gridPage);
    m_grid->setObjectName(QStringLiteral("giftGrid"));
    for (const GiftService::Gift& gift : m_viewModel->gifts())
        m_grid->addCell(giftCard(gift, m_viewModel->iconUrl(gift), m_grid));
    m_gridHolder->insertWidget(0, m_grid);
    updateContent();
}

void GiftShopView::updateContent()
{
    QWidget* shown = m_gridPage;
    if (m_viewModel->isLoading()) {
        shown = m_loadingPage;
    } else if (const std::optional<QString> error = m_viewModel->error()) {
        m_errorText->setText(Localized::text("gifts.load_failed") + *error);
        shown = m_errorPage;
    } else if (m_viewModel->gifts().isEmpty()) {
        shown = m_emptyText;
    }
    m_content->setCurrentWidget(shown);
}
