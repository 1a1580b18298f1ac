#include "services/WalletService.h"

#include "models/Json.h"

using namespace Qt::Literals::StringLiterals;

WalletService::Transaction WalletService::Transaction::read(const json::Reader& r)
{
    return Transaction {
        r.required<qint64>("id"_L1),
        r.optional<QString>("type"_L1),
        r.optional<double>("amount"_L1),
        r.optional<QString>("currency"_L1),
        r.optional<QString>("description"_L1),
        r.optional<QString>("status"_L1),
        r.optional<QString>("createdAt"_L1),
        r.optional<qint64>("relatedUserId"_L1),
        r.optional<QString>("relatedUserName"_L1),
    };
}

void WalletService::Transaction::write(json::Writer& w) const
{
    w.required("id"_L1, id);
    w.optional("type"_L1, type);
    w.optional("amount"_L1, amount);
    w.optional("currency"_L1, currency);
    w.optional("description"_L1, description);
    w.optional("status"_L1, status);
    w.optional("createdAt"_L1, createdAt);
    w.optional("relatedUserId"_L1, relatedUserId);
    w.optional("relatedUserName"_L1, relatedUserName);
}
