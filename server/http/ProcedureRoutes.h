#pragma once

// "/api/trpc/<procedure>": unwraps {"json": input} (query string "input" for
// queries, the body for mutations), checks the bearer token and wraps the result as
// {"result":{"data":{"json": value}}}.

#include "http/HttpFront.h"

class Accounts;
class ProcedureRegistry;

class ProcedureRoutes {
public:
    ProcedureRoutes(const ProcedureRegistry& registry, Accounts& accounts);
    HttpReply handle(const HttpRequest& request, const QString& name);

private:
    const ProcedureRegistry& m_registry;
    Accounts& m_accounts;
};
