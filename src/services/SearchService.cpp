#include "services/SearchService.h"

#include "models/Json.h"
#include "network/APIClient.h"
#include "services/Procedure.h"

using namespace Qt::Literals::StringLiterals;

SearchService::SearchUser SearchService::SearchUser::read(const json::Reader& r)
{
    return SearchUser {
        r.required<qint64>("id"_L1),
        r.required<QString>("username"_L1),
        r.optional<QString>("avatar"_L1),
        r.optional<QString>("bio"_L1),
    };
}

void SearchService::SearchUser::write(json::Writer& w) const
{
    w.required("id"_L1, id);
    w.required("username"_L1, username);
    w.optional("avatar"_L1, avatar);
    w.optional("bio"_L1, bio);
}

SearchService::SearchGroup SearchService::SearchGroup::read(const json::Reader& r)
{
    return SearchGroup {
        r.required<qint64>("id"_L1),
        r.required<QString>("name"_L1),
        r.optional<QString>("avatar"_L1),
        r.optional<qint64>("memberCount"_L1),
        r.optional<qint64>("conversationId"_L1),
    };
}

void SearchService::SearchGroup::write(json::Writer& w) const
{
    w.required("id"_L1, id);
    w.required("name"_L1, name);
    w.optional("avatar"_L1, avatar);
    w.optional("memberCount"_L1, memberCount);
    w.optional("conversationId"_L1, conversationId);
}

SearchService::SearchMessage SearchService::SearchMessage::read(const json::Reader& r)
{
    return SearchMessage {
        r.required<qint64>("id"_L1),
        r.optional<QString>("content"_L1),
        r.required<qint64>("conversationId"_L1),
        r.required<qint64>("senderId"_L1),
        r.optional<QString>("senderName"_L1),
        r.optional<QString>("createdAt"_L1),
        r.optional<QString>("type"_L1),
    };
}

void SearchService::SearchMessage::write(json::Writer& w) const
{
    w.required("id"_L1, id);
    w.optional("content"_L1, content);
    w.required("conversationId"_L1, conversationId);
    w.required("senderId"_L1, senderId);
    w.optional("senderName"_L1, senderName);
    w.optional("createdAt"_L1, createdAt);
    w.optional("type"_L1, type);
}

SearchService::GlobalSearchResult SearchService::GlobalSearchResult::read(const json::Reader& r)
{
    return GlobalSearchResult {
        r.required<QList<SearchUser>>("contacts"_L1),
        r.required<QList<SearchGroup>>("groups"_L1),
        r.required<QList<SearchMessage>>("messages"_L1),
    };
}

void SearchService::GlobalSearchResult::write(json::Writer& w) const
{
    w.required("contacts"_L1, contacts);
    w.required("groups"_L1, groups);
    w.required("messages"_L1, messages);
}

SearchService& SearchService::shared()
{
    static SearchService instance(APIClient::shared());
    return instance;
}

QCoro::Task<SearchService::GlobalSearchResult> SearchService::globalSearch(QString keyword, qint64 limit)
{
    struct Input {
        QString keyword;
        qint64 limit;
        void write(json::Writer& w) const
        {
            w.required("keyword"_L1, keyword);
            w.required("limit"_L1, limit);
        }
    };
    return procedure::query<GlobalSearchResult>(api, u"search.global"_s, Input { std::move(keyword), limit });
}
