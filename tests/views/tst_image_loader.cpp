#include "views/common/ImageLoader.h"

#include <QBuffer>
#include <QHttpServer>
#include <QHttpServerRequest>
#include <QHttpServerResponse>
#include <QImage>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTest>

namespace {

QByteArray png(int width, int height)
{
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(Qt::red);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes;
}

} // namespace

class TestImageLoader : public QObject {
    Q_OBJECT

    QHttpServer m_server;
    QTcpServer m_tcp;
    QUrl m_base;
    QList<QByteArray> m_authorizationHeaders;
    int m_requests = 0;

    bool loadAndWait(const QUrl& url)
    {
        ImageLoader& loader = ImageLoader::shared();
        QSignalSpy spy(&loader, &ImageLoader::finished);
        loader.request(url);
        for (int i = 0; i < 200 && loader.state(url) == ImageLoader::State::Loading; ++i)
            spy.wait(50);
        if (loader.state(url) == ImageLoader::State::Loading || loader.state(url) == ImageLoader::State::Idle)
            return false;
        return loader.state(url) == ImageLoader::State::Loaded;
    }

private Q_SLOTS:
    void initTestCase()
    {
        auto record = [this](const QHttpServerRequest& request) {
            ++m_requests;
            for (const auto& [name, value] : request.headers())
                if (name.toLower() == "authorization")
                    m_authorizationHeaders.append(value);
        };
        m_server.route(QStringLiteral("/small.png"), [=](const QHttpServerRequest& r) {
            record(r);
            return QHttpServerResponse("image/png", png(8, 4));
        });
        m_server.route(QStringLiteral("/huge.png"), [=](const QHttpServerRequest& r) {
            record(r);
            return QHttpServerResponse("image/png", png(ImageLoader::MaxDimension + 1, 2));
        });
        m_server.route(QStringLiteral("/big"), [=](const QHttpServerRequest& r) {
            record(r);
            return QHttpServerResponse("image/png", QByteArray(ImageLoader::MaxBytes + 1024, 'x'));
        });
        m_server.route(QStringLiteral("/text"), [=](const QHttpServerRequest& r) {
            record(r);
            return QHttpServerResponse("text/plain", QByteArray("not a picture"));
        });
        QVERIFY(m_tcp.listen(QHostAddress::LocalHost));
        m_server.bind(&m_tcp);
        m_base = QUrl(QStringLiteral("http://127.0.0.1:%1").arg(m_tcp.serverPort()));
    }

    void refusesOtherSchemes_data()
    {
        QTest::addColumn<QString>("address");
        QTest::newRow("file") << QStringLiteral("file:///etc/hostname");
        QTest::newRow("qrc") << QStringLiteral("qrc:/icon.png");
        QTest::newRow("data") << QStringLiteral("data:image/png;base64,iVBORw0KGgo=");
        QTest::newRow("ftp") << QStringLiteral("ftp://127.0.0.1/a.png");
        QTest::newRow("relative path") << QStringLiteral("/uploads/a.png");
    }
    void refusesOtherSchemes()
    {
        QFETCH(QString, address);
        const int before = m_requests;
        QVERIFY(!loadAndWait(QUrl(address)));
        QCOMPARE(ImageLoader::shared().state(QUrl(address)), ImageLoader::State::Failed);
        QCOMPARE(m_requests, before);
    }

    void loadsWithinCaps_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<bool>("loads");
        QTest::newRow("small picture") << QStringLiteral("/small.png") << true;
        QTest::newRow("too many pixels") << QStringLiteral("/huge.png") << false;
        QTest::newRow("too many bytes") << QStringLiteral("/big") << false;
        QTest::newRow("not a picture") << QStringLiteral("/text") << false;
        QTest::newRow("missing") << QStringLiteral("/missing.png") << false;
    }
    void loadsWithinCaps()
    {
        QFETCH(QString, path);
        QFETCH(bool, loads);
        const QUrl url = m_base.resolved(QUrl(path));
        QCOMPARE(loadAndWait(url), loads);
        QCOMPARE(ImageLoader::shared().image(url).isNull(), !loads);
        if (loads)
            QCOMPARE(ImageLoader::shared().image(url).size(), QSize(8, 4));
    }

    void sendsNoCredentials()
    {
        QVERIFY(m_requests > 0);
        QVERIFY(m_authorizationHeaders.isEmpty());
    }
};

QTEST_MAIN(TestImageLoader)
#include "tst_image_loader.moc"
