#include "PngBytes.h"
#include "PaintCount.h"
#include "PostedEvents.h"

#include "views/chat/AvatarView.h"
#include "views/chat/MessageBubble.h"
#include "views/chat/MessageListModel.h"
#include "views/chat/MessageListView.h"
#include "views/common/Appearance.h"
#include "views/common/ImageLoader.h"
#include "views/common/RemoteImageView.h"

#include "PaintLog.h"

#include <QAbstractAnimation>
#include <QBuffer>
#include <QHttpServer>
#include <QHttpServerRequest>
#include <QHttpServerResponse>
#include <QImage>
#include <QPainter>
#include <QScopeGuard>
#include <QSignalSpy>
#include <QTcpServer>
#include <QScrollBar>
#include <QTest>
#include <QVariantAnimation>
#include <QtMath>

namespace {

QByteArray png(int width, int height)
{
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(Qt::red);
    return pngBytes(image);
}

} // namespace

class TestImageLoader : public QObject {
    Q_OBJECT

    QHttpServer m_server;
    QTcpServer m_tcp;
    QUrl m_base;
    QList<QByteArray> m_authorizationHeaders;
    int m_requests = 0;
    QHash<QString, int> m_served;

    bool loadAndWait(const QUrl& url)
    {
        ImageLoader& loader = ImageLoader::shared();
        QSignalSpy spy(&loader, &ImageLoader::finished);
        loader.request(url);
        (void)QTest::qWaitFor([&] { return loader.state(url) != ImageLoader::State::Loading; }, testsupport::kPatienceMs);
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
        // Two phone photos (4032 x 3024), each served once and counted.
        for (const char* photo : { "/photo1.png", "/photo2.png" }) {
            m_server.route(QString::fromLatin1(photo), [this, photo](const QHttpServerRequest&) {
                ++m_served[QString::fromLatin1(photo)];
                static const QByteArray bytes = png(4032, 3024);
                return QHttpServerResponse("image/png", bytes);
            });
        }
        // Two columns, red and blue: scaled up, a smooth transform blends them.
        m_server.route(QStringLiteral("/halves.png"), [=](const QHttpServerRequest& r) {
            record(r);
            QImage image(2, 2, QImage::Format_RGB32);
            image.setPixelColor(0, 0, Qt::red);
            image.setPixelColor(0, 1, Qt::red);
            image.setPixelColor(1, 0, Qt::blue);
            image.setPixelColor(1, 1, Qt::blue);
            QByteArray bytes;
            QBuffer buffer(&bytes);
            buffer.open(QIODevice::WriteOnly);
            image.save(&buffer, "PNG");
            return QHttpServerResponse("image/png", bytes);
        });
        // Fails the first time, then works.
        m_server.route(QStringLiteral("/flaky.png"), [this](const QHttpServerRequest&) {
            if (++m_served[QStringLiteral("/flaky.png")] == 1)
                return QHttpServerResponse(QHttpServerResponder::StatusCode::ServiceUnavailable);
            return QHttpServerResponse("image/png", png(8, 4));
        });
        QVERIFY(m_tcp.listen(QHostAddress::LocalHost));
        m_server.bind(&m_tcp);
        m_base = QUrl(QStringLiteral("http://127.0.0.1:%1").arg(m_tcp.serverPort()));
    }

    // Until its picture arrives a cell shows its symbol, or a faint wash without one.
    void placeholderUntilThePictureArrives()
    {
        const QUrl nowhere(QStringLiteral("http://127.0.0.1:9/never.png"));
        RemoteImageView plain(nowhere, QSize(40, 40), RemoteImageView::Fit::Fill, 0);
        RemoteImageView marked(nowhere, QSize(40, 40), RemoteImageView::Fit::Fill, 0);
        QPixmap symbol(10, 10);
        symbol.fill(Qt::red);
        marked.setPlaceholder(symbol);
        QCOMPARE(marked.grab().toImage().pixelColor(20, 20), QColor(Qt::red));
        QVERIFY(plain.grab().toImage().pixelColor(20, 20) != plain.palette().color(QPalette::Window));
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
        // Settled either way: a placeholder never spins on.
        QCOMPARE(int(ImageLoader::shared().state(url)), int(loads ? ImageLoader::State::Loaded : ImageLoader::State::Failed));
        QCOMPARE(ImageLoader::shared().image(url).isNull(), !loads);
        if (loads)
            QCOMPARE(ImageLoader::shared().image(url).size(), QSize(8, 4));
    }

