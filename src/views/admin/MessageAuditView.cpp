#include "views/admin/MessageAuditView.h"

#include "state/admin/MessageAuditViewModel.h"
#include "views/admin/ConfirmationDialog.h"
#include "views/common/Localized.h"

#include <QHeaderView>
#include <QPointer>
#include <QTableView>

MessageAuditView::MessageAuditView(APIClient& api, QWidget* parent)
    : MessageAuditView(new MessageAuditViewModel(api), parent)
{
}

MessageAuditView::MessageAuditView(MessageAuditViewModel* model, QWidget* parent)
    : AdminPagedTableView(model,
                          { "admin.messages_search", "admin.messages_total", "admin.messages_empty", QStringLiteral("message.badge.circle"), "admin.messages" },
                          { { QStringLiteral("ID"), 40, 50 },
                            { QStringLiteral("admin.messages_sender"), 80, 100 },
                            { QStringLiteral("admin.messages_type"), 60, 70 },
                            { QStringLiteral("admin.messages_content"), 200, 300 },
                            { QStringLiteral("admin.messages_time"), 100, 140 },
                            { QStringLiteral("admin.users_actions"), 60, 80 } },
                          parent)
    , m_model(model)
{
    setObjectName(QStringLiteral("messageAuditView"));
    m_model->setParent(this);
    // Room for two lines of content; longer content is cut. The content takes
    // what the other columns leave, so the delete button stays in view.
    table()->setWordWrap(true);
    table()->verticalHeader()->setDefaultSectionSize(40);
    table()->horizontalHeader()->setStretchLastSection(false);
    table()->horizontalHeader()->setSectionResizeMode(3, QHeaderView::Stretch);
}

QVariant MessageAuditView::cellData(int row, int column, int role) const
{
    using Style = AdminCellDelegate::TextStyle;
    const AuditMessage& message = m_model->messages().at(row);
    switch (column) {
    case 0:
        return AdminCellDelegate::textData(QString::number(message.id), Style::CaptionMonospaced, role);
    case 1:
        return AdminCellDelegate::textData(senderText(message), Style::Caption, role);
    case 2:
        return AdminCellDelegate::badgeData(message.type.value_or(QStringLiteral("text")), MessageAuditViewModel::typeColor(message.type), role);
    case 3:
        return AdminCellDelegate::textData(message.content.value_or(QStringLiteral("-")), Style::Caption, role);
    case 4:
        return AdminCellDelegate::textData(message.createdAt.value_or(QStringLiteral("-")), Style::CaptionSecondary, role);
    case 5:
        if (message.isDeleted.value_or(false))
            return AdminCellDelegate::textData(Localized::text("admin.messages_deleted"), Style::CaptionSecondary, role);
        return AdminCellDelegate::actionsData({ AdminCellDelegate::cellAction(QStringLiteral("deleteButton"), Localized::text("admin.messages_delete"),
                                                             Tint::Red, !m_model->isActing(message.id)) },
                                              role);
    default:
        return {};
    }
}

QString MessageAuditView::senderText(const AuditMessage& message)
{
    return message.senderName.value_or(QString::number(message.senderId.value_or(0)));
}

void MessageAuditView::actionTriggered(int row, const QString& name)
{
    if (name == u"deleteButton")
        requestDelete(m_model->messages().at(row));
}

void MessageAuditView::requestDelete(const AuditMessage& message)
{
    QPointer<MessageAuditViewModel> model(m_model);
    auto* dialog = new ConfirmationDialog(Localized::text("admin.messages_delete_confirm"), Localized::text("common.delete"), true,
                                          [model, message] {
                                              if (model)
                                                  model->deleteMessage(message);
                                          },
                                          this);
    dialog->open();
}
