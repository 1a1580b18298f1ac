#include "models/OperatorSession.h"

using namespace Qt::StringLiterals;

OperatorSession OperatorSession::read(const json::Reader& r)
{
    OperatorSession v;
    v.id = r.required<qint64>("id"_L1);
    v.customerId = r.optional<qint64>("customerId"_L1);
    v.operatorId = r.optional<qint64>("operatorId"_L1);
    v.status = r.optional<QString>("status"_L1);
    v.customerName = r.optional<QString>("customerName"_L1);
    v.customerAvatar = r.optional<QString>("customerAvatar"_L1);
    v.lastMessage = r.optional<QString>("lastMessage"_L1);
    v.createdAt = r.optional<QString>("createdAt"_L1);
    v.rating = r.optional<qint64>("rating"_L1);
    return v;
}

void OperatorSession::write(json::Writer& w) const
{
    w.required("id"_L1, id);
    w.optional("customerId"_L1, customerId);
    w.optional("operatorId"_L1, operatorId);
    w.optional("status"_L1, status);
    w.optional("customerName"_L1, customerName);
    w.optional("customerAvatar"_L1, customerAvatar);
    w.optional("lastMessage"_L1, lastMessage);
    w.optional("createdAt"_L1, createdAt);
    w.optional("rating"_L1, rating);
}
