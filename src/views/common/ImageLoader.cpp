#include "views/common/ImageLoader.h"

#include <QBuffer>
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
    m_images.setMaxCost(64 * 1024 * 1024);
    // A redirect may not leave https for http; Qt follows only http(s) redirects.
    m_network.setRedirectPolicy(QNetworkRequest::NoLessSafeRedirectPolicy);
    m_network.setTransferTimeout(30000);
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
    if (m_failed.contains(url))
        return State::Failed;
    if (m_inFlight.contains(url))
        return State::Loading;
    return State::Idle;
}

QImage ImageLoader::image(const QUrl& url) const
{
    const QImage* image = m_images.object(url);
    return image ? *image : QImage();
}

void ImageLoader::request(const QUrl& url)
{
    if (state(url) != State::Idle)
        return;
    if (!isLoadable(url)) {
        m_failed.insert(url);
        // Deferred so callers see the same order of events as for a real load.
        QTimer::singleShot(0, this, [this, url] { Q_EMIT finished(url, false); });
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
    QImage image = reader.read();
    if (image.isNull()) {
        fail(url);
        return;
    }
    const qsizetype cost = image.sizeInBytes();
    m_images.insert(url, new QImage(std::move(image)), int(qMin<qsizetype>(cost, m_images.maxCost())));
    Q_EMIT finished(url, true);
}

void ImageLoader::fail(const QUrl& url)
{
    m_failed.insert(url);
    Q_EMIT finished(url, false);
}
