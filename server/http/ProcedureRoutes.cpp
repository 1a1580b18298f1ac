#include "http/ProcedureRoutes.h"

#include "http/PendingReply.h"
#include "http/ServerError.h"
#include "procedures/ProcedureRegistry.h"
#include "store/Accounts.h"
#include "store/ReadingThread.h"

#include "models/Json.h"

#include <QJsonObject>

namespace {

// {"json": value} → value; anything else is refused.
QJsonValue unwrapInput(const QByteArray& text)
{
    const QJsonValue envelope = json::parse(text);
    if (!envelope.isObject() || !envelope.toObject().contains(QLatin1StringView("json")))
        throw ServerError::badRequest(Text::InputNotWrapped);
    return envelope.toObject().value(QLatin1StringView("json"));
}

} // namespace

ProcedureRoutes::ProcedureRoutes(const ProcedureRegistry& registry, Accounts& accounts, ReadingThread& reading)
    : m_registry(registry)
    , m_accounts(accounts)
    , m_reading(reading)
{
}

HttpReply ProcedureRoutes::handle(const HttpRequest& request, const QString& name)
{
    const Procedure* procedure = m_registry.find(name);
    if (!procedure)
        throw ServerError::notFound(Text::NoProcedure, name.left(100));
    const bool query = procedure->kind == ProcedureKind::Query;
    if (request.method != (query ? u"GET" : u"POST"))
        throw ServerError(ServerError::Kind::MethodNotAllowed, Phrase::of(query ? Text::QueryUseGet : Text::MutationUsePost, name));

    const auto session = m_accounts.authenticate(request.bearerToken);
    if (!session)
        throw ServerError::unauthorized();

    ProcedureCall call;
    call.name = name;
    call.userId = session->userId;
    call.sessionId = session->sessionId;
    call.role = m_accounts.role(session->userId);
    if (!procedure->roles.isEmpty() && !procedure->roles.contains(call.role))
        throw ServerError::forbidden(Text::ProcedureNotAllowed, name);
    call.accessToken = request.bearerToken;
    call.host = request.host;
    call.language = request.language;
    if (procedure->streamedHandler)
        return HttpReply::procedureResult(procedure->streamedHandler(call, request.streamed));
    if (query) {
        if (request.query.hasQueryItem(QStringLiteral("input")))
            call.input = unwrapInput(request.query.queryItemValue(QStringLiteral("input"), QUrl::FullyDecoded).toUtf8());
    } else if (!request.body.isEmpty()) {
        call.input = unwrapInput(request.body);
    }

    if (procedure->readHandler) {
        auto pending = std::make_shared<PendingReply>();
        m_reading.answer(pending, [read = procedure->readHandler, call](Database& db) {
            return HttpReply::guarded([&] { return HttpReply::procedureResult(read(db, call)); }, true, call.name, call.language);
        });
        return HttpReply::later(pending);
    }
    if (procedure->textHandler)
        return HttpReply::procedureResultText(procedure->textHandler(call));
    return HttpReply::procedureResult(procedure->handler(call));
}