    // Two large photos on screen with a cache too small for either at full size:
    // each is decoded at the size its bubble shows, both stay cached, and each is
    // downloaded once however often the list repaints.
    void largePicturesOnScreenDownloadOnce()
    {
        ImageLoader& loader = ImageLoader::shared();
        loader.setCacheBytes(16 * 1024 * 1024);
        // Other functions show the same photos under other addresses.
        const int servedBefore1 = m_served.value(QStringLiteral("/photo1.png"));
        const int servedBefore2 = m_served.value(QStringLiteral("/photo2.png"));
        QList<Message> messages;
        for (qint64 id : { 1, 2 }) {
            Message message;
            message.id = id;
            message.conversationId = 1;
            message.senderId = 2;
            message.type = QStringLiteral("image");
            message.status = QStringLiteral("sent");
            message.fileUrl = m_base.resolved(QUrl(QStringLiteral("/photo%1.png").arg(id))).toString();
            messages << message;
        }
        MessageListView list(1, {});
        list.resize(600, 900);
        list.setMessages(messages);
        list.show();
        const QUrl first = MessageBubble::mediaUrl(messages.at(0));
        const QUrl second = MessageBubble::mediaUrl(messages.at(1));
        QTRY_VERIFY_WITH_TIMEOUT(loader.state(first) == ImageLoader::State::Loaded && loader.state(second) == ImageLoader::State::Loaded, 15000);
        // Past the window that keeps an evicted picture from being fetched at once.
        QTest::qWait(int(ImageLoader::RefetchAfterMs) + 200);
        // A fetch starts (and the picture is Loading) as it is asked for; a painted
        // row asks at once or through the event queue.
        for (int i = 0; i < 5; ++i) {
            list.viewport()->repaint();
            QVERIFY(testsupport::postedEventsHandled());
            QCOMPARE(loader.state(first), ImageLoader::State::Loaded);
            QCOMPARE(loader.state(second), ImageLoader::State::Loaded);
        }
        QCOMPARE(m_served.value(QStringLiteral("/photo1.png")) - servedBefore1, 1);
        QCOMPARE(m_served.value(QStringLiteral("/photo2.png")) - servedBefore2, 1);
        const int box = qCeil(240 * list.devicePixelRatioF());
        QVERIFY(loader.image(first).width() <= box && loader.image(first).height() <= box);
        QCOMPARE(loader.image(first).width(), box); // 4:3, fitted to the bubble's width
        loader.setCacheBytes(ImageLoader::DefaultCacheBytes);
    }

    // A picture arriving at the bottom of the chat grows its row; the view stays at
    // the newest message instead of leaving the picture half hidden.
    void listStaysAtNewestWhenAPictureArrives()
    {
        QList<Message> messages;
        for (qint64 id = 1; id <= 21; ++id) {
            Message message;
            message.id = id;
            message.conversationId = 1;
            message.senderId = 2;
            message.status = QStringLiteral("sent");
            message.type = QStringLiteral("text");
            message.content = QStringLiteral("message %1").arg(id);
            messages << message;
        }
        messages.last().type = QStringLiteral("image");
        messages.last().fileUrl = m_base.resolved(QUrl(QStringLiteral("/photo1.png?bottom"))).toString();
        MessageListView list(1, {});
        list.resize(600, 300);
        list.setMessages(messages);
        list.show();
        QScrollBar* bar = list.verticalScrollBar();
        QTRY_VERIFY(bar->maximum() > 0);
        QCOMPARE(bar->value(), bar->maximum());
        const int before = bar->maximum();
        QTRY_VERIFY_WITH_TIMEOUT(ImageLoader::shared().state(MessageBubble::mediaUrl(messages.last())) == ImageLoader::State::Loaded, 15000);
        QTRY_VERIFY(bar->maximum() > before);
        QTRY_COMPARE(bar->value(), bar->maximum());
    }

