#include "state/admin/MessageAuditViewModel.h"

#include "models/AdminListResponse.h"

#include <QJsonObject>
#include <QPointer>

using namespace Qt::StringLiterals;

MessageAuditViewModel::MessageAuditViewModel(APIClient& api, QObject* parent)
    : AdminPagedTable(api, { u"/api/admin/messages"_s, pageSize, "admin.messages_load_failed" }, parent)
{
}

std::pair<int, std::optional<qint64>> MessageAuditViewModel::takePage(const QJsonValue& reply)
{
    AuditMessageListResponse page = json::decode<AuditMessageListResponse>(reply);
    m_reload.settle(page.rows);
    m_messages = std::move(page.rows);
    Q_EMIT rowsChanged();
    return { int(m_messages.size()), page.total };
}

QCoro::Task<> MessageAuditViewModel::deleteMessage(AuditMessage message)
{
    if (!beginAction(message.id))
        co_return;
    QPointer<MessageAuditViewModel> self(this);
    try {
        const QJsonObject body { { u"messageId"_s, message.id } };
        co_await api().guardedRequest<void>("POST", u"/api/admin/messages/delete"_s, QJsonValue(body));
        if (!self)
            co_return;
        m_reload.record(ListReload<AuditMessage>::change(message.id, [](AuditMessage& shown) { shown.isDeleted = true; }));
        for (int row = 0; row < m_messages.size(); ++row) {
            if (m_messages.at(row).id == message.id) {
                m_messages[row].isDeleted = true;
                Q_EMIT rowChanged(row);
                break;
            }
        }
    } catch (const std::exception& error) {
        if (!self)
            co_return;
        fail("admin.messages_delete_failed", error);
    }
    endAction(message.id);
}

Tint MessageAuditViewModel::typeColor(const std::optional<QString>& type)
{
    static const QHash<QString, Tint> colours {
        { u"text"_s, Tint::Blue }, { u"image"_s, Tint::Green }, { u"file"_s, Tint::Orange },
        { u"voice"_s, Tint::Purple }, { u"video"_s, Tint::Pink }, { u"location"_s, Tint::Teal },
    };
    return type ? colours.value(*type, Tint::Gray) : Tint::Gray;
}
