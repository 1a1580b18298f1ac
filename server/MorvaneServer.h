#pragma once

// The whole server: the store, the areas, the live hub and the HTTP listener, wired
// together in dependency order and torn down in reverse.

#include "ServerOptions.h"

#include <QObject>

#include <memory>

class Accounts;
class AdminRoutes;
class AuthRoutes;
class Contacts;
class Conversations;
class Database;
class TwoFactor;
class HttpFront;
class LiveHub;
class MessageWriter;
class ReadingThread;
class TextIndexer;
class Messages;
class ProcedureRegistry;
class ProcedureRoutes;
class Uploads;
struct HttpReply;
struct ServerContext;

class MorvaneServer : public QObject {
    Q_OBJECT
public:
    // Opens the data directory and database; throws DatabaseError when it cannot.
    explicit MorvaneServer(const ServerOptions& options, QObject* parent = nullptr);
    ~MorvaneServer() override;

    // Returns the port listened on, or 0 when the address could not be bound.
    quint16 listen();
    // Closes every live socket (1001) and stops listening; the database closes with the object.
    void shutdown();

private:
    HttpReply serveUpload(const QString& key);

    ServerOptions m_options;
    std::unique_ptr<Database> m_db;
    std::unique_ptr<Accounts> m_accounts;
    std::unique_ptr<Conversations> m_conversations;
    std::unique_ptr<Messages> m_messages;
    std::unique_ptr<Contacts> m_contacts;
    std::unique_ptr<Uploads> m_uploads;
    std::unique_ptr<TwoFactor> m_twoFactor;
    std::unique_ptr<MessageWriter> m_writer;
    std::unique_ptr<TextIndexer> m_indexer;
    std::unique_ptr<ReadingThread> m_reading;
    std::unique_ptr<LiveHub> m_hub;
    std::unique_ptr<ServerContext> m_context;
    std::unique_ptr<ProcedureRegistry> m_registry;
    std::unique_ptr<AuthRoutes> m_authRoutes;
    std::unique_ptr<AdminRoutes> m_adminRoutes;
    std::unique_ptr<ProcedureRoutes> m_procedureRoutes;
    std::unique_ptr<HttpFront> m_http;
};
