#include "SocialStack.h"
#include "Snapshot.h"

#include "state/contacts/GiftShopViewModel.h"
#include "views/common/AdaptiveGrid.h"
#include "views/common/ElidedLabel.h"
#include "views/common/Icons.h"
#include "views/common/ImageLoader.h"
#include "views/common/Localized.h"
#include "views/common/RemoteImageView.h"
#include "views/common/Spinner.h"
#include "views/contacts/GiftShopView.h"

#include <QImage>
#include <QLabel>
#include <QPushButton>

using namespace Qt::StringLiterals;

namespace {

struct Fixture {
    SocialStack stack;
    std::unique_ptr<GiftShopView> view;

    explicit Fixture(RecordingHttpServer::Reply reply)
    {
        stack.server.respond(procedure("gifts.list"), std::move(reply));
        view = std::make_unique<GiftShopView>(std::make_unique<GiftShopViewModel>(&stack.gifts));
        view->resize(420, 600);
        view->show();
        QTRY_COMPARE(stack.calls("gifts.list"), 1);
        QTRY_VERIFY(!view->viewModel()->isLoading());
    }
    QList<QWidget*> cards() const { return view->findChildren<QWidget*>(u"giftCard"_s); }
    QString text(QWidget* card, const char* name) const
    {
        auto* label = card->findChild<QLabel*>(QString::fromLatin1(name));
        if (auto* elided = qobject_cast<ElidedLabel*>(label))
            return elided->fullText();
        return label ? label->text() : u"(none)"_s;
    }
};

} // namespace

class TestGiftShopView : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        Icons::install();
        Snapshot::holdStill();
    }

    void cardsShowNamePriceAndPicture()
    {
        Fixture f(ok(R"([{"id":1,"name":"Rose","price":2.5,"icon":"/uploads/rose.png"},
                         {"id":2,"price":99.5,"icon":"","isActive":false},
                         {"id":3,"name":"Star","icon":"not an address"}])"));
        const QList<QWidget*> cards = f.cards();
        QCOMPARE(cards.size(), 3);
        QCOMPARE(f.text(cards.at(0), "giftName"), u"Rose"_s);
        QCOMPARE(f.text(cards.at(0), "giftPrice"), u"2 金币"_s);
        QCOMPARE(f.text(cards.at(1), "giftName"), u"礼物"_s);
        QCOMPARE(f.text(cards.at(1), "giftPrice"), u"100 金币"_s);
        QCOMPARE(f.text(cards.at(2), "giftPrice"), u"(none)"_s);
        // Only a loadable address gets a picture; the others show the symbol at once.
        QCOMPARE(cards.at(0)->findChild<RemoteImageView*>()->url(), QUrl(f.stack.server.baseUrl() + u"/uploads/rose.png"_s));
        QVERIFY(cards.at(1)->findChild<QLabel*>(u"giftSymbol"_s));
        QVERIFY(cards.at(2)->findChild<QLabel*>(u"giftSymbol"_s));
        // One pink box with a white ribbon down its middle, not three squares.
        const QImage symbol = cards.at(1)->findChild<QLabel*>(u"giftSymbol"_s)->pixmap().toImage();
        QVERIFY(!symbol.isNull());
        const int w = symbol.width();
        const int h = symbol.height();
        QCOMPARE(symbol.pixelColor(w / 2, h * 3 / 4), QColor(Qt::white));
        for (const int x : { w / 4, w * 3 / 4 })
            QCOMPARE(symbol.pixelColor(x, h * 3 / 4).rgb(), QColor(255, 45, 85).rgb());
        QCOMPARE(symbol.pixelColor(w / 2, h - 1).alpha(), 0);
        QTRY_COMPARE(f.stack.requestCount(u"/uploads/rose.png"_s), 1);
        const QUrl rose(f.stack.server.baseUrl() + u"/uploads/rose.png"_s);
        QTRY_VERIFY(ImageLoader::shared().state(rose) != ImageLoader::State::Loading);
        QVERIFY(QTest::qWaitForWindowExposed(f.view.get()));
        VERIFY_SNAPSHOT(f.view.get(), u"gift-shop"_s);
    }

    void gridFitsColumnsOfAtLeast120()
    {
        Fixture f(ok(R"([{"id":1},{"id":2},{"id":3},{"id":4}])"));
        auto* grid = f.view->findChild<AdaptiveGrid*>(u"giftGrid"_s);
        f.view->resize(200, 600);
        QTRY_COMPARE(grid->columnCount(), 1);
        f.view->resize(700, 600);
        QTRY_VERIFY(grid->columnCount() >= 4);
    }

    // A shop on its way shows a spinner alone, centred under the heading.
    void loadingShowsASpinnerUnderTheHeading()
    {
        SocialStack stack;
        stack.server.respond(procedure("gifts.list"), { 200, envelope(R"([{"id":1}])"), {}, true });
        GiftShopView view(std::make_unique<GiftShopViewModel>(&stack.gifts));
        view.resize(420, 600);
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        QTRY_COMPARE(stack.calls("gifts.list"), 1);
        auto* spinner = view.findChild<Spinner*>();
        auto* heading = view.findChild<QLabel*>(u"giftShopHeading"_s);
        QVERIFY(spinner && heading);
        QVERIFY(spinner->isVisible());
        QVERIFY(view.findChildren<QWidget*>(u"giftCard"_s).isEmpty());
        QVERIFY(!view.findChild<QLabel*>(u"giftShopError"_s)->isVisible());
        QVERIFY(!view.findChild<QLabel*>(u"giftShopEmpty"_s)->isVisible());
        const QRect at(spinner->mapTo(&view, QPoint()), spinner->size());
        const QRect over(heading->mapTo(&view, QPoint()), heading->size());
        QVERIFY2(qAbs(at.center().x() - over.center().x()) <= 1, qPrintable(QDebug::toString(at)));
        QVERIFY2(at.top() > over.bottom(), qPrintable(QDebug::toString(at)));
        stack.server.release(procedure("gifts.list"));
        QTRY_VERIFY(!spinner->isVisible());
        QCOMPARE(view.findChildren<QWidget*>(u"giftCard"_s).size(), 1);
    }

    // A failure is not an empty shop: it says what went wrong and can be retried.
    void failureShowsErrorAndRetries()
    {
        Fixture f({ 500, R"({"error":"gifts down"})" });
        auto* error = f.view->findChild<QLabel*>(u"giftShopError"_s);
        QVERIFY(error->isVisible());
        QVERIFY(!f.view->findChild<QLabel*>(u"giftShopEmpty"_s)->isVisible());
        QCOMPARE(error->text(), Localized::text("gifts.load_failed") + u"gifts down"_s);
        QVERIFY(QTest::qWaitForWindowExposed(f.view.get()));
        VERIFY_SNAPSHOT(f.view.get(), u"gift-shop-failed"_s);
        f.stack.server.respond(procedure("gifts.list"), ok("[]"));
        QTest::mouseClick(f.view->findChild<QPushButton*>(u"giftShopRetryButton"_s), Qt::LeftButton);
        QTRY_COMPARE(f.stack.calls("gifts.list"), 2);
        QTRY_VERIFY(f.view->findChild<QLabel*>(u"giftShopEmpty"_s)->isVisible());
        QCOMPARE(f.view->findChild<QLabel*>(u"giftShopEmpty"_s)->text(), u"暂无可用礼物"_s);
        VERIFY_SNAPSHOT(f.view.get(), u"gift-shop-empty"_s);
    }
};

QTEST_MAIN(TestGiftShopView)
#include "tst_gift_shop_view.moc"
