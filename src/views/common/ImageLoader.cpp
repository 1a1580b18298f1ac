#include "views/common/ImageLoader.h"

#include <QBuffer>
#include <QImageIOHandler>
#include <QImageReader>
#include <QNetworkReply>
#include <QTimer>

ImageLoader& ImageLoader::shared()
{
    static ImageLoader* instance = new ImageLoader();
    return *instance;
}

ImageLoader::ImageLoader(QObject* parent)
    : QObject(parent)
{
    m_clock.start();
    setCacheBytes(DefaultCacheBytes);
    setRecordLimit(DefaultRecordLimit);
    // A redirect may not leave https for http; Qt follows only http(s) redirects.
    m_network.setRedirectPolicy(QNetworkRequest::NoLessSafeRedirectPolicy);
    m_network.setTransferTimeout(30000);
}

void ImageLoader::setCacheBytes(qint64 bytes)
{
    m_images.setMaxCost(qsizetype(bytes));
}

void ImageLoader::setRecordLimit(int records)
{
    m_records.setMaxCost(qMax(1, records));
}

ImageLoader::Record& ImageLoader::record(const QUrl& url)
{
    if (Record* known = m_records.object(url))
        return *known;
    auto* fresh = new Record;
    // Costs one of at least one: the insertion always succeeds, evicting the least recently used.
    m_records.insert(url, fresh, 1);
    return *fresh;
}

bool ImageLoader::isLoadable(const QUrl& url)
{
    const QString scheme = url.scheme().toLower();
    return url.isValid() && !url.host().isEmpty()
        && (scheme == QLatin1StringView("http") || scheme == QLatin1StringView("https"));
}

ImageLoader::State ImageLoader::state(const QUrl& url) const
{
    if (m_images.contains(url))
        return State::Loaded;
    if (m_inFlight.contains(url))
        return State::Loading;
    const Record* known = m_records.object(url);
    return known && known->failedAt >= 0 ? State::Failed : State::Idle;
}

QImage ImageLoader::image(const QUrl& url) const
{
    const QImage* image = m_images.object(url);
    return image ? *image : QImage();
}

void ImageLoader::request(const QUrl& url, QSize maxPixels)
{
    if (m_images.contains(url))
        return;
    if (const auto fetch = m_inFlight.find(url); fetch != m_inFlight.end()) {
        if (!maxPixels.isEmpty())
            fetch->wanted = fetch->wanted.isEmpty() ? maxPixels : fetch->wanted.expandedTo(maxPixels);
        return;
    }
    const Record* known = m_records.object(url);
    if (!isLoadable(url)) {
        if (known && known->failedAt >= 0)
            return;
        record(url).failedAt = now();
        // Deferred so callers see the same order of events as for a real load.
        QTimer::singleShot(0, this, [this, url] { Q_EMIT finished(url, false); });
        return;
    }
    if (known && known->failedAt >= 0) {
        if (now() - known->failedAt < m_retryAfterMs)
            return;
    } else if (known && known->fetchedAt >= 0 && now() - known->fetchedAt < RefetchAfterMs) {
        return;
    }
    QNetworkRequest request(url);
    request.setMaximumRedirectsAllowed(3);
    QNetworkReply* reply = m_network.get(request);
    m_inFlight.insert(url, Fetch { reply, maxPixels });
    connect(reply, &QNetworkReply::downloadProgress, reply, [reply](qint64 received, qint64 total) {
        if (received > MaxBytes || total > MaxBytes)
            reply->abort();
    });
    connect(reply, &QNetworkReply::finished, this, [this, reply] { complete(reply); });
}

void ImageLoader::complete(QNetworkReply* reply)
{
    reply->deleteLater();
    const QUrl url = reply->request().url();
    QSize box = m_inFlight.take(url).wanted;
    record(url).fetchedAt = now();
    const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    if (reply->error() != QNetworkReply::NoError || status < 200 || status >= 300 || !isLoadable(reply->url())) {
        fail(url);
        return;
    }
    const QByteArray bytes = reply->readAll();
    if (bytes.size() > MaxBytes) {
        fail(url);
        return;
    }
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    reader.setAutoTransform(true);
    const QSize size = reader.size();
    if (!size.isValid() || size.width() > MaxDimension || size.height() > MaxDimension) {
        fail(url);
        return;
    }
    if (!box.isEmpty()) {
        // The scaled size applies to the stored picture, before a turn by a quarter.
        if (reader.transformation() & QImageIOHandler::TransformationRotate90)
            box.transpose();
        if (size.width() > box.width() || size.height() > box.height())
            reader.setScaledSize(size.scaled(box, Qt::KeepAspectRatio).expandedTo(QSize(1, 1)));
    }
    QImage image = reader.read();
    if (image.isNull()) {
        fail(url);
        return;
    }
    record(url).failedAt = -1;
    const qsizetype cost = image.sizeInBytes();
    if (!m_images.insert(url, new QImage(std::move(image)), cost)) {
        // Larger than the whole cache: nothing to show it from.
        fail(url);
        return;
    }
    Q_EMIT finished(url, true);
}

void ImageLoader::fail(const QUrl& url)
{
    record(url).failedAt = now();
    Q_EMIT finished(url, false);
}
