#include "views/contacts/AssignRoleView.h"

#include "state/common/LocalizationManager.h"
#include "state/common/PrintfFormat.h"
#include "state/contacts/AssignRoleViewModel.h"
#include "views/common/Appearance.h"
#include "views/common/ErrorAlert.h"
#include "views/common/Icons.h"
#include "views/common/ListKeyboard.h"
#include "views/common/Localized.h"
#include "views/common/Sheet.h"
#include "views/common/Spinner.h"
#include "views/contacts/MemberAssignmentModel.h"
#include "views/contacts/MemberAssignmentRow.h"

#include <QLabel>
#include <QHBoxLayout>
#include <QListView>
#include <QPushButton>
#include <QPointer>
#include <QStackedWidget>
#include <QVBoxLayout>

using Appearance::TextStyle;

namespace {
enum Page { LoadingPage, EmptyPage, ListPage };
}

AssignRoleView::AssignRoleView(AssignRoleViewModel* viewModel, QWidget* parent)
    : QWidget(parent)
    , m_viewModel(viewModel)
    , m_content(new QStackedWidget(this))
    , m_empty(new QLabel(this))
    , m_list(new QListView(this))
    , m_done(new QPushButton(this))
{
    setObjectName(QStringLiteral("assignRoleView"));
    m_viewModel->setParent(this);
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->addWidget(Sheet::heading(this));
    column->addWidget(m_content);
    auto* buttons = new QHBoxLayout;
    buttons->setContentsMargins(12, 8, 12, 12);
    buttons->addStretch(1);
    m_done->setObjectName(QStringLiteral("doneButton"));
    buttons->addWidget(m_done);
    column->addLayout(buttons);
    connect(m_done, &QPushButton::clicked, this, [this] { Sheet::dismiss(this); });

    auto* loading = new QWidget(m_content);
    auto* loadingColumn = new QVBoxLayout(loading);
    loadingColumn->addWidget(new Spinner(20, Appearance::secondaryText(), loading), 0, Qt::AlignHCenter);
    loadingColumn->addStretch(1);
    auto* empty = new QWidget(m_content);
    empty->setObjectName(QStringLiteral("emptyMembers"));
    auto* emptyColumn = new QVBoxLayout(empty);
    emptyColumn->setSpacing(8);
    auto* symbol = new QLabel(empty);
    Icons::apply(symbol, QStringLiteral("person.slash"), 34, Appearance::secondaryText());
    emptyColumn->addWidget(symbol, 0, Qt::AlignHCenter);
    m_empty->setParent(empty);
    Appearance::setTextColor(m_empty, Appearance::secondaryText());
    emptyColumn->addWidget(m_empty, 0, Qt::AlignHCenter);
    emptyColumn->addStretch(1);
    m_list->setObjectName(QStringLiteral("memberList"));
    m_list->setModel(new MemberAssignmentModel(m_viewModel, m_list));
    auto* rows = new MemberAssignmentRow(m_list);
    m_list->setItemDelegate(rows);
    ListKeyboard::attach(m_list);
    m_list->setUniformItemSizes(true);
    m_list->setCursor(Qt::PointingHandCursor);
    m_list->setFrameShape(QFrame::NoFrame);
    m_list->setSelectionMode(QAbstractItemView::NoSelection);
    m_content->insertWidget(LoadingPage, loading);
    m_content->insertWidget(EmptyPage, empty);
    m_content->insertWidget(ListPage, m_list);

    QPointer<AssignRoleViewModel> vm(m_viewModel);
    auto toggle = [vm](const QModelIndex& index) {
        if (!vm || index.row() >= vm->members().size())
            return;
        const GroupMember member = vm->members().at(index.row());
        vm->toggle(member, vm->isAssigned(member.userId));
    };
    connect(m_list, &QListView::clicked, this, toggle);
    connect(rows, &MemberAssignmentRow::actionTriggered, this, toggle);
    connect(m_viewModel, &AssignRoleViewModel::membersChanged, this, &AssignRoleView::refresh);
    connect(m_viewModel, &AssignRoleViewModel::isLoadingChanged, this, &AssignRoleView::refresh);
    bindErrorAlert(this, m_viewModel);
    connect(&LocalizationManager::shared(), &LocalizationManager::bundleChanged, this, &AssignRoleView::retranslate);
    retranslate();
}

void AssignRoleView::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    if (m_started)
        return;
    m_started = true;
    m_viewModel->loadMembers();
}

void AssignRoleView::retranslate()
{
    // The quotes around the name are the language's own.
    setWindowTitle(printfFormat(Localized::text("roles.assign_title"), { m_viewModel->role().name }));
    m_empty->setText(Localized::text("roles.no_members"));
    m_done->setText(Localized::text("common.done"));
    m_list->setAccessibleName(windowTitle());
    // The owner's and administrators' words are in the language in force.
    m_list->viewport()->update();
    refresh();
}

void AssignRoleView::refresh()
{
    if (m_viewModel->isLoading()) {
        m_content->setCurrentIndex(LoadingPage);
        return;
    }
    m_content->setCurrentIndex(m_viewModel->members().isEmpty() ? EmptyPage : ListPage);
    // The members are what the sheet is for: loaded, they take the keyboard, unless it
    // went elsewhere. Done had it only for want of anything else while they loaded.
    const QWidget* keyboard = window()->focusWidget();
    if (m_content->currentIndex() == ListPage && isVisible() && (!keyboard || (keyboard == m_done && !m_listShown)))
        m_list->setFocus(Qt::OtherFocusReason);
    m_listShown = m_listShown || m_content->currentIndex() == ListPage;
}
