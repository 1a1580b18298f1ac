#include "views/contacts/ContactListView.h"

#include "models/Conversation.h"
#include "state/AddContactViewModel.h"
#include "state/ContactListViewModel.h"
#include "state/FriendRequestsViewModel.h"
#include "state/LocalizationManager.h"
#include "state/NotificationCenter.h"
#include "state/NotificationName.h"
#include "views/common/Appearance.h"
#include "views/common/Divider.h"
#include "views/common/Icons.h"
#include "views/common/Localized.h"
#include "views/common/Sheet.h"
#include "views/contacts/AddContactView.h"
#include "views/contacts/ContactRow.h"
#include "views/contacts/FriendRequestsView.h"
#include "views/contacts/GroupRow.h"

#include <QDialog>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QToolButton>
#include <QVBoxLayout>

using Appearance::TextStyle;

namespace {

enum ItemKind { HeaderItem, GroupItem, ContactItem };
constexpr int KindRole = Qt::UserRole;
constexpr int IdRole = Qt::UserRole + 1;

QListWidgetItem* addHeader(QListWidget* list, const QString& text)
{
    auto* item = new QListWidgetItem(text, list);
    item->setData(KindRole, HeaderItem);
    item->setFlags(Qt::NoItemFlags);
    // Drawn by a label so the header lines up with the rows' avatars; it covers the item's own text.
    auto* label = new QLabel(text, list);
    label->setObjectName(QStringLiteral("sectionHeader"));
    label->setTextFormat(Qt::PlainText);
    label->setAutoFillBackground(true);
    label->setContentsMargins(10, 4, 10, 0);
    QFont font = Appearance::font(TextStyle::Caption);
    font.setWeight(QFont::DemiBold);
    label->setFont(font);
    Appearance::setTextColor(label, Appearance::secondaryText());
    item->setSizeHint(QSize(0, label->sizeHint().height()));
    list->setItemWidget(item, label);
    return item;
}

} // namespace

std::optional<QString> ContactListView::badgeText(qint64 pendingRequestCount)
{
    if (pendingRequestCount < 1)
        return std::nullopt;
    return QString::number(pendingRequestCount);
}

ContactListView::ContactListView(ContactListViewModel* viewModel, QWidget* parent)
    : QWidget(parent)
    , m_viewModel(viewModel)
    , m_title(new QLabel(this))
    , m_friendRequestsButton(new QPushButton(this))
    , m_friendRequestsLabel(new QLabel(m_friendRequestsButton))
    , m_badge(new QLabel(m_friendRequestsButton))
    , m_addButton(new QToolButton(this))
    , m_list(new QListWidget(this))
{
    setObjectName(QStringLiteral("contactListView"));
    setMinimumWidth(260);

    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);

    m_title->setObjectName(QStringLiteral("contactListTitle"));
    m_title->setFont(Appearance::font(TextStyle::Headline));
    m_title->setContentsMargins(14, 12, 14, 2);
    m_title->setAttribute(Qt::WA_StyledBackground);
    m_title->setStyleSheet(QStringLiteral("#contactListTitle { background: %1; }").arg(Appearance::barBackground().name()));
    column->addWidget(m_title);

    auto* topBar = new QWidget(this);
    topBar->setObjectName(QStringLiteral("contactTopBar"));
    topBar->setAttribute(Qt::WA_StyledBackground);
    topBar->setStyleSheet(QStringLiteral("#contactTopBar { background: %1; }").arg(Appearance::barBackground().name()));
    auto* bar = new QHBoxLayout(topBar);
    bar->setContentsMargins(12, 6, 12, 6);

    m_friendRequestsButton->setObjectName(QStringLiteral("friendRequestsButton"));
    m_friendRequestsButton->setFlat(true);
    m_friendRequestsButton->setCursor(Qt::PointingHandCursor);
    // Symbol, text and badge in one row; the button only draws the press.
    auto* buttonRow = new QHBoxLayout(m_friendRequestsButton);
    buttonRow->setContentsMargins(4, 2, 4, 2);
    buttonRow->setSpacing(4);
    auto* symbol = new QLabel(m_friendRequestsButton);
    symbol->setObjectName(QStringLiteral("friendRequestsSymbol"));
    Icons::apply(symbol, QStringLiteral("person.badge.plus"), 14, Appearance::accent());
    m_friendRequestsLabel->setObjectName(QStringLiteral("friendRequestsLabel"));
    m_friendRequestsLabel->setFont(Appearance::font(TextStyle::Caption));
    Appearance::setTextColor(m_friendRequestsLabel, Appearance::accent());
    m_badge->setObjectName(QStringLiteral("friendRequestBadge"));
    m_badge->setTextFormat(Qt::PlainText);
    m_badge->setAlignment(Qt::AlignCenter);
    QFont badgeFont = Appearance::font(TextStyle::Caption2);
    badgeFont.setWeight(QFont::DemiBold);
    m_badge->setFont(badgeFont);
    m_badge->setStyleSheet(QStringLiteral("QLabel { color: white; background: #ff3b30; border-radius: 7px; padding: 0px 6px; }"));
    m_badge->setFixedHeight(14);
    for (QWidget* part : std::initializer_list<QWidget*> { symbol, m_friendRequestsLabel, m_badge }) {
        part->setAttribute(Qt::WA_TransparentForMouseEvents);
        buttonRow->addWidget(part, 0, Qt::AlignVCenter);
    }
    bar->addWidget(m_friendRequestsButton);
    bar->addStretch(1);

    m_addButton->setObjectName(QStringLiteral("addContactButton"));
    m_addButton->setAutoRaise(true);
    m_addButton->setCursor(Qt::PointingHandCursor);
    Icons::apply(m_addButton, QStringLiteral("person.badge.plus"), 18, Appearance::secondaryText());
    bar->addWidget(m_addButton);
    column->addWidget(topBar);

    column->addWidget(divider(this));

    m_list->setObjectName(QStringLiteral("contactList"));
    m_list->setFrameShape(QFrame::NoFrame);
    m_list->setSelectionMode(QAbstractItemView::SingleSelection);
    m_list->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    column->addWidget(m_list, 1);

    connect(m_friendRequestsButton, &QPushButton::clicked, this, &ContactListView::showFriendRequests);
    connect(m_addButton, &QToolButton::clicked, this, &ContactListView::showAddContact);
    connect(m_list, &QListWidget::itemClicked, this, [this](QListWidgetItem* item) {
        if (item->data(KindRole).toInt() != GroupItem)
            return;
        const qint64 id = item->data(IdRole).toLongLong();
        for (const ChatGroup& group : m_viewModel->groups()) {
            if (group.id == id) {
                openGroup(group);
                return;
            }
        }
    });
    connect(m_list, &QListWidget::itemSelectionChanged, this, [this] {
        const QList<QListWidgetItem*> selected = m_list->selectedItems();
        if (selected.isEmpty() || selected.first()->data(KindRole).toInt() != ContactItem)
            return;
        auto* row = qobject_cast<ContactRow*>(m_list->itemWidget(selected.first()));
        if (!row || (m_selected && m_selected->id == row->contact().id))
            return;
        m_selected = row->contact();
        Q_EMIT selectedContactChanged(m_selected);
    });
    connect(m_viewModel, &ContactListViewModel::groupsChanged, this, &ContactListView::refresh);
    connect(m_viewModel, &ContactListViewModel::sectionsChanged, this, &ContactListView::refresh);
    connect(m_viewModel, &ContactListViewModel::pendingRequestCountChanged, this, &ContactListView::updateBadge);
    connect(&LocalizationManager::shared(), &LocalizationManager::bundleChanged, this, &ContactListView::retranslate);
    retranslate();
}

