#include "views/admin/MessageAuditView.h"

#include "state/MessageAuditViewModel.h"
#include "views/admin/CapsuleBadge.h"
#include "views/admin/ConfirmationDialog.h"
#include "views/common/Appearance.h"
#include "views/common/Localized.h"

#include <QHeaderView>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QTableWidget>

MessageAuditView::MessageAuditView(APIClient& api, QWidget* parent)
    : MessageAuditView(new MessageAuditViewModel(api), parent)
{
}

MessageAuditView::MessageAuditView(MessageAuditViewModel* model, QWidget* parent)
    : AdminPagedTableView(model,
                          { "admin.messages_search", "admin.messages_total", "admin.messages_empty", QStringLiteral("message.badge.circle") },
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
    // Room for two lines of content; longer content is cut.
    table()->setWordWrap(true);
    table()->verticalHeader()->setDefaultSectionSize(40);
}

void MessageAuditView::fillRow(int row)
{
    const AuditMessage message = m_model->messages().at(row);
    setTextCell(row, 0, QString::number(message.id), CellStyle::CaptionMonospaced);
    setTextCell(row, 1, message.senderName.value_or(QString::number(message.senderId.value_or(0))), CellStyle::Caption);
    setWidgetCell(row, 2, new CapsuleBadge(message.type.value_or(QStringLiteral("text")), MessageAuditViewModel::typeColor(message.type)));
    setTextCell(row, 3, message.content.value_or(QStringLiteral("-")), CellStyle::Caption);
    setTextCell(row, 4, message.createdAt.value_or(QStringLiteral("-")), CellStyle::CaptionSecondary);
    if (message.isDeleted.value_or(false)) {
        auto* deleted = new QLabel(Localized::text("admin.messages_deleted"));
        deleted->setObjectName(QStringLiteral("deletedLabel"));
        deleted->setFont(Appearance::font(Appearance::TextStyle::Caption));
        Appearance::setTextColor(deleted, Appearance::secondaryText());
        setWidgetCell(row, 5, deleted);
        return;
    }
    QPushButton* remove = rowButton(Localized::text("admin.messages_delete"), Tint::Red, nullptr);
    remove->setObjectName(QStringLiteral("deleteButton"));
    connect(remove, &QPushButton::clicked, this, [this, message] { requestDelete(message); });
    setWidgetCell(row, 5, remove);
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
