#pragma once

#include <QCache>
#include <QHash>
#include <QImage>
#include <QNetworkAccessManager>
#include <QObject>
#include <QSet>
#include <QUrl>

class QNetworkReply;

// Loads the pictures that avatars and message bubbles show. Addresses come from
// other users, so only http and https are fetched (never file:, qrc: or data:),
// the body and the decoded size are capped, and requests go through a network
// manager of their own that never carries the signed-in user's bearer token.
class ImageLoader : public QObject {
    Q_OBJECT
public:
    enum class State { Idle, Loading, Loaded, Failed };

    static constexpr qint64 MaxBytes = 8 * 1024 * 1024;
    static constexpr int MaxDimension = 4096;

    static ImageLoader& shared();

    static bool isLoadable(const QUrl& url);

    State state(const QUrl& url) const;
    // The decoded picture, or a null image when it is not (or not yet) loaded.
    QImage image(const QUrl& url) const;
    // Starts a load unless the address is loaded, loading or known to fail; an
    // address that may not be fetched fails at once (finished is still emitted).
    void request(const QUrl& url);

Q_SIGNALS:
    void finished(const QUrl& url, bool ok);

private:
    explicit ImageLoader(QObject* parent = nullptr);
    void complete(QNetworkReply* reply);
    void fail(const QUrl& url);

    QNetworkAccessManager m_network;
    // Bounded by pixel memory so long chats full of pictures cannot grow without limit.
    QCache<QUrl, QImage> m_images;
    QSet<QUrl> m_failed;
    QHash<QUrl, QNetworkReply*> m_inFlight;
};
