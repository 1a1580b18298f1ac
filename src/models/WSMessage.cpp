#include "models/WSMessage.h"

using namespace Qt::StringLiterals;

WSMessage WSMessage::read(const json::Reader& r)
{
    WSMessage m;
    m.type = r.required<QString>("type"_L1);
    m.payload = r.optional<WSPayload>("payload"_L1);
    return m;
}

void WSMessage::write(json::Writer& w) const
{
    w.required("type"_L1, type);
    w.optional("payload"_L1, payload);
}
