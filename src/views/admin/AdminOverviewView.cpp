#include "views/admin/AdminOverviewView.h"

#include "state/admin/AdminDashboardViewModel.h"
#include "state/common/LocalizationManager.h"
#include "views/admin/AdminStatCard.h"
#include "views/common/Appearance.h"
#include "views/common/Icons.h"
#include "views/common/Localized.h"
#include "views/common/Spinner.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QStackedWidget>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

const AdminStatCard::Tile tiles[] = {
    { "admin.total_users", "person.3", Tint::Blue },
    { "admin.online_users", "circle.fill", Tint::Green },
    { "admin.total_messages", "message", Tint::Orange },
    { "admin.active_groups", "person.2", Tint::Purple },
};

} // namespace

AdminOverviewView::AdminOverviewView(AdminDashboardViewModel* model, QWidget* parent)
    : QWidget(parent)
    , m_model(model)
    , m_heading(new QLabel(this))
    , m_refresh(new QToolButton(this))
    , m_content(new QStackedWidget(this))
{
    setObjectName(QStringLiteral("adminOverviewView"));
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(16, 16, 16, 16);
    column->setSpacing(20);
    auto* top = new QHBoxLayout;
    m_heading->setObjectName(QStringLiteral("overviewHeading"));
    QFont title = Appearance::font(Appearance::TextStyle::Title);
    title.setBold(true);
    m_heading->setFont(title);
    m_refresh->setObjectName(QStringLiteral("refreshButton"));
    m_refresh->setAutoRaise(true);
    Icons::apply(m_refresh, QStringLiteral("arrow.clockwise"), 18);
    top->addWidget(m_heading);
    top->addStretch(1);
    top->addWidget(m_refresh);
    column->addLayout(top);

    auto* spinnerPage = new QWidget(m_content);
    spinnerPage->setObjectName(QStringLiteral("loadingPage"));
    spinnerPage->setMinimumHeight(200);
    (new QVBoxLayout(spinnerPage))->addWidget(new Spinner(28, Appearance::secondaryText(), spinnerPage), 0, Qt::AlignCenter);
    auto* grid = new QWidget(m_content);
    auto* gridLayout = new QGridLayout(grid);
    gridLayout->setContentsMargins(0, 0, 0, 0);
    gridLayout->setHorizontalSpacing(12);
    gridLayout->setVerticalSpacing(16);
    for (int i = 0; i < 4; ++i) {
        auto* card = new AdminStatCard(tiles[i], QStringLiteral("0"), grid);
        card->setMinimumWidth(10);
        gridLayout->addWidget(card, 0, i);
        gridLayout->setColumnStretch(i, 1);
        m_cards.append(card);
    }
    m_content->addWidget(spinnerPage);
    m_content->addWidget(grid);
    column->addWidget(m_content);
    column->addStretch(1);

    connect(m_refresh, &QToolButton::clicked, m_model, [this] { m_model->loadStats(); });
    connect(m_model, &AdminDashboardViewModel::statsChanged, this, &AdminOverviewView::update);
    connect(m_model, &AdminDashboardViewModel::isLoadingChanged, this, &AdminOverviewView::update);
    connect(&LocalizationManager::shared(), &LocalizationManager::bundleChanged, this, &AdminOverviewView::retranslate);
    retranslate();
    update();
}

void AdminOverviewView::retranslate()
{
    m_heading->setText(Localized::text("admin.dashboard_overview"));
    m_refresh->setToolTip(Localized::text("admin.refresh"));
    m_refresh->setAccessibleName(Localized::text("admin.refresh"));
    for (AdminStatCard* card : std::as_const(m_cards))
        card->retranslate();
}

void AdminOverviewView::update()
{
    m_content->setCurrentIndex(m_model->isLoading() ? 0 : 1);
    const QList<qint64> values = m_model->tileValues();
    for (int i = 0; i < m_cards.size(); ++i)
        m_cards.at(i)->setValue(QString::number(values.at(i)));
}
