#pragma once

// The social view models' services on a recording HTTP server, with helpers to
// read what each procedure was sent.

#include "ClientStack.h"

#include "services/GiftService.h"
#include "services/MomentService.h"
#include "services/SearchService.h"
#include "services/VipService.h"

#include <QJsonDocument>
#include <QJsonObject>

struct SocialStack : ClientStack {
    MomentService moments { api };
    SearchService search { api };
    GiftService gifts { api };
    VipService vip { api };

    // The "json" input of the n-th call of a mutation (its body) or query (its "input" item).
    QJsonObject input(const char* name, qsizetype n = 0) const
    {
        const QList<RecordingHttpServer::Recorded> calls = server.requestsTo(procedure(name));
        if (n >= calls.size())
            return {};
        const RecordingHttpServer::Recorded& call = calls.at(n);
        const QByteArray text = call.method == "GET" ? call.queryValue(QStringLiteral("input")).toUtf8() : call.body;
        return QJsonDocument::fromJson(text).object().value(QStringLiteral("json")).toObject();
    }
    int calls(const char* name) const { return requestCount(procedure(name)); }
};
