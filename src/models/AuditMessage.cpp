#include "models/AuditMessage.h"

using namespace Qt::StringLiterals;

AuditMessage AuditMessage::read(const json::Reader& r)
{
    AuditMessage v;
    v.id = r.required<qint64>("id"_L1);
    v.senderId = r.optional<qint64>("senderId"_L1);
    v.senderName = r.optional<QString>("senderName"_L1);
    v.conversationId = r.optional<qint64>("conversationId"_L1);
    v.content = r.optional<QString>("content"_L1);
    v.type = r.optional<QString>("type"_L1);
    v.createdAt = r.optional<QString>("createdAt"_L1);
    v.isDeleted = r.optional<bool>("isDeleted"_L1);
    return v;
}

void AuditMessage::write(json::Writer& w) const
{
    w.required("id"_L1, id);
    w.optional("senderId"_L1, senderId);
    w.optional("senderName"_L1, senderName);
    w.optional("conversationId"_L1, conversationId);
    w.optional("content"_L1, content);
    w.optional("type"_L1, type);
    w.optional("createdAt"_L1, createdAt);
    w.optional("isDeleted"_L1, isDeleted);
}
