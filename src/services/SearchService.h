#pragma once

#include <QCoroTask>
#include <QList>
#include <QString>

#include <optional>

class APIClient;
namespace json {
class Reader;
class Writer;
}

// Global search over users, groups and messages. Its records are lighter than the
// data-model ones and are deliberately not converted into them.
class SearchService final {
public:
    struct SearchUser {
        qint64 id = 0;
        QString username;
        std::optional<QString> avatar;
        std::optional<QString> bio;

        static SearchUser read(const json::Reader& reader);
        void write(json::Writer& writer) const;
    };

    struct SearchGroup {
        qint64 id = 0;
        QString name;
        std::optional<QString> avatar;
        std::optional<qint64> memberCount;
        std::optional<qint64> conversationId;

        static SearchGroup read(const json::Reader& reader);
        void write(json::Writer& writer) const;
    };

    struct SearchMessage {
        qint64 id = 0;
        std::optional<QString> content;
        qint64 conversationId = 0;
        qint64 senderId = 0;
        std::optional<QString> senderName;
        std::optional<QString> createdAt;
        std::optional<QString> type;

        static SearchMessage read(const json::Reader& reader);
        void write(json::Writer& writer) const;
    };

    struct GlobalSearchResult {
        QList<SearchUser> contacts;
        QList<SearchGroup> groups;
        QList<SearchMessage> messages;

        static GlobalSearchResult read(const json::Reader& reader);
        void write(json::Writer& writer) const;
    };

    static SearchService& shared();
    explicit SearchService(APIClient& api)
        : api(api)
    {
    }

    // The keyword is sent as given (not trimmed) and the reply is not cut to limit.
    QCoro::Task<GlobalSearchResult> globalSearch(QString keyword, qint64 limit);

    APIClient& api;
};
