#include "views/admin/OperatorConsoleView.h"

#include "state/common/LocalizationManager.h"
#include "state/admin/OperatorConsoleViewModel.h"
#include "views/common/ErrorAlert.h"
#include "views/common/ReturnPressesButton.h"
#include "views/admin/OperatorSessionDetail.h"
#include "views/admin/OperatorSessionListModel.h"
#include "views/admin/OperatorSessionRow.h"
#include "views/admin/OperatorStatisticsView.h"
#include "views/admin/OperatorStatusBadge.h"
#include "views/admin/TintColor.h"
#include "views/admin/EmptyPlaceholder.h"
#include "views/common/Appearance.h"
#include "views/common/Divider.h"
#include "views/common/ContextMenu.h"
#include "views/common/Icons.h"
#include "views/common/ListKeyboard.h"
#include "views/common/Localized.h"
#include "views/common/RowAction.h"
#include "views/common/Spinner.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QListView>
#include <QMenu>
#include <QScrollArea>
#include <QStackedLayout>
#include <QStackedWidget>
#include <QTabBar>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>

using Appearance::TextStyle;

namespace {

// A list with a layer above it for its spinner or placeholder; the layer lets
// clicks through to the list.
QWidget* withOverlay(QListView* list, QWidget* overlay, QWidget* parent)
{
    auto* holder = new QWidget(parent);
    auto* stack = new QStackedLayout(holder);
    stack->setStackingMode(QStackedLayout::StackAll);
    overlay->setAttribute(Qt::WA_TransparentForMouseEvents);
    stack->addWidget(overlay);
    stack->addWidget(list);
    overlay->raise();
    return holder;
}

// Lists and the statistics page draw no focus frame of their own: a ring in
// their border says which one has the keyboard. rest: the border's colour otherwise.
QString focusRingSheet(const QString& type, const QString& rest)
{
    return QStringLiteral("%1 { outline: 0; border: 2px solid %2; } %1:focus { border-color: %3; }")
        .arg(type, rest, Appearance::focusRing().name(QColor::HexArgb));
}

QLabel* placeholderTitle(const char* name, QWidget* parent)
{
    auto* label = new QLabel(parent);
    label->setObjectName(QString::fromLatin1(name));
    return label;
}

} // namespace