    // A picture that failed is tried again when asked for after the back-off, not
    // before, and not never.
    void failedPictureIsRetriedAfterBackOff()
    {
        ImageLoader& loader = ImageLoader::shared();
        // A back-off no pause of a crowded machine outlasts, then a short one, which
        // has passed once the test has waited longer than it.
        loader.setRetryAfter(testsupport::kPatienceMs);
        const QUrl url = m_base.resolved(QUrl(QStringLiteral("/flaky.png")));
        QVERIFY(!loadAndWait(url));
        QCOMPARE(loader.state(url), ImageLoader::State::Failed);
        loader.request(url);
        QCOMPARE(loader.state(url), ImageLoader::State::Failed);
        loader.setRetryAfter(300);
        QTest::qWait(400);
        QVERIFY(loadAndWait(url));
        QCOMPARE(m_served.value(QStringLiteral("/flaky.png")), 2);
        loader.setRetryAfter(ImageLoader::DefaultRetryAfterMs);
    }

    // What the loader remembers of finished and failed fetches is bounded: past the
    // limit the least recently used record goes, and an address forgotten is simply
    // fetched (or refused) again when asked for, so a long run through many addresses
    // does not grow the loader without end.
    void recordsOfFetchesAreBounded()
    {
        ImageLoader& loader = ImageLoader::shared();
        const auto restore = qScopeGuard([&loader] { loader.setRecordLimit(ImageLoader::DefaultRecordLimit); });
        // A lower limit trims the records already there.
        QSignalSpy before(&loader, &ImageLoader::finished);
        for (int i = 0; i < 8; ++i)
            loader.request(QUrl(QStringLiteral("file:///before/%1.png").arg(i)));
        QTRY_COMPARE(before.size(), 8);
        QVERIFY(loader.recordCount() >= 8);
        loader.setRecordLimit(6);
        QCOMPARE(loader.recordCount(), 6);
        QSignalSpy finished(&loader, &ImageLoader::finished);
        QList<QUrl> refused;
        for (int i = 0; i < 10; ++i) {
            refused << QUrl(QStringLiteral("file:///bound/%1.png").arg(i));
            loader.request(refused.last());
        }
        QTRY_COMPARE(finished.size(), 10);
        QCOMPARE(loader.recordCount(), 6);
        QCOMPARE(loader.state(refused.first()), ImageLoader::State::Idle);
        QCOMPARE(loader.state(refused.last()), ImageLoader::State::Failed);

        for (int i = 0; i < 8; ++i) {
            loader.request(m_base.resolved(QUrl(QStringLiteral("/small.png?bound=%1").arg(i))));
            loader.request(m_base.resolved(QUrl(QStringLiteral("/missing.png?bound=%1").arg(i))));
        }
        QTRY_COMPARE_WITH_TIMEOUT(finished.size(), 26, 15000);
        QCOMPARE(loader.recordCount(), 6);
        QCOMPARE(loader.state(refused.last()), ImageLoader::State::Idle);

        loader.request(refused.first());
        QTRY_COMPARE(finished.size(), 27);
        QCOMPARE(finished.last().at(0).toUrl(), refused.first());
        QCOMPARE(loader.state(refused.first()), ImageLoader::State::Failed);
        QCOMPARE(loader.recordCount(), 6);
    }

