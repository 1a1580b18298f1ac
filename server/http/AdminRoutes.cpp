#include "http/AdminRoutes.h"

#include "http/PendingReply.h"
#include "http/ServerError.h"
#include "live/LiveHub.h"
#include "Roles.h"
#include "store/Accounts.h"
#include "store/GroupAdministration.h"
#include "store/MessageAudit.h"
#include "store/Messages.h"
#include "store/PagedSearch.h"
#include "store/ReadingThread.h"
#include "store/UserAdministration.h"

#include "models/Json.h"

#include <QJsonObject>

namespace {

// Far beyond any list here, and small enough that page × limit cannot overflow.
constexpr qint64 kMaxPage = 1000000;
constexpr qint64 kDefaultLimit = 20;

qint64 queryInteger(const HttpRequest& request, const QString& key, qint64 fallback)
{
    if (!request.query.hasQueryItem(key))
        return fallback;
    bool ok = false;
    const qint64 value = request.query.queryItemValue(key, QUrl::FullyDecoded).toLongLong(&ok);
    if (!ok)
        throw ServerError::badRequest(Text::NotWholeNumber, key);
    return value;
}

PageRequest pageRequest(const HttpRequest& request)
{
    PageRequest page;
    page.page = queryInteger(request, QStringLiteral("page"), 1);
    if (page.page < 1 || page.page > kMaxPage)
        throw ServerError::badRequest(Text::PageOutOfRange, kMaxPage);
    page.limit = queryInteger(request, QStringLiteral("limit"), kDefaultLimit);
    if (page.limit < 1)
        throw ServerError::badRequest(Text::LimitBelowOne);
    page.limit = qMin(page.limit, PageRequest::kMaxLimit);
    // As typed: a "+" stays a plus sign, and blanks are searched for too.
    page.search = request.query.queryItemValue(QStringLiteral("search"), QUrl::FullyDecoded);
    return page;
}

json::Reader bodyReader(const HttpRequest& request)
{
    const QJsonValue body = json::parse(request.body);
    if (!body.isObject())
        throw ServerError::badRequest(Text::BodyNotObject);
    return json::Reader(body, json::Path {});
}

HttpReply success()
{
    return HttpReply::json(QJsonObject { { QStringLiteral("success"), true } });
}

} // namespace

AdminRoutes::AdminRoutes(Database& db, Accounts& accounts, Messages& messages, LiveHub& hub, ReadingThread& reading)
    : m_db(db)
    , m_accounts(accounts)
    , m_messages(messages)
    , m_hub(hub)
    , m_reading(reading)
{
}

HttpReply AdminRoutes::handle(const HttpRequest& request, const QString& rest)
{
    const auto session = m_accounts.authenticate(request.bearerToken);
    if (!session)
        throw ServerError::unauthorized();
    if (m_accounts.role(session->userId) != roles::kAdmin)
        throw ServerError::forbidden(Text::AdministratorsOnly);

    const bool get = request.method == u"GET";
    const bool post = request.method == u"POST";
    const auto use = [&](bool rightMethod, const char* method) {
        if (!rightMethod)
            throw ServerError(ServerError::Kind::MethodNotAllowed, Phrase::of(Text::UseMethod, QLatin1StringView(method)));
    };
    if (rest == u"stats") {
        use(get, "GET");
        return stats(request.language);
    }
    // Searching the lists looks at every row: off the event loop.
    if (rest == u"users") {
        use(get, "GET");
        return later(request.language, [page = pageRequest(request)](Database& db) { return HttpReply::json(UserAdministration(db).list(page)); });
    }
    if (rest == u"groups") {
        use(get, "GET");
        return later(request.language, [page = pageRequest(request)](Database& db) { return HttpReply::json(GroupAdministration(db).list(page)); });
    }
    if (rest == u"messages") {
        use(get, "GET");
        return later(request.language, [page = pageRequest(request)](Database& db) { return HttpReply::json(MessageAudit(db).list(page)); });
    }
    if (rest == u"users/ban") {
        use(post, "POST");
        return ban(session->userId, request);
    }
    if (rest == u"users/role") {
        use(post, "POST");
        return changeRole(session->userId, request);
    }
    if (rest == u"groups/dissolve") {
        use(post, "POST");
        return dissolve(session->userId, request);
    }
    if (rest == u"messages/delete") {
        use(post, "POST");
        return deleteMessage(session->userId, request);
    }
    throw ServerError::notFound(Text::NotFound);
}