OperatorConsoleView::OperatorConsoleView(APIClient& api, QWidget* parent)
    : QWidget(parent)
    , m_model(new OperatorConsoleViewModel(api, this))
    , m_title(new QLabel(this))
    , m_tabs(new QTabBar(this))
    , m_tabContent(new QStackedWidget(this))
    , m_workspaceRows(new OperatorSessionListModel(m_model, OperatorSessionListModel::Kind::Workspace, this))
    , m_historyRows(new OperatorSessionListModel(m_model, OperatorSessionListModel::Kind::History, this))
    , m_workspace(sessionList("workspaceList", m_workspaceRows))
    , m_history(sessionList("historyList", m_historyRows))
    , m_workspaceSpinner(new QWidget(this))
    , m_noSessions(placeholderTitle("noSessions", this))
    , m_noHistory(placeholderTitle("noHistory", this))
    , m_detail(new QStackedWidget(this))
    , m_emptySelection(new QLabel(this))
{
    setObjectName(QStringLiteral("operatorConsoleView"));
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(0);

    auto* sidebar = new QWidget(this);
    sidebar->setObjectName(QStringLiteral("operatorSidebar"));
    sidebar->setMinimumWidth(260);
    sidebar->setMaximumWidth(340);
    auto* side = new QVBoxLayout(sidebar);
    side->setContentsMargins(0, 0, 0, 0);
    side->setSpacing(0);
    auto* top = new QHBoxLayout;
    top->setContentsMargins(14, 10, 8, 0);
    m_title->setObjectName(QStringLiteral("operatorTitle"));
    m_title->setFont(Appearance::font(TextStyle::Headline));
    m_refresh = new QToolButton(sidebar);
    m_refresh->setObjectName(QStringLiteral("refreshButton"));
    m_refresh->setAutoRaise(true);
    Icons::apply(m_refresh, QStringLiteral("arrow.clockwise"), 18);
    top->addWidget(m_title);
    top->addStretch(1);
    top->addWidget(m_refresh);
    side->addLayout(top);

    auto* counters = new QHBoxLayout;
    counters->setContentsMargins(12, 12, 12, 12);
    counters->setSpacing(16);
    for (Tint tint : { Tint::Orange, Tint::Green, Tint::Gray }) {
        auto* badge = new OperatorStatusBadge(QString(), 0, tintColor(tint), sidebar);
        m_badges.append(badge);
        counters->addWidget(badge, 1);
    }
    side->addLayout(counters);
    side->addWidget(divider(sidebar));

    // Real tabs: one Tab stop, Left and Right switch, and screen readers hear page tabs.
    auto* picker = new QHBoxLayout;
    picker->setContentsMargins(12, 8, 12, 8);
    m_tabs->setParent(sidebar);
    m_tabs->setObjectName(QStringLiteral("consoleTabs"));
    m_tabs->setExpanding(true);
    m_tabs->setDrawBase(false);
    m_tabs->setIconSize(QSize(14, 14));
    for (OperatorConsoleTab tab : operatorconsoletab::allCases())
        m_tabs->addTab(Icons::icon(operatorconsoletab::icon(tab)), QString());
    picker->addWidget(m_tabs, 1);
    side->addLayout(picker);

    auto* spinnerLayout = new QVBoxLayout(m_workspaceSpinner);
    spinnerLayout->addWidget(new Spinner(24, Appearance::secondaryText(), m_workspaceSpinner), 0, Qt::AlignCenter);
    auto* workspaceOverlay = new QWidget(this);
    auto* overlayLayout = new QVBoxLayout(workspaceOverlay);
    overlayLayout->addWidget(m_workspaceSpinner);
    m_noSessionsPage = emptyPlaceholder(m_noSessions, QStringLiteral("headphones"), this);
    overlayLayout->addWidget(m_noSessionsPage);
    m_noHistoryPage = emptyPlaceholder(m_noHistory, QStringLiteral("clock"), this);
    m_tabContent->addWidget(withOverlay(m_workspace, workspaceOverlay, this));
    m_tabContent->addWidget(withOverlay(m_history, m_noHistoryPage, this));
    m_statistics = new QScrollArea(this);
    m_statistics->setWidgetResizable(true);
    m_statistics->setObjectName(QStringLiteral("statisticsScroll"));
    m_statistics->setFrameShape(QFrame::NoFrame);
    m_statistics->setStyleSheet(focusRingSheet(QStringLiteral("QScrollArea"), QStringLiteral("palette(window)")));
    m_statistics->setWidget(new OperatorStatisticsView(m_model));
    m_tabContent->addWidget(m_statistics);
    side->addWidget(m_tabContent, 1);
    row->addWidget(sidebar);
    row->addWidget(divider(this, Qt::Vertical));

    auto* emptyPage = new QWidget(m_detail);
    emptyPage->setObjectName(QStringLiteral("emptySelection"));
    auto* emptyColumn = new QVBoxLayout(emptyPage);
    emptyColumn->setSpacing(8);
    emptyColumn->addStretch(1);
    auto* emptyIcon = new QLabel(emptyPage);
    Icons::apply(emptyIcon, QStringLiteral("headphones"), 48, Appearance::secondaryText());
    emptyColumn->addWidget(emptyIcon, 0, Qt::AlignHCenter);
    m_emptySelection->setFont(Appearance::font(TextStyle::Title2));
    Appearance::setTextColor(m_emptySelection, Appearance::secondaryText());
    emptyColumn->addWidget(m_emptySelection, 0, Qt::AlignHCenter);
    emptyColumn->addStretch(1);
    m_detail->addWidget(emptyPage);
    auto* sessionDetail = new OperatorSessionDetail(m_model, m_detail);
    m_detail->addWidget(sessionDetail);
    row->addWidget(m_detail, 1);

    // The keyboard reads the console as the eye does: refresh, the tabs, the tab's
    // list, then the selected session's Accept, or its reply field, send button and End.
    const QList<QWidget*> order { m_refresh, m_tabs, m_workspace, m_history, m_statistics };
    for (qsizetype i = 1; i < order.size(); ++i)
        QWidget::setTabOrder(order.at(i - 1), order.at(i));
    sessionDetail->setTabOrderAfter(m_statistics);
    connect(sessionDetail, &OperatorSessionDetail::focusReturned, this, [this] {
        QWidget* tabs[] = { m_workspace, m_history, m_statistics };
        tabs[int(m_selectedTab)]->setFocus(Qt::OtherFocusReason);
    });

    connect(m_refresh, &QToolButton::clicked, m_model, [this] { m_model->loadData(); });
    connect(m_tabs, &QTabBar::currentChanged, this, [this](int index) { setSelectedTab(OperatorConsoleTab(index)); });
    ReturnPressesButton::attach(this);
    connect(m_workspace, &QListView::customContextMenuRequested, this, &OperatorConsoleView::showRowMenu);
    connect(m_model, &OperatorConsoleViewModel::sessionsChanged, this, &OperatorConsoleView::updateCounters);
    connect(m_model, &OperatorConsoleViewModel::isLoadingChanged, this, &OperatorConsoleView::updateOverlays);
    connect(m_model, &OperatorConsoleViewModel::selectionChanged, this, &OperatorConsoleView::updateDetail);
    bindErrorAlert(this, m_model);
    connect(&LocalizationManager::shared(), &LocalizationManager::bundleChanged, this, &OperatorConsoleView::retranslate);
    retranslate();
    updateCounters();
    updateDetail();
}

