#pragma once

// One request head, read one way only: the request line and the header fields, each
// line ended by CR LF. A head that another reader could take differently (a bare LF
// or CR, a folded line, a name with spaces, two lengths, a length next to chunked
// coding, chunked coding from an HTTP/1.0 client, no Host or two from an HTTP/1.1
// one) is refused rather than guessed at, and so is a WebSocket upgrade that no
// WebSocket server could take.

#include "http/ServerError.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QUrlQuery>

#include <optional>

struct RequestHead {
    QString method;
    // The decoded path of the request target, and its query.
    QString path;
    QUrlQuery query;
    // Of the Accept-Language header; read before anything else so that even a
    // refusal of the head is written in the client's language.
    Language language = Language::English;
    QList<QByteArray> origins;
    // Empty when the request carries no "Authorization: Bearer ..." header.
    QString bearerToken;
    QString host;
    std::optional<qint64> contentLength;
    bool chunked = false;
    // "Upgrade: websocket".
    bool upgrade = false;
    // A HEAD request: its answer is a head alone.
    bool headOnly = false;
    // The connection ends after this request's answer: "Connection: close", or an
    // HTTP/1.0 client that did not ask to keep it.
    bool closing = false;
    // An HTTP/1.0 client asked to keep the connection: its answer says it is kept.
    bool keepAliveAsked = false;
    // "Expect: 100-continue": the client waits for a word before sending its body.
    bool expectsContinue = false;
    // Set when the head is refused; the fields above may then be incomplete.
    std::optional<ServerError> refusal;

    // head: the bytes before the empty line that ends it.
    static RequestHead read(const QByteArray& head);
};