    // A loaded picture as each place shows it: an avatar fills its circle, cropped at the
    // long sides, never letterboxed; a message's picture is fitted into 240 by 240 and
    // clipped to its rounded corners; a sticker fitted into 120 by 120, unclipped.
    void loadedPicturesAsShown_data()
    {
        QTest::addColumn<QString>("where");
        QTest::addColumn<QString>("path");
        QTest::addColumn<QSizeF>("shown");
        QTest::addColumn<int>("width"); // of the chat's rows
        QTest::newRow("avatar, wide picture") << QStringLiteral("avatar") << QStringLiteral("/small.png") << QSizeF(80, 40) << 0;
        QTest::newRow("image message, wide") << QStringLiteral("image") << QStringLiteral("/small.png") << QSizeF(240, 120) << 600;
        QTest::newRow("image message, photo") << QStringLiteral("image") << QStringLiteral("/photo1.png") << QSizeF(240, 180) << 600;
        QTest::newRow("sticker") << QStringLiteral("sticker") << QStringLiteral("/small.png") << QSizeF(120, 60) << 600;
        // The column of a chat 300 wide leaves 300 - 16 - 32 - 8 - 60 - 16 = 168.
        QTest::newRow("image message, narrow chat") << QStringLiteral("image") << QStringLiteral("/small.png") << QSizeF(168, 84) << 300;
    }
    void loadedPicturesAsShown()
    {
        QFETCH(QString, where);
        QFETCH(QString, path);
        QFETCH(QSizeF, shown);
        QFETCH(int, width);
        const QUrl url = m_base.resolved(QUrl(path));
        QVERIFY(loadAndWait(url));
        Painting painting;
        QRectF frame;
        if (where == u"avatar") {
            frame = QRectF(10, 10, 40, 40);
            painting = PaintLog::record(QSize(100, 100), [&](QPainter* painter) { AvatarView::paint(painter, frame, QStringLiteral("amy"), url); });
            QVERIFY(painting.shapes().isEmpty());
            QVERIFY(painting.texts().isEmpty());
        } else {
            Message m;
            m.id = 1;
            m.senderId = 2;
            m.type = where;
            m.fileUrl = url.toString();
            MessageListModel model(3);
            model.setMessages({ m });
            const MessageBubble bubble;
            const MessageBubble::Layout parts = bubble.layout(m, false, width);
            frame = parts.content;
            QStyleOptionViewItem option;
            option.rect = QRect(0, 0, width, parts.height);
            painting = PaintLog::record(option.rect.size(), [&](QPainter* painter) { bubble.paint(painter, option, model.index(0)); });
        }
        QCOMPARE(painting.pictures().size(), 1);
        const PaintedItem picture = painting.pictures().first();
        QCOMPARE(picture.rect.size(), shown);
        QCOMPARE(picture.rect.center(), frame.center());
        if (where == u"sticker")
            QVERIFY(picture.clip.isEmpty() || picture.clip.contains(picture.rect));
        else
            QCOMPARE(picture.clip, where == u"avatar" ? frame : picture.rect);
    }

