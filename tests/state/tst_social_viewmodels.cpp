// The search, gift and VIP view models and their shared rules for pictures and prices.

#include "SocialStack.h"

#include "state/common/WholeNumber.h"
#include "state/contacts/GiftShopViewModel.h"
#include "state/contacts/PictureAddress.h"
#include "state/contacts/SearchViewModel.h"
#include "state/contacts/VipCenterViewModel.h"

using namespace Qt::StringLiterals;

namespace {

const QByteArray emptyResult = R"({"contacts":[],"groups":[],"messages":[]})";

QByteArray messagesOnly(const char* content)
{
    return R"({"contacts":[],"groups":[],"messages":[{"id":1,"conversationId":4,"senderId":2,"content":")"
        + QByteArray(content) + "\"}]}";
}

struct SearchFixture {
    SocialStack stack;
    SearchViewModel model;

    SearchFixture()
        : model(&stack.search)
    {
        stack.server.respond(procedure("search.global"), ok(emptyResult));
    }
    void submit(const QString& keyword)
    {
        model.setKeyword(keyword);
        model.performSearch();
    }
    void submitAndWait(const QString& keyword)
    {
        const int before = stack.calls("search.global");
        submit(keyword);
        QTRY_COMPARE(stack.calls("search.global"), before + 1);
        QTRY_VERIFY(!model.isSearching());
    }
};

} // namespace