void OperatorConsoleView::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    if (m_shown)
        return;
    m_shown = true;
    m_model->loadData();
}

void OperatorConsoleView::setSelectedTab(OperatorConsoleTab tab)
{
    m_selectedTab = tab;
    m_tabs->setCurrentIndex(int(tab));
    m_tabContent->setCurrentIndex(int(tab));
}

void OperatorConsoleView::retranslate()
{
    m_title->setText(Localized::text("operator.title"));
    m_refresh->setToolTip(Localized::text("admin.refresh"));
    m_refresh->setAccessibleName(Localized::text("admin.refresh"));
    setWindowTitle(Localized::text("operator.title"));
    const char* labels[] = { "operator.waiting", "operator.active", "operator.ended" };
    for (int i = 0; i < m_badges.size(); ++i)
        m_badges.at(i)->setLabel(Localized::text(labels[i]));
    m_tabs->setAccessibleName(Localized::text("operator.views"));
    for (OperatorConsoleTab tab : operatorconsoletab::allCases())
        m_tabs->setTabText(int(tab), Localized::text(operatorconsoletab::titleKey(tab)));
    m_workspace->setAccessibleName(Localized::text("operator.workspace"));
    m_history->setAccessibleName(Localized::text("operator.history"));
    m_statistics->setAccessibleName(Localized::text("operator.statistics"));
    m_noSessions->setText(Localized::text("operator.no_sessions"));
    m_noHistory->setText(Localized::text("operator.no_history"));
    m_emptySelection->setText(Localized::text("operator.empty_selection"));
}

