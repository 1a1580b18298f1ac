#include "views/admin/AdminDashboardView.h"

#include "state/admin/AdminDashboardViewModel.h"
#include "state/common/LocalizationManager.h"
#include "views/admin/AdminOverviewView.h"
#include "views/common/ErrorAlert.h"
#include "views/admin/GroupManagementView.h"
#include "views/admin/MessageAuditView.h"
#include "views/common/ReturnPressesButton.h"
#include "views/admin/SensitiveWordsView.h"
#include "views/admin/SystemConfigView.h"
#include "views/admin/UserManagementView.h"
#include "views/common/Appearance.h"
#include "views/common/Divider.h"
#include "views/common/Icons.h"
#include "views/common/Localized.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QScrollArea>
#include <QVBoxLayout>

namespace {

// The page of a section that is still to come: its icon, title and a note.
QWidget* comingPage(AdminSection section)
{
    auto* page = new QWidget;
    page->setObjectName(QStringLiteral("comingPage"));
    auto* column = new QVBoxLayout(page);
    column->addStretch(1);
    auto* icon = new QLabel(page);
    Icons::apply(icon, adminsection::icon(section), 48, Appearance::secondaryText());
    column->addWidget(icon, 0, Qt::AlignHCenter);
    auto* title = new QLabel(Localized::text(adminsection::titleKey(section)), page);
    title->setObjectName(QStringLiteral("comingTitle"));
    title->setFont(Appearance::font(Appearance::TextStyle::Title2));
    Appearance::setTextColor(title, Appearance::secondaryText());
    column->addWidget(title, 0, Qt::AlignHCenter);
    auto* note = new QLabel(Localized::text(adminsection::comingKey(section)), page);
    note->setObjectName(QStringLiteral("comingNote"));
    Appearance::setTextColor(note, QColor(0xb0, 0xb0, 0xb5));
    column->addWidget(note, 0, Qt::AlignHCenter);
    column->addStretch(1);
    return page;
}

} // namespace

AdminDashboardView::AdminDashboardView(APIClient& api, QWidget* parent)
    : QWidget(parent)
    , m_api(api)
    , m_model(new AdminDashboardViewModel(api, this))
    , m_sidebar(new QListWidget(this))
    , m_detailLayout(new QVBoxLayout)
{
    setObjectName(QStringLiteral("adminDashboardView"));
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(0);
    auto* sidebar = new QWidget(this);
    sidebar->setObjectName(QStringLiteral("adminSidebar"));
    sidebar->setAttribute(Qt::WA_StyledBackground);
    sidebar->setStyleSheet(QStringLiteral("#adminSidebar { background: %1; }").arg(Appearance::barBackground().name()));
    sidebar->setMinimumWidth(180);
    sidebar->setMaximumWidth(220);
    auto* sideColumn = new QVBoxLayout(sidebar);
    sideColumn->setContentsMargins(6, 0, 6, 6);
    m_sidebar->setObjectName(QStringLiteral("adminSections"));
    m_sidebar->setFrameShape(QFrame::NoFrame);
    m_sidebar->setIconSize(QSize(16, 16));
    // The chosen section looks the same with or without the keyboard: a ring in
    // the list's border says when it has it.
    m_sidebar->setStyleSheet(QStringLiteral("QListWidget { background: transparent; outline: 0; border: 2px solid transparent;"
                                            " border-radius: 8px; }"
                                            "QListWidget:focus { border-color: %1; }"
                                            "QListWidget::item { padding: 6px 6px; border-radius: 6px; }"
                                            "QListWidget::item:selected { background: rgba(0, 122, 255, 46); color: palette(text); }")
                                 .arg(Appearance::focusRing().name(QColor::HexArgb)));
    for (AdminSection section : adminsection::allCases()) {
        auto* item = new QListWidgetItem(Icons::icon(adminsection::icon(section)), QString(), m_sidebar);
        item->setData(Qt::UserRole, adminsection::rawValue(section));
    }
    auto* title = new QLabel(sidebar);
    title->setObjectName(QStringLiteral("adminTitle"));
    title->setFont(Appearance::font(Appearance::TextStyle::Headline));
    title->setContentsMargins(8, 12, 8, 6);
    sideColumn->addWidget(title);
    sideColumn->addWidget(m_sidebar, 1);
    row->addWidget(sidebar);
    row->addWidget(divider(this, Qt::Vertical));
    m_detailLayout->setContentsMargins(0, 0, 0, 0);
    row->addLayout(m_detailLayout, 1);

    connect(m_sidebar, &QListWidget::currentRowChanged, this, [this](int index) {
        if (index >= 0)
            setSelectedTab(adminsection::allCases().at(index));
    });
    ReturnPressesButton::attach(this);
    bindErrorAlert(this, m_model);
    connect(&LocalizationManager::shared(), &LocalizationManager::bundleChanged, this, &AdminDashboardView::retranslate);
    retranslate();
    m_sidebar->setCurrentRow(0);
    if (!m_detail)
        setSelectedTab(AdminSection::dashboard);
}

void AdminDashboardView::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    if (m_shown)
        return;
    m_shown = true;
    m_model->loadStats();
}

void AdminDashboardView::retranslate()
{
    findChild<QLabel*>(QStringLiteral("adminTitle"))->setText(Localized::text("admin.title"));
    setWindowTitle(Localized::text("admin.title"));
    m_sidebar->setAccessibleName(Localized::text("admin.title"));
    for (int i = 0; i < m_sidebar->count(); ++i)
        m_sidebar->item(i)->setText(Localized::text(adminsection::titleKey(adminsection::allCases().at(i))));
    // The coming pages carry only fixed texts: rebuilding them is the simplest relabel.
    if (!adminsection::comingKey(m_selectedTab).isEmpty() && m_detail)
        setSelectedTab(m_selectedTab);
}

void AdminDashboardView::setSelectedTab(AdminSection section)
{
    const bool rebuildComing = section == m_selectedTab && !adminsection::comingKey(section).isEmpty();
    if (section == m_selectedTab && m_detail && !rebuildComing)
        return;
    m_selectedTab = section;
    if (m_sidebar->currentRow() != int(section))
        m_sidebar->setCurrentRow(int(section));
    if (m_detail) {
        m_detailLayout->removeWidget(m_detail);
        m_detail->hide();
        m_detail->deleteLater();
    }
    m_detail = detailView(section);
    m_detail->setParent(this);
    m_detailLayout->addWidget(m_detail);
    m_detail->show();
}

QWidget* AdminDashboardView::detailView(AdminSection section)
{
    switch (section) {
    case AdminSection::dashboard: {
        auto* scroll = new QScrollArea;
        scroll->setObjectName(QStringLiteral("dashboardScroll"));
        scroll->setWidgetResizable(true);
        scroll->setFrameShape(QFrame::NoFrame);
        // The page fits the console: the keyboard goes to its refresh button, not to the frame around it.
        scroll->setFocusPolicy(Qt::NoFocus);
        scroll->setWidget(new AdminOverviewView(m_model));
        return scroll;
    }
    case AdminSection::users: return new UserManagementView(m_api);
    case AdminSection::groups: return new GroupManagementView(m_api);
    case AdminSection::messages: return new MessageAuditView(m_api);
    case AdminSection::sensitiveWords: return new SensitiveWordsView(m_api);
    case AdminSection::systemConfig: return new SystemConfigView(m_api);
    case AdminSection::auditLogs:
    case AdminSection::reports: return comingPage(section);
    }
    return comingPage(section);
}
