#pragma once

#include <QCache>
#include <QElapsedTimer>
#include <QHash>
#include <QImage>
#include <QNetworkAccessManager>
#include <QObject>
#include <QUrl>

class QNetworkReply;

// Loads the pictures that avatars and message bubbles show. Addresses come from
// other users, so only http and https are fetched (never file:, qrc: or data:),
// the body and the decoded size are capped, and requests go through a network
// manager of their own that never carries the signed-in user's bearer token.
//
// Pictures are decoded at the size they are shown (a phone photo in a bubble
// costs what the bubble shows, not its 12 megapixels), the cache is bounded by
// decoded bytes, and an address is not fetched again while its picture is in the
// cache, on its way, or was fetched a moment ago; one that failed is tried again
// when it is asked for after a short back-off. What it remembers of finished and
// failed fetches is bounded as well: the least recently used record goes first.
class ImageLoader : public QObject {
    Q_OBJECT
public:
    enum class State { Idle, Loading, Loaded, Failed };

    static constexpr qint64 MaxBytes = 8 * 1024 * 1024;
    static constexpr int MaxDimension = 4096;
    static constexpr qint64 DefaultCacheBytes = 64 * 1024 * 1024;
    static constexpr qint64 DefaultRetryAfterMs = 10'000;
    // An evicted picture is fetched again only after this long, so pictures that
    // together outgrow the cache cannot push each other out in a download loop.
    static constexpr qint64 RefetchAfterMs = 2'000;
    // Addresses whose last fetch or failure is remembered; a forgotten one is simply
    // fetched again when it is next asked for.
    static constexpr int DefaultRecordLimit = 2'048;

    static ImageLoader& shared();

    static bool isLoadable(const QUrl& url);

    State state(const QUrl& url) const;
    // The decoded picture, or a null image when it is not (or not yet) loaded.
    QImage image(const QUrl& url) const;
    // Starts a load unless the address is loaded, loading, fetched a moment ago or
    // failed less than the back-off ago; an address that may not be fetched fails
    // at once (finished is still emitted). maxPixels: the largest size, in device
    // pixels, the picture is shown at; it is decoded to fit in it (never enlarged).
    // Empty: decoded as it is.
    void request(const QUrl& url, QSize maxPixels = {});

    void setCacheBytes(qint64 bytes);
    void setRetryAfter(qint64 milliseconds) { m_retryAfterMs = milliseconds; }
    // At least one record is kept: the one of the fetch that just ended.
    void setRecordLimit(int records);
    // Addresses whose fetch or failure is remembered now (pictures and fetches under way aside).
    qsizetype recordCount() const { return m_records.size(); }

Q_SIGNALS:
    void finished(const QUrl& url, bool ok);

private:
    explicit ImageLoader(QObject* parent = nullptr);
    struct Fetch {
        QNetworkReply* reply = nullptr;
        // Largest size asked for while on its way; the decode fits the picture in it.
        QSize wanted;
    };
    // Times on m_clock; -1: never.
    struct Record {
        qint64 fetchedAt = -1;
        qint64 failedAt = -1;
    };

    void complete(QNetworkReply* reply);
    void fail(const QUrl& url);
    // The address's record, made when it has none.
    Record& record(const QUrl& url);
    qint64 now() const { return m_clock.elapsed(); }

    QNetworkAccessManager m_network;
    QCache<QUrl, QImage> m_images;
    QHash<QUrl, Fetch> m_inFlight;
    QCache<QUrl, Record> m_records;
    qint64 m_retryAfterMs = DefaultRetryAfterMs;
    QElapsedTimer m_clock;
};
