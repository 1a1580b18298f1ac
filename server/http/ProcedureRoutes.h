#pragma once

// "/api/trpc/<procedure>": unwraps {"json": input} (query string "input" for
// queries, the body for mutations), checks the bearer token and wraps the result as
// {"result":{"data":{"json": value}}}. Procedures that read long are answered from
// the reading thread.

#include "http/HttpFront.h"

class Accounts;
class ProcedureRegistry;
class ReadingThread;

class ProcedureRoutes {
public:
    ProcedureRoutes(const ProcedureRegistry& registry, Accounts& accounts, ReadingThread& reading);
    HttpReply handle(const HttpRequest& request, const QString& name);

private:
    const ProcedureRegistry& m_registry;
    Accounts& m_accounts;
    ReadingThread& m_reading;
};
