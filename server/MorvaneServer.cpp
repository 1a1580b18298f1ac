#include "MorvaneServer.h"

#include "DataDirectory.h"
#include "OffThread.h"

#include "demo/DemoData.h"
#include "demo/DemoExtras.h"
#include "demo/DemoStaff.h"
#include "http/AdminRoutes.h"
#include "http/AuthRoutes.h"
#include "http/HttpFront.h"
#include "http/ProcedureRoutes.h"
#include "http/ServerError.h"
#include "live/LiveHub.h"
#include "live/MessageWriter.h"
#include "procedures/ProcedureRegistry.h"
#include "procedures/Procedures.h"
#include "store/Accounts.h"
#include "store/Contacts.h"
#include "store/Conversations.h"
#include "store/Database.h"
#include "store/TwoFactor.h"
#include "store/FileLibrary.h"
#include "store/Messages.h"
#include "store/ReadingThread.h"
#include "store/TextIndexer.h"
#include "store/Uploads.h"

#include <QDir>
#include <QFileInfo>
#include <QHostAddress>
#include <QWebSocket>

MorvaneServer::MorvaneServer(const ServerOptions& options, QObject* parent)
    : QObject(parent)
    , m_options(options)
{
    const QDir dir(m_options.dataDir);
    if (!DataDirectory::makePrivate(m_options.dataDir))
        throw DatabaseError("cannot create the data directory " + m_options.dataDir.toStdString());
    const QString databasePath = dir.filePath(QStringLiteral("morvane.sqlite3"));
    m_db = std::make_unique<Database>(databasePath);
    m_accounts = std::make_unique<Accounts>(*m_db, m_options.tokenTtlSeconds);
    m_conversations = std::make_unique<Conversations>(*m_db);
    m_messages = std::make_unique<Messages>(*m_db, *m_conversations);
    m_contacts = std::make_unique<Contacts>(*m_db);
    m_uploads = std::make_unique<Uploads>(*m_db, dir.filePath(QStringLiteral("uploads")));
    m_twoFactor = std::make_unique<TwoFactor>(*m_db);
    m_writer = std::make_unique<MessageWriter>(databasePath);
    m_indexer = std::make_unique<TextIndexer>(databasePath);
    m_reading = std::make_unique<ReadingThread>(databasePath);
    // Sign-ins and uploads work on the shared pool.
    offthread::startEveryThread(*QThreadPool::globalInstance());
    m_db->setCheckpointPages(0);
    m_hub = std::make_unique<LiveHub>(*m_accounts, *m_conversations, *m_messages, *m_contacts, *m_writer);
    if (m_options.handoverGraceMs)
        m_hub->setHandoverGraceMs(*m_options.handoverGraceMs);
    m_context = std::make_unique<ServerContext>(ServerContext {
        *m_db, *m_accounts, *m_conversations, *m_messages, *m_contacts, *m_uploads, *m_hub, *m_twoFactor });
    m_registry = std::make_unique<ProcedureRegistry>();
    registerAllProcedures(*m_registry, *m_context);

    // The log names the demo accounts but never their passwords: the README lists those.
    if (m_options.demo && DemoData::seedOnce(*m_context)) {
        QStringList accounts;
        for (const DemoData::DemoUser& user : DemoData::kUsers)
            accounts << QString::fromUtf8(user.username);
        qInfo().noquote() << "[Server] Demo data added; accounts:" << accounts.join(QStringLiteral(", "));
    }
    if (m_options.demo && DemoExtras::seedOnce(*m_context))
        qInfo().noquote() << "[Server] More demo data added; account:" << QString::fromUtf8(DemoExtras::kStranger.username);
    if (m_options.demo && DemoStaff::seedOnce(*m_context)) {
        QStringList accounts;
        for (const DemoStaff::StaffAccount& staff : DemoStaff::kStaff)
            accounts << QString::fromUtf8(staff.username) + QStringLiteral(" (") + QString::fromUtf8(staff.role) + u')';
        qInfo().noquote() << "[Server] Staff demo data added; accounts:" << accounts.join(QStringLiteral(", "));
    }

    m_authRoutes = std::make_unique<AuthRoutes>(*m_accounts, *m_twoFactor, *m_hub, m_options.registrationBurst);
    m_adminRoutes = std::make_unique<AdminRoutes>(*m_db, *m_accounts, *m_messages, *m_hub, *m_reading);
    m_procedureRoutes = std::make_unique<ProcedureRoutes>(*m_registry, *m_accounts, *m_reading);
    m_http = std::make_unique<HttpFront>();
    m_http->route(QStringLiteral("/api/auth/"), false,
        [this](const HttpRequest& request, const QString& rest) { return m_authRoutes->handle(request, rest); });
    m_http->route(QStringLiteral("/api/admin/"), false,
        [this](const HttpRequest& request, const QString& rest) { return m_adminRoutes->handle(request, rest); });
    m_http->route(QStringLiteral("/api/trpc/"), true,
        [this](const HttpRequest& request, const QString& rest) { return m_procedureRoutes->handle(request, rest); });
    const QHash<QString, SinkMaker> streamed = m_registry->streamedBodies();
    for (auto it = streamed.constBegin(); it != streamed.constEnd(); ++it)
        m_http->streamBody(QStringLiteral("/api/trpc/") + it.key(), it.value());
    m_http->route(QStringLiteral("/uploads/"), false, [this](const HttpRequest& request, const QString& rest) {
        // HEAD is GET without the body, which the connection leaves out.
        if (request.method != u"GET" && request.method != u"HEAD")
            throw ServerError(ServerError::Kind::MethodNotAllowed, Phrase::of(Text::UseGetForFiles));
        return serveUpload(rest);
    });
    m_http->route(QStringLiteral("/files/"), false, [this](const HttpRequest& request, const QString& rest) {
        return FileLibrary(*m_db, *m_uploads).serve(request, rest);
    });
    connect(m_http.get(), &HttpFront::newWebSocketConnection, this, [this] {
        while (m_http->hasPendingWebSocketConnections())
            m_hub->accept(m_http->nextPendingWebSocketConnection());
    });
}

MorvaneServer::~MorvaneServer()
{
    // The listener goes first so nothing new arrives while the rest is torn down.
    m_http.reset();
    m_hub.reset();
}

quint16 MorvaneServer::listen()
{
    const QHostAddress address = m_options.host == u"localhost" ? QHostAddress(QHostAddress::LocalHost) : QHostAddress(m_options.host);
    RequestGate::Limits limits;
    limits.headMs = m_options.headTimeoutMs;
    limits.idleMs = m_options.idleTimeoutMs;
    limits.maxConnections = m_options.maxConnections;
    limits.maxConnectionsPerAddress = m_options.maxConnectionsPerAddress;
    return m_http->listenGuarded(address, m_options.port, m_options.host, limits,
        [this](const QString& token) { return m_accounts->authenticate(token).has_value(); });
}

void MorvaneServer::shutdown()
{
    m_http->stopListening();
    m_hub->closeAll(2000);
}

HttpReply MorvaneServer::serveUpload(const QString& key)
{
    const auto file = m_uploads->find(key);
    if (!file)
        throw ServerError::notFound(Text::NoSuchFile);
    if (!QFileInfo(file->path).isReadable())
        throw ServerError::notFound(Text::NoSuchFile);
    HttpReply reply = HttpReply::storedFile(file->contentType, file->path, file->fileName, HttpReply::Showing::InlineImages);
    reply.headers.append({ QByteArrayLiteral("Cache-Control"), QByteArrayLiteral("private, max-age=31536000, immutable") });
    return reply;
}
