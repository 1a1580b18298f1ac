#include "views/contacts/ContactListView.h"

#include "models/Conversation.h"
#include "state/contacts/AddContactViewModel.h"
#include "state/contacts/ContactListViewModel.h"
#include "state/contacts/FriendRequestsViewModel.h"
#include "state/common/LocalizationManager.h"
#include "state/common/NotificationCenter.h"
#include "state/common/NotificationName.h"
#include "views/common/Appearance.h"
#include "views/common/Divider.h"
#include "views/common/Icons.h"
#include "views/common/ListKeyboard.h"
#include "views/common/Localized.h"
#include "views/common/Sheet.h"
#include "views/contacts/AddContactView.h"
#include "views/common/ImageLoader.h"
#include "views/contacts/ContactLetterKeys.h"
#include "views/contacts/ContactListDelegate.h"
#include "views/contacts/ContactListModel.h"
#include "views/contacts/FriendRequestsView.h"

#include <QDialog>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QListView>
#include <QMouseEvent>
#include <QPushButton>
#include <QToolButton>
#include <QVBoxLayout>

using Appearance::TextStyle;

std::optional<QString> ContactListView::badgeText(qint64 pendingRequestCount)
{
    if (pendingRequestCount < 1)
        return std::nullopt;
    return QString::number(pendingRequestCount);
}

ContactListView::ContactListView(ContactListViewModel* viewModel, QWidget* parent)
    : ContactListView(new ContactListModel(viewModel), parent)
{
    m_model->setParent(this);
}

ContactListView::ContactListView(ContactListModel* model, QWidget* parent)
    : QWidget(parent)
    , m_model(model)
    , m_viewModel(model->viewModel())
    , m_title(new QLabel(this))
    , m_friendRequestsButton(new QPushButton(this))
    , m_friendRequestsLabel(new QLabel(m_friendRequestsButton))
    , m_badge(new QLabel(m_friendRequestsButton))
    , m_addButton(new QToolButton(this))
    , m_list(new QListView(this))
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
    m_list->setModel(m_model);
    m_list->setItemDelegate(new ContactListDelegate(m_list));
    // Rows are laid out a batch at a time, so a long list shows its first screen
    // without measuring every row first.
    m_list->setLayoutMode(QListView::Batched);
    m_list->setBatchSize(100);
    m_list->setFrameShape(QFrame::NoFrame);
    m_list->setSelectionMode(QAbstractItemView::SingleSelection);
    m_list->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    ContactLetterKeys::attach(m_list, m_model);
    column->addWidget(m_list, 1);

    connect(m_friendRequestsButton, &QPushButton::clicked, this, &ContactListView::showFriendRequests);
    connect(m_addButton, &QToolButton::clicked, this, &ContactListView::showAddContact);
    connect(m_list, &QListView::clicked, this, &ContactListView::rowClicked);
    // Return opens a group's chat as a click does, and shows a contact. Entered by
    // Tab, the list rings its first row, or the one near where the keyboard was.
    ListKeyboard::attach(m_list)->showCurrentRowOnEntry();
    m_list->installEventFilter(this);
    m_list->viewport()->installEventFilter(this);
    connect(m_list, &QListView::activated, this, [this](const QModelIndex& index) {
        if (m_mouseInput)
            return;
        if (const ChatGroup* group = m_model->groupAt(index.row())) {
            openGroup(*group);
        } else if (const Contact* contact = m_model->contactAt(index.row())) {
            m_selected = *contact;
            Q_EMIT selectedContactChanged(m_selected);
        }
    });
    connect(m_list->selectionModel(), &QItemSelectionModel::selectionChanged, this, [this] {
        const QModelIndexList selected = m_list->selectionModel()->selectedIndexes();
        const Contact* contact = selected.isEmpty() ? nullptr : m_model->contactAt(selected.first().row());
        if (!contact || (m_selected && m_selected->contactId == contact->contactId))
            return;
        m_selected = *contact;
        Q_EMIT selectedContactChanged(m_selected);
    });
    // A reload may move the selected contact or drop it.
    connect(m_model, &QAbstractItemModel::modelReset, this, &ContactListView::syncSelection);
    // Pictures are asked for as their rows are painted; one that arrives is drawn
    // if its row still shows, and costs nothing otherwise.
    connect(&ImageLoader::shared(), &ImageLoader::finished, m_list->viewport(), qOverload<>(&QWidget::update));
    connect(m_viewModel, &ContactListViewModel::pendingRequestCountChanged, this, &ContactListView::updateBadge);
    connect(&LocalizationManager::shared(), &LocalizationManager::bundleChanged, this, &ContactListView::retranslate);
    retranslate();
}

void ContactListView::retranslate()
{
    setWindowTitle(Localized::text("contacts.title"));
    m_title->setText(Localized::text("contacts.title"));
    m_friendRequestsLabel->setText(Localized::text("friend.title"));
    m_addButton->setAccessibleName(Localized::text("add.title"));
    m_addButton->setToolTip(Localized::text("add.title"));
    m_list->setAccessibleName(Localized::text("contacts.title"));
    // The groups' header and member counts are in the language in force.
    m_list->viewport()->update();
    updateBadge();
}

void ContactListView::updateBadge()
{
    const std::optional<QString> text = badgeText(m_viewModel->pendingRequestCount());
    m_badge->setVisible(text.has_value());
    m_badge->setText(text.value_or(QString()));
    // The button reads as it shows: its words, then the badge's count.
    m_friendRequestsButton->setAccessibleName(Localized::text("friend.title") + (text ? QStringLiteral(" (%1)").arg(*text) : QString()));
    m_friendRequestsButton->setFixedSize(m_friendRequestsButton->layout()->sizeHint());
}

bool ContactListView::eventFilter(QObject* watched, QEvent* event)
{
    switch (event->type()) {
    case QEvent::MouseButtonPress:
        if (watched == m_list->viewport())
            m_selectedAtPress = m_selected ? std::optional<qint64>(m_selected->contactId) : std::nullopt;
        [[fallthrough]];
    case QEvent::MouseButtonDblClick:
    case QEvent::MouseButtonRelease:
        if (watched == m_list->viewport())
            m_mouseInput = true;
        break;
    case QEvent::KeyPress:
        if (watched == m_list)
            m_mouseInput = false;
        break;
    default:
        break;
    }
    return QWidget::eventFilter(watched, event);
}

void ContactListView::rowClicked(const QModelIndex& index)
{
    if (const ChatGroup* group = m_model->groupAt(index.row())) {
        openGroup(*group);
        return;
    }
    const Contact* contact = m_model->contactAt(index.row());
    if (!contact || m_selectedAtPress != contact->contactId)
        return;
    // The press selected nothing new: show the contact as the list holds it now.
    m_selected = *contact;
    Q_EMIT selectedContactChanged(m_selected);
}

void ContactListView::setSelectedContact(const std::optional<Contact>& contact)
{
    m_selected = contact;
    syncSelection();
}

void ContactListView::syncSelection()
{
    const int row = m_selected ? m_model->rowOfUser(m_selected->contactId) : -1;
    const QSignalBlocker blocker(m_list->selectionModel());
    m_list->selectionModel()->setCurrentIndex(row < 0 ? QModelIndex() : m_model->index(row), QItemSelectionModel::ClearAndSelect);
    m_list->viewport()->update();
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
