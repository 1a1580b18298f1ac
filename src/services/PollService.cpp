#include "services/PollService.h"

#include "models/Json.h"

using namespace Qt::Literals::StringLiterals;

PollVoter PollVoter::read(const json::Reader& r)
{
    return PollVoter { r.required<qint64>("id"_L1), r.optional<QString>("username"_L1),
        r.optional<QString>("avatar"_L1) };
}

void PollVoter::write(json::Writer& w) const
{
    w.required("id"_L1, id);
    w.optional("username"_L1, username);
    w.optional("avatar"_L1, avatar);
}

PollOptionResult PollOptionResult::read(const json::Reader& r)
{
    return PollOptionResult {
        r.required<qint64>("id"_L1),
        r.required<QString>("text"_L1),
        r.optional<qint64>("voteCount"_L1),
        r.optional<QList<PollVoter>>("voters"_L1),
    };
}

void PollOptionResult::write(json::Writer& w) const
{
    w.required("id"_L1, id);
    w.required("text"_L1, text);
    w.optional("voteCount"_L1, voteCount);
    w.optional("voters"_L1, voters);
}
