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
    // A redirect may not leave https for http; Qt follows only http(s) redirects.
    m_network.setRedirectPolicy(QNetworkRequest::NoLessSafeRedirectPolicy);
    m_network.setTransferTimeout(30000);
}

void ImageLoader::setCacheBytes(qint64 bytes)
{
    m_images.setMaxCost(qsizetype(bytes));
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
    if (m_failedAt.contains(url))
        return State::Failed;
    return State::Idle;
}

QImage ImageLoader::image(const QUrl& url) const
{
    const QImage* image = m_images.object(url);
    return image ? *image : QImage();
}

void ImageLoader::request(const QUrl& url, QSize maxPixels)
{
    if (!maxPixels.isEmpty()) {
        QSize& wanted = m_wanted[url];
        wanted = wanted.isEmpty() ? maxPixels : wanted.expandedTo(maxPixels);
    }
    if (m_images.contains(url) || m_inFlight.contains(url))
        return;
    if (!isLoadable(url)) {
        if (m_failedAt.contains(url))
            return;
        m_failedAt.insert(url, now());
        // Deferred so callers see the same order of events as for a real load.
        QTimer::singleShot(0, this, [this, url] { Q_EMIT finished(url, false); });
        return;
    }
    if (const auto failed = m_failedAt.constFind(url); failed != m_failedAt.constEnd()) {
        if (now() - *failed < m_retryAfterMs)
            return;
    } else if (const auto fetched = m_fetchedAt.constFind(url);
               fetched != m_fetchedAt.constEnd() && now() - *fetched < RefetchAfterMs) {
        return;
    }
    QNetworkRequest request(url);
    request.setMaximumRedirectsAllowed(3);
    QNetworkReply* reply = m_network.get(request);
    m_inFlight.insert(url, reply);
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
    m_inFlight.remove(url);
    m_fetchedAt.insert(url, now());
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
    QSize box = m_wanted.value(url);
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
    m_failedAt.remove(url);
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
    m_failedAt.insert(url, now());
    Q_EMIT finished(url, false);
}
