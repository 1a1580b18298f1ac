#include "views/contacts/ContactDetailView.h"

#include "state/contacts/ContactDetailViewModel.h"
#include "state/contacts/ContactSection.h"
#include "state/common/LocalizationManager.h"
#include "state/contacts/ReportViewModel.h"
#include "views/chat/AvatarView.h"
#include "views/common/AlertLabel.h"
#include "views/common/Appearance.h"
#include "views/common/Divider.h"
#include "views/common/FocusHold.h"
#include "views/common/Icons.h"
#include "views/common/Localized.h"
#include "views/common/ProminentButton.h"
#include "views/common/Sheet.h"
#include "views/common/ElidedLabel.h"
#include "views/contacts/InfoRow.h"
#include "views/contacts/ReportView.h"

#include <QDialog>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QScrollArea>
#include <QVBoxLayout>

using Appearance::TextStyle;

namespace {

const QColor online(0x34, 0xc7, 0x59);

} // namespace

ContactDetailView::ContactDetailView(ContactDetailViewModel* viewModel, QWidget* parent)
    : QWidget(parent)
    , m_viewModel(viewModel)
{
    setObjectName(QStringLiteral("contactDetailView"));
    m_viewModel->setParent(this);
    const Contact& contact = m_viewModel->contact();
    const QString name = ContactSection::displayName(contact);

    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    auto* scroll = new QScrollArea(this);
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setWidgetResizable(true);
    // Tab goes through the buttons and scrolls them into sight; the area itself shows nothing to stop at.
    scroll->setFocusPolicy(Qt::NoFocus);
    outer->addWidget(scroll);
    auto* page = new QWidget(scroll);
    scroll->setWidget(page);
    auto* column = new QVBoxLayout(page);
    column->setSpacing(20);
    column->setContentsMargins(20, 20, 20, 20);

    auto* header = new QVBoxLayout;
    header->setSpacing(12);
    header->addWidget(new AvatarView(name, contact.avatar, 80, page), 0, Qt::AlignHCenter);
    auto* title = new ElidedLabel(name, page);
    title->setObjectName(QStringLiteral("contactTitle"));
    title->setAlignment(Qt::AlignCenter);
    QFont titleFont = Appearance::font(TextStyle::Title2);
    titleFont.setWeight(QFont::DemiBold);
    title->setFont(titleFont);
    header->addWidget(title);
    if (contact.bio && !contact.bio->isEmpty()) {
        auto* bio = new QLabel(*contact.bio, page);
        bio->setObjectName(QStringLiteral("contactBio"));
        bio->setTextFormat(Qt::PlainText);
        bio->setWordWrap(true);
        bio->setAlignment(Qt::AlignCenter);
        Appearance::setTextColor(bio, Appearance::secondaryText());
        header->addWidget(bio);
    }
    auto* status = new QHBoxLayout;
    status->setSpacing(16);
    status->addStretch(1);
    const bool isOnline = contact.online.value_or(false);
    auto* presence = new QHBoxLayout;
    presence->setSpacing(4);
    m_presenceDot = new QLabel(page);
    m_presenceDot->setObjectName(QStringLiteral("presenceDot"));
    m_presenceDot->setFixedSize(8, 8);
    m_presenceDot->setStyleSheet(isOnline ? QStringLiteral("background: %1; border-radius: 4px;").arg(online.name())
                                          : QStringLiteral("border: 1px solid %1; border-radius: 4px;").arg(Appearance::secondaryText().name()));
    m_presence = new QLabel(page);
    m_presence->setObjectName(QStringLiteral("presenceLabel"));
    m_presence->setFont(Appearance::font(TextStyle::Caption));
    Appearance::setTextColor(m_presence, isOnline ? online : Appearance::secondaryText());
    presence->addWidget(m_presenceDot, 0, Qt::AlignVCenter);
    presence->addWidget(m_presence);
    status->addLayout(presence);
    if (contact.email) {
        auto* mail = new QHBoxLayout;
        mail->setSpacing(4);
        auto* envelope = new QLabel(page);
        envelope->setObjectName(QStringLiteral("emailSymbol"));
        Icons::apply(envelope, QStringLiteral("envelope"), 12, Appearance::secondaryText());
        auto* email = new QLabel(*contact.email, page);
        email->setObjectName(QStringLiteral("emailLabel"));
        email->setTextFormat(Qt::PlainText);
        email->setFont(Appearance::font(TextStyle::Caption));
        Appearance::setTextColor(email, Appearance::secondaryText());
        mail->addWidget(envelope);
        mail->addWidget(email);
        status->addLayout(mail);
    }
    status->addStretch(1);
    header->addLayout(status);
    column->addLayout(header);
    column->addWidget(divider(page));

    auto* info = new QVBoxLayout;
    info->setSpacing(12);
    info->setContentsMargins(16, 0, 16, 0);
    if (contact.openId) {
        m_idRow = new InfoRow(QString(), *contact.openId, page);
        info->addWidget(m_idRow);
    }
    if (contact.nickname) {
        m_remarksRow = new InfoRow(QString(), *contact.nickname, page);
        info->addWidget(m_remarksRow);
    }
    column->addLayout(info);
    column->addWidget(divider(page));

    auto* actions = new QVBoxLayout;
    actions->setSpacing(12);
    m_sendMessage = new ProminentButton(page);
    m_sendMessage->setObjectName(QStringLiteral("sendMessageButton"));
    m_sendMessage->setFixedHeight(30);
    m_sendMessage->setCursor(Qt::PointingHandCursor);
    actions->addWidget(m_sendMessage, 0, Qt::AlignHCenter);
    auto* secondary = new QHBoxLayout;
    secondary->setSpacing(12);
    m_delete = new QPushButton(page);
    m_delete->setObjectName(QStringLiteral("deleteContactButton"));
    m_delete->setFlat(true);
    m_delete->setFont(Appearance::font(TextStyle::Caption));
    Appearance::setTextColor(m_delete, QColor(0xff, 0x3b, 0x30));
    m_report = new QPushButton(page);
    m_report->setObjectName(QStringLiteral("reportButton"));
    m_report->setFlat(true);
    m_report->setFont(Appearance::font(TextStyle::Caption));
    secondary->addStretch(1);
    secondary->addWidget(m_delete);
    secondary->addWidget(m_report);
    secondary->addStretch(1);
    actions->addLayout(secondary);
    m_error = new AlertLabel(page);
    m_error->setObjectName(QStringLiteral("contactError"));
    m_error->setAlignment(Qt::AlignCenter);
    m_error->setFont(Appearance::font(TextStyle::Caption));
    Appearance::setTextColor(m_error, QColor(0xff, 0x3b, 0x30));
    actions->addWidget(m_error);
    column->addLayout(actions);
    column->addStretch(1);

    QPointer<ContactDetailViewModel> vm(m_viewModel);
    connect(m_sendMessage, &QPushButton::clicked, this, [vm] {
        if (vm)
            vm->startConversation();
    });
    connect(m_delete, &QPushButton::clicked, m_viewModel, &ContactDetailViewModel::requestDelete);
    connect(m_report, &QPushButton::clicked, this, &ContactDetailView::showReport);
    connect(m_viewModel, &ContactDetailViewModel::isCreatingChatChanged, this, &ContactDetailView::updateState);
    connect(m_viewModel, &ContactDetailViewModel::isDeletingChanged, this, &ContactDetailView::updateState);
    connect(m_viewModel, &ContactDetailViewModel::errorChanged, this, &ContactDetailView::updateState);
    connect(m_viewModel, &ContactDetailViewModel::isConfirmingDeleteChanged, this, &ContactDetailView::confirmDeletion);
    connect(&LocalizationManager::shared(), &LocalizationManager::bundleChanged, this, &ContactDetailView::retranslate);
    retranslate();
    updateState();
}