class TestSocialViewModels : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void pictureAddress_data()
    {
        QTest::addColumn<std::optional<QString>>("address");
        QTest::addColumn<QString>("url");

        const std::optional<QString> none;
        QTest::newRow("server path") << std::optional(u"/uploads/a b.png"_s) << u"http://api.test:81/uploads/a%20b.png"_s;
        QTest::newRow("https") << std::optional(u"https://cdn.test/g.png"_s) << u"https://cdn.test/g.png"_s;
        QTest::newRow("http upper case") << std::optional(u"HTTP://cdn.test/g.png"_s) << u"http://cdn.test/g.png"_s;
        QTest::newRow("ftp") << std::optional(u"ftp://cdn.test/g.png"_s) << QString();
        QTest::newRow("file") << std::optional(u"file:///etc/passwd"_s) << QString();
        QTest::newRow("data") << std::optional(u"data:image/png;base64,AAAA"_s) << QString();
        QTest::newRow("qrc") << std::optional(u"qrc:/icons/x.png"_s) << QString();
        QTest::newRow("relative without slash") << std::optional(u"uploads/a.png"_s) << QString();
        QTest::newRow("not an address") << std::optional(u"http://"_s) << QString();
        QTest::newRow("empty") << std::optional(QString()) << QString();
        QTest::newRow("absent") << none << QString();
    }

    void pictureAddress()
    {
        QFETCH(std::optional<QString>, address);
        QFETCH(QString, url);
        QCOMPARE(PictureAddress::resolve(address, u"http://api.test:81"_s).toString(QUrl::FullyEncoded), url);
    }

    // C's "%.0f": halves to the even neighbour, no grouping.
    void prices_data()
    {
        QTest::addColumn<double>("price");
        QTest::addColumn<QString>("gift");
        QTest::addColumn<QString>("vip");

        QTest::newRow("2.5") << 2.5 << u"2 金币"_s << u"2 元/月"_s;
        QTest::newRow("99.5") << 99.5 << u"100 金币"_s << u"100 元/月"_s;
        QTest::newRow("0") << 0.0 << u"0 金币"_s << u"0 元/月"_s;
        QTest::newRow("29.6") << 29.6 << u"30 金币"_s << u"30 元/月"_s;
        QTest::newRow("30") << 30.0 << u"30 金币"_s << u"30 元/月"_s;
        QTest::newRow("large") << 1234567.0 << u"1234567 金币"_s << u"1234567 元/月"_s;
    }

    void prices()
    {
        QFETCH(double, price);
        QFETCH(QString, gift);
        QFETCH(QString, vip);
        GiftService::Gift g;
        g.price = price;
        VipService::VipLevel l;
        l.price = price;
        QCOMPARE(GiftShopViewModel::priceText(g), std::optional(gift));
        QCOMPARE(VipCenterViewModel::priceText(l), std::optional(vip));
        QCOMPARE(GiftShopViewModel::priceText(GiftService::Gift {}), std::optional<QString>());
        QCOMPARE(VipCenterViewModel::priceText(VipService::VipLevel {}), std::optional<QString>());
    }

    void searchSendsTheKeywordAsTypedOnlyWhenNotEmpty()
    {
        SearchFixture f;
        f.stack.server.respond(procedure("search.global"), { 500, R"({"error":"down"})" });
        f.submitAndWait(u"x"_s);
        QCOMPARE(f.model.error(), std::optional(u"down"_s));

        f.submit(QString());
        QVERIFY(f.stack.roundTrip());
        QCOMPARE(f.stack.calls("search.global"), 1);
        QVERIFY(!f.model.isSearching());
        QVERIFY(f.model.error());

        f.stack.server.respond(procedure("search.global"), ok(emptyResult));
        f.submitAndWait(u"   "_s);
        QCOMPARE(f.stack.input("search.global", 1), (QJsonObject { { u"keyword"_s, u"   "_s }, { u"limit"_s, 10 } }));
        QVERIFY(!f.model.error());
        QCOMPARE(f.model.content(), SearchViewModel::Content::NoResults);
    }

    // A failure after a success keeps the old results; clearing keeps the error.
    void failureKeepsResultsAndClearKeepsError()
    {
        SearchFixture f;
        // What the screen follows, each said when it changes and only then.
        QStringList said;
        connect(&f.model, &SearchViewModel::keywordChanged, this, [&] { said << u"keyword "_s + f.model.keyword(); });
        connect(&f.model, &SearchViewModel::isSearchingChanged, this, [&] { said << u"searching %1"_s.arg(f.model.isSearching()); });
        connect(&f.model, &SearchViewModel::resultChanged, this, [&] { said << u"result %1"_s.arg(f.model.result().has_value()); });
        connect(&f.model, &SearchViewModel::errorChanged, this, [&] { said << u"error %1"_s.arg(f.model.error().has_value()); });
        f.stack.server.respond(procedure("search.global"), ok(messagesOnly("hi")));
        f.submitAndWait(u"hi"_s);
        QCOMPARE(f.model.content(), SearchViewModel::Content::Results);
        f.stack.server.respond(procedure("search.global"), { 200, "{}" });
        f.submitAndWait(u"ho"_s);
        QCOMPARE(f.model.content(), SearchViewModel::Content::Results);
        QCOMPARE(f.model.result()->messages.at(0).content, std::optional(u"hi"_s));
        QVERIFY(f.model.error());

        f.model.clearSearch();
        QCOMPARE(f.model.keyword(), QString());
        QCOMPARE(f.model.content(), SearchViewModel::Content::Hint);
        QVERIFY(f.model.error());
        f.model.clearSearch();
        QCOMPARE(said, (QStringList { u"keyword hi"_s, u"searching 1"_s, u"result 1"_s, u"searching 0"_s,
                                      u"keyword ho"_s, u"searching 1"_s, u"error 1"_s, u"searching 0"_s,
                                      u"keyword "_s, u"result 0"_s }));

        // The next search takes the alert away as it starts.
        said.clear();
        f.stack.server.respond(procedure("search.global"), ok(messagesOnly("hi")));
        f.submitAndWait(u"hi"_s);
        QCOMPARE(said, (QStringList { u"keyword hi"_s, u"searching 1"_s, u"error 0"_s, u"result 1"_s, u"searching 0"_s }));
    }

    // Overlapping searches: only the newest keyword's answer counts, and the
    // search is not over until that answer is in.
    void onlyTheNewestSearchApplies()
    {
        SearchFixture f;
        f.stack.server.respondOnce(procedure("search.global"), { 200, envelope(messagesOnly("old")), {}, true });
        f.stack.server.respondOnce(procedure("search.global"), { 500, R"({"error":"old failed"})", {}, true });
        f.stack.server.respond(procedure("search.global"), ok(messagesOnly("new")));
        f.submit(u"old"_s);
        f.submit(u"older"_s);
        QTRY_COMPARE(f.stack.calls("search.global"), 2);
        f.submit(u"new"_s);
        QTRY_VERIFY(f.model.result());
        QVERIFY(!f.model.isSearching());
        // The earlier keywords' answers come back late.
        f.stack.server.release(procedure("search.global"));
        QVERIFY(f.stack.roundTrip());
        QCOMPARE(f.model.result()->messages.at(0).content, std::optional(u"new"_s));
        QVERIFY(!f.model.error());
    }

    // A failed fetch is an error, not an empty shop; icons load from the API's address.
    void giftsLoadOrFail()
    {
        SocialStack stack;
        GiftShopViewModel model(&stack.gifts);
        // What the shop follows, each change said as it happens.
        QStringList said;
        connect(&model, &GiftShopViewModel::isLoadingChanged, this, [&] { said << u"loading %1"_s.arg(model.isLoading()); });
        connect(&model, &GiftShopViewModel::giftsChanged, this, [&] { said << u"gifts %1"_s.arg(model.gifts().size()); });
        connect(&model, &GiftShopViewModel::errorChanged, this, [&] { said << u"error "_s + model.error().value_or(QString()); });
        stack.server.respondOnce(procedure("gifts.list"), { 502, R"({"error":"gifts down"})" });
        testsupport::runTask(model.loadGifts());
        QCOMPARE(model.error(), std::optional(u"gifts down"_s));
        QVERIFY(!model.isLoading());

        stack.server.respond(procedure("gifts.list"), ok(R"([{"id":1,"icon":"/uploads/rose.png","isActive":false},{"id":2,"name":"Car"}])"));
        testsupport::runTask(model.loadGifts());
        QVERIFY(!model.error());
        QCOMPARE(model.gifts().size(), 2);
        QCOMPARE(GiftShopViewModel::displayName(model.gifts().at(0)), u"礼物"_s);
        QCOMPARE(GiftShopViewModel::displayName(model.gifts().at(1)), u"Car"_s);
        QCOMPARE(model.iconUrl(model.gifts().at(0)), QUrl(stack.server.baseUrl() + u"/uploads/rose.png"_s));
        QVERIFY(!model.iconUrl(model.gifts().at(1)).isValid());
        QCOMPARE(said, (QStringList { u"loading 1"_s, u"gifts 0"_s, u"error gifts down"_s, u"loading 0"_s, u"loading 1"_s,
                                      u"gifts 2"_s, u"error "_s, u"loading 0"_s }));
    }

    // Two loads overlap and the older answer comes last: the newer one stays shown
    // and the spinner ends with it.
    void newestLoadWins_data()
    {
        QTest::addColumn<bool>("vip");
        QTest::newRow("gift shop") << false;
        QTest::newRow("vip centre") << true;
    }

    void newestLoadWins()
    {
        QFETCH(bool, vip);
        SocialStack stack;
        GiftShopViewModel gifts(&stack.gifts);
        VipCenterViewModel centre(&stack.vip);
        const char* held = vip ? "vip.status" : "gifts.list";
        stack.server.respondOnce(procedure(held),
            { 200, envelope(vip ? R"({"isVip":false})" : R"([{"id":1,"name":"Old"}])"), {}, true });
        stack.server.respond(procedure(held), ok(vip ? R"({"isVip":true,"levelName":"Gold"})" : R"([{"id":2,"name":"New"}])"));
        stack.server.respond(procedure("vip.levels"), ok("[]"));
        auto load = [&] { return vip ? centre.load() : gifts.loadGifts(); };
        auto older = load();
        QTRY_COMPARE(stack.calls(held), 1);
        testsupport::runTask(load());
        stack.server.release(procedure(held));
        testsupport::runTask(std::move(older));
        if (vip) {
            QVERIFY(centre.isMember());
            QVERIFY(!centre.isLoading());
        } else {
            QCOMPARE(gifts.gifts().size(), 1);
            QCOMPARE(gifts.gifts().at(0).name, std::optional<QString>(u"New"_s));
            QVERIFY(!gifts.isLoading());
        }
    }

    void vipStatusTexts_data()
    {
        QTest::addColumn<QByteArray>("status");
        QTest::addColumn<bool>("member");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("expiry");

        QTest::newRow("member") << QByteArray(R"({"isVip":true,"levelName":"Gold","expiresAt":"2027-01-01"})") << true
                                << u"VIP Gold"_s << u"到期时间: 2027-01-01"_s;
        QTest::newRow("member without level name") << QByteArray(R"({"isVip":true})") << true << u"VIP "_s << QString();
        QTest::newRow("lapsed with expiry") << QByteArray(R"({"isVip":false,"expiresAt":"2020-01-01"})") << false
                                            << u"非VIP用户"_s << u"到期时间: 2020-01-01"_s;
        QTest::newRow("flag absent") << QByteArray(R"({"levelName":"Gold"})") << false << u"非VIP用户"_s << QString();
    }

    void vipStatusTexts()
    {
        QFETCH(QByteArray, status);
        QFETCH(bool, member);
        QFETCH(QString, text);
        QFETCH(QString, expiry);
        SocialStack stack;
        stack.server.respond(procedure("vip.status"), ok(status));
        stack.server.respond(procedure("vip.levels"), ok("[]"));
        VipCenterViewModel model(&stack.vip);
        testsupport::runTask(model.load());
        QCOMPARE(model.isMember(), member);
        QCOMPARE(model.statusText(), text);
        QCOMPARE(model.expiryText().value_or(QString()), expiry);
        QVERIFY(!model.statusError());
    }

    void vipLevelTitles()
    {
        VipService::VipLevel level;
        QCOMPARE(VipCenterViewModel::levelTitle(level), u"VIP 0"_s);
        level.level = 3;
        QCOMPARE(VipCenterViewModel::levelTitle(level), u"VIP 3"_s);
        level.name = u"Gold"_s;
        QCOMPARE(VipCenterViewModel::levelTitle(level), u"Gold"_s);
    }

    // Each half fails on its own and says so; the status is written before the levels arrive.
    void vipHalvesFailApart()
    {
        SocialStack stack;
        VipCenterViewModel model(&stack.vip);
        QSignalSpy levelsShown(&model, &VipCenterViewModel::levelsChanged);
        QSignalSpy spinner(&model, &VipCenterViewModel::isLoadingChanged);
        stack.server.respond(procedure("vip.status"), { 500, R"({"error":"status down"})" });
        stack.server.respond(procedure("vip.levels"), ok(R"([{"id":1,"price":30}])"));
        testsupport::runTask(model.load());
        QCOMPARE(levelsShown.count(), 1);
        QCOMPARE(spinner.count(), 2);
        QCOMPARE(model.statusError(), std::optional(u"status down"_s));
        QVERIFY(!model.status());
        QCOMPARE(model.levels().size(), 1);
        QVERIFY(!model.levelsError());

        stack.server.respond(procedure("vip.status"), ok(R"({"isVip":true})"));
        stack.server.respond(procedure("vip.levels"), { 200, envelope(R"({"oops":1})"), {}, true });
        QSignalSpy statusWritten(&model, &VipCenterViewModel::statusChanged);
        auto load = model.load();
        QTRY_COMPARE(statusWritten.count(), 1);
        QVERIFY(model.isMember());
        QVERIFY(!model.statusError());
        QVERIFY(model.isLoading());
        stack.server.release(procedure("vip.levels"));
        testsupport::runTask(std::move(load));
        QVERIFY(model.levels().isEmpty());
        QVERIFY(model.levelsError());
        QVERIFY(!model.isLoading());
    }
};

QTEST_GUILESS_MAIN(TestSocialViewModels)
#include "tst_social_viewmodels.moc"