    // An avatar widget shows the initials disc with a small spinner over its middle while
    // its picture loads, then the picture alone, clipped to the circle. A new address
    // starts a new load; one that fails leaves the disc, without a spinner, and a new
    // name gives the disc its letter.
    void avatarWidgetThroughItsPhases()
    {
        const auto painted = [](AvatarView& view) {
            PaintLog log(view.size());
            view.render(&log);
            return log.painting();
        };
        const QRectF disc(0, 0, 40, 40);
        AvatarView view(QStringLiteral("amy"), m_base.resolved(QUrl(QStringLiteral("/small.png?widget"))).toString(), 40);
        QCOMPARE(view.phase(), QStringLiteral("loading"));
        Painting p = painted(view);
        QCOMPARE(p.shapes().size(), 2);
        QCOMPARE(p.shapes().first().rect, disc);
        QCOMPARE(p.shapes().first().brush, AvatarView::color(QStringLiteral("amy")));
        QVERIFY2(p.text(QStringLiteral("A")), qPrintable(p.allText()));
        const PaintedItem spinner = p.shapes().last();
        QCOMPARE(spinner.pen, QColor(Qt::white));
        QVERIFY(!spinner.brush.isValid());
        QVERIFY2(qAbs(spinner.rect.center().x() - disc.center().x()) <= 2 && qAbs(spinner.rect.center().y() - disc.center().y()) <= 2,
            qPrintable(QDebug::toString(spinner.rect)));
        QVERIFY2(spinner.rect.width() <= disc.width() / 2 && spinner.rect.height() <= disc.height() / 2, qPrintable(QDebug::toString(spinner.rect)));

        // Loading, it turns; loaded or failed, nothing is left animating to redraw it for ever.
        const auto animating = [&view] {
            int running = 0;
            for (const QAbstractAnimation* animation : view.findChildren<QAbstractAnimation*>())
                running += animation->state() == QAbstractAnimation::Running;
            return running;
        };
        QCOMPARE(animating(), 1);
        // A quarter of a cycle on, the arc is drawn elsewhere round the disc.
        auto* turn = view.findChild<QVariantAnimation*>();
        QVERIFY(turn);
        const auto drawn = [&view] {
            QImage image(view.size(), QImage::Format_ARGB32);
            image.fill(Qt::transparent);
            view.render(&image);
            return image;
        };
        turn->setCurrentTime(0);
        const QImage start = drawn();
        turn->setCurrentTime(turn->duration() / 4);
        QVERIFY(drawn() != start);
        QTRY_COMPARE_WITH_TIMEOUT(view.phase(), QStringLiteral("picture"), testsupport::kPatienceMs);
        QCOMPARE(animating(), 0);
        p = painted(view);
        QVERIFY(p.shapes().isEmpty());
        QVERIFY(p.texts().isEmpty());
        QCOMPARE(p.pictures().size(), 1);
        QCOMPARE(p.pictures().first().clip, disc);

        view.setAvatar(m_base.resolved(QUrl(QStringLiteral("/text?widget"))).toString());
        QCOMPARE(view.phase(), QStringLiteral("loading"));
        QTRY_COMPARE_WITH_TIMEOUT(view.phase(), QStringLiteral("initials"), testsupport::kPatienceMs);
        QCOMPARE(animating(), 0);
        // Shown, it redraws with its new name's letter.
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        QVERIFY(testsupport::postedEventsHandled());
        PaintCount counter(&view);
        view.setName(QStringLiteral("zoe"));
        QTRY_VERIFY(counter.count > 0);
        p = painted(view);
        QCOMPARE(p.shapes().size(), 1);
        QCOMPARE(p.shapes().first().brush, AvatarView::color(QStringLiteral("zoe")));
        QVERIFY2(p.text(QStringLiteral("Z")), qPrintable(p.allText()));
        QVERIFY(p.pictures().isEmpty());
    }

    // A small picture in a large avatar is scaled smoothly, not in blocks, and the circle
    // it is clipped to has a soft edge: the avatar paints well on a painter set for neither.
    void avatarPictureSmoothAndRound()
    {
        const QUrl url = m_base.resolved(QUrl(QStringLiteral("/halves.png")));
        QVERIFY(loadAndWait(url));
        QImage canvas(40, 40, QImage::Format_ARGB32_Premultiplied);
        canvas.fill(Qt::transparent);
        {
            QPainter painter(&canvas);
            AvatarView::paint(&painter, QRectF(0, 0, 40, 40), QStringLiteral("amy"), url);
        }
        QCOMPARE(canvas.pixelColor(20, 20).alpha(), 255);
        int blended = 0;
        for (int x = 0; x < 40; ++x) {
            const QColor c = canvas.pixelColor(x, 20);
            if (c.red() > 20 && c.blue() > 20)
                ++blended;
        }
        QVERIFY2(blended >= 4, qPrintable(QString::number(blended)));
        int soft = 0;
        for (int y = 0; y < 40; ++y) {
            for (int x = 0; x < 40; ++x) {
                const int alpha = canvas.pixelColor(x, y).alpha();
                if (alpha > 0 && alpha < 255)
                    ++soft;
            }
        }
        QVERIFY2(soft >= 20, qPrintable(QString::number(soft)));
    }