QListView* OperatorConsoleView::sessionList(const char* name, OperatorSessionListModel* rows)
{
    auto* list = new QListView(this);
    list->setObjectName(QString::fromLatin1(name));
    list->setFrameShape(QFrame::NoFrame);
    list->setSelectionMode(QAbstractItemView::SingleSelection);
    list->setContextMenuPolicy(Qt::CustomContextMenu);
    ListKeyboard::attach(list);
    list->setUniformItemSizes(false);
    list->setStyleSheet(focusRingSheet(QStringLiteral("QListView"), QStringLiteral("palette(base)")));
    auto* delegate = new OperatorSessionRow(list);
    list->setItemDelegate(delegate);
    list->setModel(rows);
    connect(delegate, &OperatorSessionRow::actionTriggered, this, [this](const QModelIndex& index, const QString& name) {
        runRowAction(index.data(OperatorSessionListModel::SessionIdRole).toLongLong(), name);
    });
    connect(rows, &OperatorSessionListModel::aboutToChange, this, [this] { m_syncing = true; });
    connect(rows, &OperatorSessionListModel::changed, this, [this] {
        m_syncing = false;
        syncSelection();
    });
    // A row chosen by click or key selects its session; the row the keyboard starts
    // from on entering the list is current without being chosen.
    connect(list->selectionModel(), &QItemSelectionModel::selectionChanged, this, [this, list] {
        const QModelIndexList chosen = list->selectionModel()->selectedIndexes();
        if (!m_syncing && chosen.size() == 1 && !chosen.first().data(OperatorSessionListModel::IsHeadingRole).toBool())
            m_model->select(chosen.first().data(OperatorSessionListModel::SessionIdRole).toLongLong());
    });
    return list;
}

void OperatorConsoleView::updateCounters()
{
    m_badges.at(0)->setCount(m_model->waitingSessions().size());
    m_badges.at(1)->setCount(m_model->activeSessions().size());
    m_badges.at(2)->setCount(m_model->endedSessions().size());
    updateOverlays();
}

void OperatorConsoleView::updateOverlays()
{
    const bool loading = m_model->isLoading();
    const bool workspaceEmpty = m_model->waitingSessions().isEmpty() && m_model->activeSessions().isEmpty();
    m_workspaceSpinner->setVisible(loading);
    m_noSessionsPage->setVisible(!loading && workspaceEmpty);
    m_noHistoryPage->setVisible(!loading && m_model->endedSessions().isEmpty());
}

void OperatorConsoleView::updateDetail()
{
    m_detail->setCurrentIndex(m_model->selectedSession() ? 1 : 0);
    syncSelection();
}

void OperatorConsoleView::syncSelection()
{
    if (m_syncing)
        return;
    m_syncing = true;
    const std::optional<qint64> selected = m_model->selectedSessionId();
    for (QListView* list : { m_workspace, m_history }) {
        const auto* rows = static_cast<OperatorSessionListModel*>(list->model());
        const int row = selected ? rows->rowOf(*selected) : -1;
        if (row >= 0)
            list->setCurrentIndex(rows->index(row));
        else // Nothing chosen here; the keyboard keeps its row (after End, the customer next to the one ended).
            list->selectionModel()->clearSelection();
    }
    m_syncing = false;
}

void OperatorConsoleView::showRowMenu(const QPoint& position)
{
    const QModelIndex index = m_workspace->indexAt(position);
    const QList<RowAction> actions = RowAction::ofRow(index);
    if (actions.isEmpty())
        return;
    const qint64 id = index.data(OperatorSessionListModel::SessionIdRole).toLongLong();
    auto* menu = new ContextMenu(this);
    menu->setObjectName(QStringLiteral("sessionMenu"));
    menu->setAttribute(Qt::WA_DeleteOnClose);
    for (const RowAction& action : actions) {
        QAction* entry = menu->addAction(action.text);
        entry->setObjectName(action.name);
        entry->setEnabled(action.enabled);
        connect(entry, &QAction::triggered, this, [this, id, name = action.name] { runRowAction(id, name); });
    }
    menu->popup(m_workspace->viewport()->mapToGlobal(position));
}

void OperatorConsoleView::runRowAction(qint64 sessionId, const QString& name)
{
    if (name == u"acceptAction") {
        // The customer accepted is the one on screen, ready for the reply. The state
        // object sends nothing for a session no longer waiting.
        const auto& sessions = m_model->sessions();
        const bool waiting = std::any_of(sessions.cbegin(), sessions.cend(), [sessionId](const OperatorSession& s) {
            return s.id == sessionId && s.status == u"waiting";
        });
        if (waiting && !m_model->isBusy(sessionId))
            m_model->select(sessionId);
        m_model->acceptSession(sessionId);
    } else if (name == u"endAction") {
        m_model->endSession(sessionId);
    }
}