void ContactDetailView::retranslate()
{
    m_presence->setText(Localized::text(m_viewModel->contact().online.value_or(false) ? "contact.online" : "contact.offline"));
    if (m_idRow)
        m_idRow->setTitle(Localized::text("contact.im_id"));
    if (m_remarksRow)
        m_remarksRow->setTitle(Localized::text("contact.remarks"));
    m_sendMessage->setText(Localized::text("contact.send_message"));
    m_sendMessage->setMinimumWidth(m_sendMessage->fontMetrics().horizontalAdvance(m_sendMessage->text()) + 40);
    m_delete->setText(Localized::text("contact.delete"));
    m_report->setText(Localized::text("contact.report"));
}

void ContactDetailView::updateState()
{
    FocusHold::setEnabled(m_sendMessage, !m_viewModel->isCreatingChat());
    FocusHold::setEnabled(m_delete, !m_viewModel->isDeleting());
    const std::optional<QString> error = m_viewModel->error();
    m_error->setAlert(error);
}

void ContactDetailView::confirmDeletion()
{
    if (!m_viewModel->isConfirmingDelete())
        return;
    QPointer<ContactDetailViewModel> vm(m_viewModel);
    Sheet::confirm(this, Localized::text("contact.delete_confirm"), Localized::text("contact.delete"),
        [vm] {
            if (vm)
                vm->confirmDelete();
        },
        [vm] {
            if (vm)
                vm->cancelDelete();
        });
}

QDialog* ContactDetailView::showReport()
{
    if (m_reportSheet)
        return m_reportSheet;
    auto* model = new ReportViewModel(m_viewModel->contact().contactId, m_viewModel->dependencies().contactService);
    m_reportSheet = Sheet::present(this, new ReportView(model), QSize(350, 300), QStringLiteral("reportSheet"));
    return m_reportSheet;
}