void ContactListView::retranslate()
{
    setWindowTitle(Localized::text("contacts.title"));
    m_title->setText(Localized::text("contacts.title"));
    m_friendRequestsLabel->setText(Localized::text("friend.title"));
    refresh();
    updateBadge();
}

void ContactListView::updateBadge()
{
    const std::optional<QString> text = badgeText(m_viewModel->pendingRequestCount());
    m_badge->setVisible(text.has_value());
    m_badge->setText(text.value_or(QString()));
    m_friendRequestsButton->setFixedSize(m_friendRequestsButton->layout()->sizeHint());
}

void ContactListView::refresh()
{
    m_list->clear();
    const QList<ChatGroup> groups = m_viewModel->groups();
    if (!groups.isEmpty()) {
        addHeader(m_list, Localized::text("contacts.groups_section") + QStringLiteral(" (%1)").arg(groups.size()));
        for (const ChatGroup& group : groups) {
            auto* item = new QListWidgetItem(m_list);
            item->setData(KindRole, GroupItem);
            item->setData(IdRole, group.id);
            // Clickable, never selected: a group opens its chat instead.
            item->setFlags(Qt::ItemIsEnabled);
            auto* row = new GroupRow(group, m_list);
            item->setSizeHint(QSize(0, 44));
            m_list->setItemWidget(item, row);
        }
    }
    for (const ContactSection& section : m_viewModel->sections()) {
        addHeader(m_list, section.letter);
        for (const Contact& contact : section.contacts) {
            auto* item = new QListWidgetItem(m_list);
            item->setData(KindRole, ContactItem);
            item->setData(IdRole, contact.id);
            item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
            auto* row = new ContactRow(contact, m_list);
            item->setSizeHint(QSize(0, 44));
            m_list->setItemWidget(item, row);
        }
    }
    syncSelection();
}

void ContactListView::setSelectedContact(const std::optional<Contact>& contact)
{
    m_selected = contact;
    syncSelection();
}

void ContactListView::syncSelection()
{
    const QSignalBlocker blocker(m_list);
    m_list->clearSelection();
    if (!m_selected)
        return;
    for (int i = 0; i < m_list->count(); ++i) {
        QListWidgetItem* item = m_list->item(i);
        if (item->data(KindRole).toInt() == ContactItem && item->data(IdRole).toLongLong() == m_selected->id) {
            item->setSelected(true);
            m_list->setCurrentItem(item);
            return;
        }
    }
}

void ContactListView::openGroup(const ChatGroup& group)
{
    Conversation conversation;
    conversation.id = group.conversationId;
    conversation.type = QStringLiteral("group");
    conversation.name = group.name;
    conversation.avatar = group.avatar;
    conversation.memberCount = group.memberCount;
    NotificationCenter::shared().post(NotificationName::navigateToConversation(),
        { { NotificationKey::conversation(), QVariant::fromValue(conversation) } });
}

QDialog* ContactListView::showFriendRequests()
{
    if (m_friendRequestsSheet)
        return m_friendRequestsSheet;
    auto* model = new FriendRequestsViewModel({ m_viewModel->dependencies().contactService, m_viewModel });
    auto* screen = new FriendRequestsView(model);
    m_friendRequestsSheet = Sheet::present(this, screen, QSize(400, 500), QStringLiteral("friendRequestsSheet"));
    return m_friendRequestsSheet;
}

QDialog* ContactListView::showAddContact()
{
    if (m_addContactSheet)
        return m_addContactSheet;
    auto* screen = new AddContactView(new AddContactViewModel({ m_viewModel->dependencies().contactService }));
    m_addContactSheet = Sheet::present(this, screen, QSize(400, 500), QStringLiteral("addContactSheet"));
    return m_addContactSheet;
}
