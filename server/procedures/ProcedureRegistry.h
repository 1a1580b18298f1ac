#pragma once

// The named procedures under "/api/trpc/". Each area registers its procedures here
// (see Procedures.h); the envelope, authentication and errors are ProcedureRoutes'.

#include "http/BodyStream.h"
#include "http/HttpReply.h"
#include <QHash>
#include <QJsonObject>
#include <QJsonValue>
#include <QString>
#include <QStringList>

#include <functional>

namespace json {
class Reader;
}
class Database;

enum class ProcedureKind { Query, Mutation };

struct ProcedureCall {
    QString name;
    qint64 userId = 0;
    qint64 sessionId = 0;
    // The caller's account role ("user", "vip", "operator", "admin").
    QString role;
    QString accessToken;
    // The request's Host header, for absolute addresses in replies.
    QString host;
    // What texts for the caller are written in.
    Language language = Language::English;
    // Undefined when the caller sent no input.
    QJsonValue input;

    // The input as an object to read keys from; throws ServerError 400 when it is absent
    // or not an object. Reading a key with the wrong type throws json::DecodeError,
    // which the route turns into 400 as well.
    json::Reader reader() const;
};

// What a mutation without a result of its own answers.
QJsonObject procedureSuccess();

using ProcedureHandler = std::function<QJsonValue(const ProcedureCall&)>;
// For a mutation whose body is too large to hold: the body is streamed, as it arrives,
// into a sink the maker makes (see BodyStream), and the handler gets it once the body
// has ended (the call's input stays unset).
using SinkMaker = std::function<std::shared_ptr<BodySink>()>;
using StreamedHandler = std::function<QJsonValue(const ProcedureCall&, const StreamedBody&)>;

// For a procedure that reads long (every message): it runs on the reading thread with
// that thread's own connection, not on the event loop.
using ReadHandler = std::function<QJsonValue(Database& db, const ProcedureCall&)>;

// For a procedure that answers a long list: it writes the result as JSON text itself
// (see JsonText), which costs much less than building it as objects.
using TextHandler = std::function<QByteArray(const ProcedureCall&)>;

struct Procedure {
    ProcedureKind kind = ProcedureKind::Query;
    ProcedureHandler handler;
    TextHandler textHandler;
    SinkMaker makeSink;
    StreamedHandler streamedHandler;
    ReadHandler readHandler;
    // The roles that may call it; empty: every signed-in account.
    QStringList roles;
};

class ProcedureRegistry {
public:
    void add(const QString& name, ProcedureKind kind, ProcedureHandler handler, QStringList roles = {});
    void addText(const QString& name, ProcedureKind kind, TextHandler handler);
    void addStreamed(const QString& name, SinkMaker makeSink, StreamedHandler handler);
    void addRead(const QString& name, ProcedureKind kind, ReadHandler handler);
    const Procedure* find(const QString& name) const;
    // The sink makers of the procedures whose bodies are streamed, by name.
    QHash<QString, SinkMaker> streamedBodies() const;

private:
    QHash<QString, Procedure> m_procedures;
};
