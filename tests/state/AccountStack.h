#pragma once

// The services of the account screens on a recording HTTP server, for their
// view model and screen tests.

#include "RecordingHttpServer.h"
#include "RoundTrip.h"

#include "network/APIClient.h"
#include "network/AuthService.h"
#include "network/KeychainService.h"
#include "network/MemorySecretStore.h"
#include "services/ChatService.h"
#include "services/ContactService.h"
#include "services/FileService.h"
#include "services/MFAService.h"
#include "services/SessionService.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QStringList>

using Reply = RecordingHttpServer::Reply;

struct AccountStack {
    RecordingHttpServer server;
    KeychainService keychain { std::make_unique<MemorySecretStore>() };
    APIClient api { server.baseUrl(), keychain };
    MFAService mfa { api };
    SessionService sessions { api };
    ChatService chat { api };
    FileService files { api };
    AuthService auth { api, keychain };
    ContactService contacts { api };

    void reply(const char* procedure, int status, const QByteArray& json)
    {
        server.respondOnce(path(procedure), Reply { status, status / 100 == 2 ? envelope(json) : json });
    }
    // The barrier of a "nothing was sent" check (RoundTrip.h).
    bool roundTrip() { return testsupport::roundTrip(api, server); }
    static QString path(const char* procedure) { return QStringLiteral("/api/trpc/") + QLatin1StringView(procedure); }
    static QByteArray envelope(const QByteArray& json) { return "{\"result\":{\"data\":{\"json\":" + json + "}}}"; }

    // "GET user.mfaStatus", "POST user.verifyMFA {\"code\":\"123456\"}": each call
    // with the input it carried (unwrapped from {"json": ...}).
    QStringList calls() const
    {
        QStringList result;
        for (const auto& request : server.requests()) {
            QString line = QString::fromLatin1(request.method) + u' ' + request.path.mid(10);
            if (const QJsonValue input = request.procedureInput(); !input.isUndefined())
                line += u' ' + QString::fromUtf8(QJsonDocument(input.toObject()).toJson(QJsonDocument::Compact));
            result << line;
        }
        return result;
    }
};

