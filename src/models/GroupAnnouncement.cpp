#include "models/GroupAnnouncement.h"

using namespace Qt::StringLiterals;

GroupAnnouncement GroupAnnouncement::read(const json::Reader& r)
{
    GroupAnnouncement a;
    a.id = r.required<qint64>("id"_L1);
    a.conversationId = r.required<qint64>("conversationId"_L1);
    a.publisherId = r.required<qint64>("publisherId"_L1);
    a.content = r.required<QString>("content"_L1);
    a.isPinned = r.optional<bool>("isPinned"_L1);
    a.createdAt = r.optional<QString>("createdAt"_L1);
    a.publisherName = r.optional<QString>("publisherName"_L1);
    return a;
}

void GroupAnnouncement::write(json::Writer& w) const
{
    w.required("id"_L1, id);
    w.required("conversationId"_L1, conversationId);
    w.required("publisherId"_L1, publisherId);
    w.required("content"_L1, content);
    w.optional("isPinned"_L1, isPinned);
    w.optional("createdAt"_L1, createdAt);
    w.optional("publisherName"_L1, publisherName);
}