HttpReply AdminRoutes::stats(Language language)
{
    // Counting every message takes long; who is online is known only here.
    return later(language, [online = m_hub.onlineCount()](Database& db) {
        return HttpReply::json(QJsonObject {
            { QStringLiteral("totalUsers"), UserAdministration(db).count() },
            { QStringLiteral("onlineUsers"), online },
            { QStringLiteral("totalMessages"), MessageAudit(db).count() },
            { QStringLiteral("activeGroups"), GroupAdministration(db).activeCount() },
        });
    });
}

HttpReply AdminRoutes::later(Language language, std::function<HttpReply(Database&)> read)
{
    auto pending = std::make_shared<PendingReply>();
    m_reading.answer(pending, [read = std::move(read), language](Database& db) {
        return HttpReply::guarded([&] { return read(db); }, false, {}, language);
    });
    return HttpReply::later(pending);
}

HttpReply AdminRoutes::ban(qint64 adminId, const HttpRequest& request)
{
    const json::Reader body = bodyReader(request);
    const qint64 userId = body.required<qint64>(QLatin1StringView("userId"));
    const bool banned = body.required<bool>(QLatin1StringView("banned"));
    // So that the last administrator can never lock everybody out.
    if (userId == adminId && banned)
        throw ServerError::badRequest(Text::CannotBanYourself);
    m_accounts.setBanned(userId, banned);
    if (banned) {
        m_hub.closeUser(userId);
        qInfo().noquote() << "[Admin] User" << userId << "banned by" << adminId;
    }
    return success();
}

HttpReply AdminRoutes::changeRole(qint64 adminId, const HttpRequest& request)
{
    const json::Reader body = bodyReader(request);
    const qint64 userId = body.required<qint64>(QLatin1StringView("userId"));
    const QString role = body.required<QString>(QLatin1StringView("role"));
    if (userId == adminId && role != roles::kAdmin)
        throw ServerError::badRequest(Text::CannotDemoteYourself);
    m_accounts.setRole(userId, role);
    return success();
}

HttpReply AdminRoutes::dissolve(qint64 adminId, const HttpRequest& request)
{
    const qint64 groupId = bodyReader(request).required<qint64>(QLatin1StringView("groupId"));
    const qint64 conversationId = GroupAdministration(m_db).dissolve(groupId);
    // Each member's client words the notice in the member's language.
    const qint64 notice = m_messages.storeNotice(conversationId, adminId, Messages::kGroupDissolved,
        Phrase(Text::GroupDissolvedNotice).in(request.language));
    if (const auto message = m_messages.messageJson(notice))
        m_hub.sendToConversation(conversationId, QStringLiteral("message_deliver"), { { QStringLiteral("message"), *message } });
    return success();
}

HttpReply AdminRoutes::deleteMessage(qint64 adminId, const HttpRequest& request)
{
    const qint64 messageId = bodyReader(request).required<qint64>(QLatin1StringView("messageId"));
    const DeletedMessage deleted = MessageAudit(m_db).remove(messageId);
    if (deleted.changed) {
        m_hub.sendToConversation(deleted.conversationId, QStringLiteral("message_revoked"),
            { { QStringLiteral("messageId"), messageId },
              { QStringLiteral("conversationId"), deleted.conversationId },
              { QStringLiteral("revokedBy"), adminId },
              { QStringLiteral("removedByAdmin"), true } });
    }
    return success();
}