    // A picture cell asks for its picture when first drawn, not before. Until it arrives the
    // cell is a faint wash in its rounded shape; then it redraws with the picture filling
    // it (cropped at the long sides) or fitted into it, centred, clipped to the rounded cell.
    void pictureCellThroughItsPhases_data()
    {
        QTest::addColumn<RemoteImageView::Fit>("fit");
        QTest::addColumn<QSizeF>("shown"); // of an 8 by 4 picture in a 40 by 40 cell
        QTest::newRow("fill") << RemoteImageView::Fit::Fill << QSizeF(80, 40);
        QTest::newRow("contain") << RemoteImageView::Fit::Contain << QSizeF(40, 20);
    }
    void pictureCellThroughItsPhases()
    {
        QFETCH(RemoteImageView::Fit, fit);
        QFETCH(QSizeF, shown);
        const QUrl url = m_base.resolved(QUrl(QStringLiteral("/small.png?cell=%1").arg(QString::fromLatin1(QTest::currentDataTag()))));
        const QRectF cellRect(0, 0, 40, 40);
        RemoteImageView cell(url, QSize(40, 40), fit, 6);
        QCOMPARE(ImageLoader::shared().state(url), ImageLoader::State::Idle);
        PaintLog before(cell.size());
        cell.render(&before);
        QVERIFY(ImageLoader::shared().state(url) != ImageLoader::State::Idle);
        // Over the window's background, if any.
        QVERIFY(!before.painting().shapes().isEmpty());
        const PaintedItem wash = before.painting().shapes().last();
        QCOMPARE(wash.rect, cellRect);
        QCOMPARE(wash.corner, QSizeF(6, 6));
        QCOMPARE(wash.brush.rgb(), Appearance::secondaryText().rgb());
        QVERIFY2(qAbs(wash.brush.alphaF() - 0.1) < 0.01, qPrintable(QString::number(wash.brush.alphaF())));
        QVERIFY(before.painting().pictures().isEmpty());

        PaintCount counter(&cell);
        int paintsWhenLoaded = -1;
        QObject::connect(&ImageLoader::shared(), &ImageLoader::finished, &cell, [&](const QUrl& done) {
            if (done == url)
                paintsWhenLoaded = counter.count;
        });
        cell.show();
        QVERIFY(QTest::qWaitForWindowExposed(&cell));
        QTRY_COMPARE(cell.phase(), QStringLiteral("picture"));
        QVERIFY(paintsWhenLoaded >= 0);
        QTRY_VERIFY(counter.count > paintsWhenLoaded);

        PaintLog after(cell.size());
        cell.render(&after);
        for (const PaintedItem& shape : after.painting().shapes())
            QVERIFY2(shape.brush != wash.brush, "the wash is gone");
        QCOMPARE(after.painting().pictures().size(), 1);
        const PaintedItem picture = after.painting().pictures().first();
        QCOMPARE(picture.rect.size(), shown);
        QCOMPARE(picture.rect.center(), cellRect.center());
        QCOMPARE(picture.clip, cellRect);
    }

    void sendsNoCredentials()
    {
        const int before = m_requests;
        QVERIFY(loadAndWait(m_base.resolved(QUrl(QStringLiteral("/small.png?credentials")))));
        QCOMPARE(m_requests, before + 1);
        QVERIFY(m_authorizationHeaders.isEmpty());
    }
};

QTEST_MAIN(TestImageLoader)
#include "tst_image_loader.moc"
