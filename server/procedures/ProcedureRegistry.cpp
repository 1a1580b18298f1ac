#include "procedures/ProcedureRegistry.h"

#include "http/ServerError.h"

#include "models/Json.h"

#include <QJsonObject>

QJsonObject procedureSuccess()
{
    return { { QStringLiteral("success"), true } };
}

json::Reader ProcedureCall::reader() const
{
    if (input.isUndefined() || input.isNull())
        throw ServerError::badRequest(Text::InputNeeded);
    if (!input.isObject())
        throw ServerError::badRequest(Text::InputNotObject);
    return json::Reader(input, json::Path {});
}

void ProcedureRegistry::add(const QString& name, ProcedureKind kind, ProcedureHandler handler, QStringList roles)
{
    Q_ASSERT(!m_procedures.contains(name));
    m_procedures.insert(name, Procedure { kind, std::move(handler), {}, {}, {}, {}, std::move(roles) });
}

void ProcedureRegistry::addText(const QString& name, ProcedureKind kind, TextHandler handler)
{
    Q_ASSERT(!m_procedures.contains(name));
    m_procedures.insert(name, Procedure { kind, {}, std::move(handler), {}, {}, {}, {} });
}

void ProcedureRegistry::addStreamed(const QString& name, SinkMaker makeSink, StreamedHandler handler)
{
    Q_ASSERT(!m_procedures.contains(name));
    m_procedures.insert(name, Procedure { ProcedureKind::Mutation, {}, {}, std::move(makeSink), std::move(handler), {}, {} });
}

void ProcedureRegistry::addRead(const QString& name, ProcedureKind kind, ReadHandler handler)
{
    Q_ASSERT(!m_procedures.contains(name));
    m_procedures.insert(name, Procedure { kind, {}, {}, {}, {}, std::move(handler), {} });
}

const Procedure* ProcedureRegistry::find(const QString& name) const
{
    const auto it = m_procedures.constFind(name);
    return it == m_procedures.constEnd() ? nullptr : &it.value();
}

QHash<QString, SinkMaker> ProcedureRegistry::streamedBodies() const
{
    QHash<QString, SinkMaker> makers;
    for (auto it = m_procedures.constBegin(); it != m_procedures.constEnd(); ++it) {
        if (it->makeSink)
            makers.insert(it.key(), it->makeSink);
    }
    return makers;
}
