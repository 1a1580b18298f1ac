#pragma once

// Each area of the server registers its procedures from its own source file.
// A new area adds one function here and one line in registerAllProcedures().

class Accounts;
class Contacts;
class Conversations;
class Database;
class LiveHub;
class Messages;
class ProcedureRegistry;
class TwoFactor;
class Uploads;

struct ServerContext {
    Database& db;
    Accounts& accounts;
    Conversations& conversations;
    Messages& messages;
    Contacts& contacts;
    Uploads& uploads;
    LiveHub& hub;
    TwoFactor& twoFactor;
};

void registerConversationProcedures(ProcedureRegistry& registry, ServerContext& context);
void registerMessageProcedures(ProcedureRegistry& registry, ServerContext& context);
void registerContactProcedures(ProcedureRegistry& registry, ServerContext& context);
void registerGroupProcedures(ProcedureRegistry& registry, ServerContext& context);
void registerUploadProcedures(ProcedureRegistry& registry, ServerContext& context);
void registerUserProcedures(ProcedureRegistry& registry, ServerContext& context);
void registerContactRequestProcedures(ProcedureRegistry& registry, ServerContext& context);
void registerGroupRoleProcedures(ProcedureRegistry& registry, ServerContext& context);
void registerMomentProcedures(ProcedureRegistry& registry, ServerContext& context);
void registerSearchProcedures(ProcedureRegistry& registry, ServerContext& context);
void registerFileProcedures(ProcedureRegistry& registry, ServerContext& context);
void registerGiftVipProcedures(ProcedureRegistry& registry, ServerContext& context);
void registerSessionProcedures(ProcedureRegistry& registry, ServerContext& context);
void registerMfaProcedures(ProcedureRegistry& registry, ServerContext& context);
void registerFavoriteProcedures(ProcedureRegistry& registry, ServerContext& context);
void registerAdminProcedures(ProcedureRegistry& registry, ServerContext& context);
void registerOperatorProcedures(ProcedureRegistry& registry, ServerContext& context);

void registerAllProcedures(ProcedureRegistry& registry, ServerContext& context);
