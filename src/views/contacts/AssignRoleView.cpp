#include "views/contacts/AssignRoleView.h"

#include "state/AssignRoleViewModel.h"
#include "state/LocalizationManager.h"
#include "views/chat/AvatarView.h"
#include "views/common/Appearance.h"
#include "views/common/ErrorAlert.h"
#include "views/common/Icons.h"
#include "views/common/Localized.h"
#include "views/common/Sheet.h"
#include "views/common/Spinner.h"
#include "views/common/ElidedLabel.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPointer>
#include <QStackedWidget>
#include <QVBoxLayout>

using Appearance::TextStyle;

namespace {
enum Page { LoadingPage, EmptyPage, ListPage };
constexpr int UserIdRole = Qt::UserRole;
}

AssignRoleView::AssignRoleView(AssignRoleViewModel* viewModel, QWidget* parent)
    : QWidget(parent)
    , m_viewModel(viewModel)
    , m_content(new QStackedWidget(this))
    , m_empty(new QLabel(this))
    , m_list(new QListWidget(this))
{
    setObjectName(QStringLiteral("assignRoleView"));
    m_viewModel->setParent(this);
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->addWidget(Sheet::heading(this));
    column->addWidget(m_content);

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
    m_list->setFrameShape(QFrame::NoFrame);
    m_list->setSelectionMode(QAbstractItemView::NoSelection);
    m_content->insertWidget(LoadingPage, loading);
    m_content->insertWidget(EmptyPage, empty);
    m_content->insertWidget(ListPage, m_list);

    QPointer<AssignRoleViewModel> vm(m_viewModel);
    connect(m_list, &QListWidget::itemClicked, this, [this, vm](QListWidgetItem* item) {
        if (!vm)
            return;
        const qint64 userId = item->data(UserIdRole).toLongLong();
        for (const GroupMember& member : vm->members()) {
            if (member.userId == userId) {
                vm->toggle(member, vm->isAssigned(userId));
                return;
            }
        }
    });
    connect(m_viewModel, &AssignRoleViewModel::membersChanged, this, &AssignRoleView::refresh);
    connect(m_viewModel, &AssignRoleViewModel::assignmentsChanged, this, &AssignRoleView::refresh);
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
    setWindowTitle(Localized::text("roles.assign") + QStringLiteral("「") + m_viewModel->role().name + QStringLiteral("」"));
    m_empty->setText(Localized::text("roles.no_members"));
    refresh();
}

void AssignRoleView::refresh()
{
    if (m_viewModel->isLoading()) {
        m_content->setCurrentIndex(LoadingPage);
        return;
    }
    const QList<GroupMember> members = m_viewModel->members();
    m_content->setCurrentIndex(members.isEmpty() ? EmptyPage : ListPage);
    m_list->clear();
    for (const GroupMember& member : members) {
        auto* item = new QListWidgetItem(m_list);
        item->setData(UserIdRole, member.userId);
        QWidget* row = memberRow(member);
        item->setSizeHint(QSize(0, 44));
        m_list->setItemWidget(item, row);
    }
}

QWidget* AssignRoleView::memberRow(const GroupMember& member)
{
    auto* row = new QWidget(m_list);
    row->setObjectName(QStringLiteral("memberRow"));
    row->setCursor(Qt::PointingHandCursor);
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(12, 4, 12, 4);
    layout->setSpacing(10);
    layout->addWidget(new AvatarView(member.name.value_or(QStringLiteral("?")), member.avatar, 32, row));
    auto* text = new QVBoxLayout;
    text->setSpacing(2);
    auto* name = new ElidedLabel(member.name.value_or(Localized::text("default.unknown")), row);
    name->setObjectName(QStringLiteral("memberName"));
    name->setFont(Appearance::font(TextStyle::Body));
    text->addWidget(name);
    if (const std::optional<QString> standing = AssignRoleViewModel::standingKey(member)) {
        auto* badge = new QLabel(Localized::text(*standing), row);
        badge->setObjectName(QStringLiteral("memberStanding"));
        badge->setFont(Appearance::font(TextStyle::Caption2));
        Appearance::setTextColor(badge, Appearance::secondaryText());
        text->addWidget(badge);
    }
    layout->addLayout(text, 1);
    auto* mark = new QLabel(row);
    mark->setObjectName(QStringLiteral("assignmentMark"));
    if (m_viewModel->isAssigned(member.userId))
        Icons::apply(mark, QStringLiteral("checkmark.circle.fill"), 18, QColor(0x34, 0xc7, 0x59));
    else {
        // An empty ring: the theme has no outline circle of this weight.
        mark->setFixedSize(18, 18);
        mark->setStyleSheet(QStringLiteral("border: 1.5px solid %1; border-radius: 9px;").arg(Appearance::secondaryText().name()));
        mark->setProperty(Icons::SymbolProperty, QStringLiteral("circle"));
    }
    layout->addWidget(mark);
    return row;
}
