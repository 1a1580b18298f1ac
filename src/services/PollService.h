#pragma once

#include <QList>
#include <QString>

#include <optional>

class APIClient;
namespace json {
class Reader;
class Writer;
}

struct PollVoter {
    qint64 id = 0;
    std::optional<QString> username;
    std::optional<QString> avatar;

    static PollVoter read(const json::Reader& reader);
    void write(json::Writer& writer) const;
};

// One answer option of a poll with its votes.
struct PollOptionResult {
    qint64 id = 0;
    QString text;
    std::optional<qint64> voteCount;
    std::optional<QList<PollVoter>> voters;

    static PollOptionResult read(const json::Reader& reader);
    void write(json::Writer& writer) const;
};

// Polls have no server procedure yet: the service offers nothing.
class PollService final {
public:
    explicit PollService(APIClient& api)
        : api(api)
    {
    }

    APIClient& api;
};
