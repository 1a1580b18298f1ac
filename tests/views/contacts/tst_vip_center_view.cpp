#include "SocialStack.h"
#include "Snapshot.h"

#include "state/contacts/VipCenterViewModel.h"
#include "views/common/ElidedLabel.h"
#include "state/common/LocalizationManager.h"
#include "views/common/Appearance.h"
#include "views/common/Icons.h"
#include "views/common/Localized.h"
#include "views/common/Spinner.h"
#include "views/common/SystemColors.h"
#include "views/contacts/VipCenterView.h"

#include <QLabel>
#include <QPushButton>
#include <QScopeGuard>

using namespace Qt::StringLiterals;

namespace {

struct Fixture {
    SocialStack stack;
    std::unique_ptr<VipCenterView> view;

    Fixture(RecordingHttpServer::Reply status, RecordingHttpServer::Reply levels)
    {
        stack.server.respond(procedure("vip.status"), std::move(status));
        stack.server.respond(procedure("vip.levels"), std::move(levels));
        view = std::make_unique<VipCenterView>(std::make_unique<VipCenterViewModel>(&stack.vip));
        view->resize(420, 600);
        view->show();
        QTRY_COMPARE(stack.calls("vip.levels"), 1);
        QTRY_VERIFY(!view->viewModel()->isLoading());
    }
    QLabel* label(const char* name) const { return view->findChild<QLabel*>(QString::fromLatin1(name)); }
    QStringList texts(const char* name) const
    {
        QStringList found;
        for (QLabel* l : view->findChildren<QLabel*>(QString::fromLatin1(name))) {
            auto* elided = qobject_cast<ElidedLabel*>(l);
            found << (elided ? elided->fullText() : l->text());
        }
        return found;
    }
};

const QByteArray levels = R"([{"id":1,"name":"Gold","price":30,"benefits":["Badge","Themes"]},{"id":2,"level":3,"price":29.6,"benefits":[]},{"id":3}])";

} // namespace

class TestVipCenterView : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        Icons::install();
        Snapshot::holdStill();
    }

    void memberWithLevels()
    {
        Fixture f(ok(R"({"isVip":true,"levelName":"Gold","expiresAt":"2027-01-01"})"), ok(levels));
        QCOMPARE(f.label("vipStatusText")->text(), u"VIP Gold"_s);
        QCOMPARE(f.label("vipCrown")->property("symbol").toString(), u"crown.fill"_s);
        QVERIFY(f.label("vipExpiry")->isVisible());
        QCOMPARE(f.label("vipExpiry")->text(), u"到期时间: 2027-01-01"_s);
        QCOMPARE(f.texts("vipLevelTitle"), (QStringList { u"Gold"_s, u"VIP 3"_s, u"VIP 0"_s }));
        QCOMPARE(f.texts("vipLevelPrice"), (QStringList { u"30 元/月"_s, u"30 元/月"_s }));
        QCOMPARE(f.texts("vipBenefit"), (QStringList { u"Badge"_s, u"Themes"_s }));
        QVERIFY(!f.label("vipStatusError")->isVisible());
        // Type and colour: the status in semibold title-2, the expiry in grey caption,
        // each level's title in semibold body, its price in blue body, its benefits in
        // green caption.
        const auto type = [](const QWidget* widget) { return widget->font().pixelSize(); };
        QCOMPARE(type(f.label("vipStatusText")), Appearance::font(Appearance::TextStyle::Title2).pixelSize());
        QCOMPARE(f.label("vipStatusText")->font().weight(), QFont::DemiBold);
        QCOMPARE(type(f.label("vipExpiry")), Appearance::font(Appearance::TextStyle::Caption).pixelSize());
        QCOMPARE(f.label("vipExpiry")->palette().color(QPalette::WindowText), Appearance::secondaryText());
        for (QWidget* title : f.view->findChildren<QWidget*>(u"vipLevelTitle"_s)) {
            QCOMPARE(type(title), Appearance::font(Appearance::TextStyle::Body).pixelSize());
            QCOMPARE(title->font().weight(), QFont::DemiBold);
        }
        for (QLabel* price : f.view->findChildren<QLabel*>(u"vipLevelPrice"_s)) {
            QCOMPARE(type(price), Appearance::font(Appearance::TextStyle::Body).pixelSize());
            QCOMPARE(price->palette().color(QPalette::WindowText), SystemColors::blue());
        }
        for (QLabel* benefit : f.view->findChildren<QLabel*>(u"vipBenefit"_s)) {
            QCOMPARE(type(benefit), Appearance::font(Appearance::TextStyle::Caption).pixelSize());
            QCOMPARE(benefit->palette().color(QPalette::WindowText), SystemColors::green());
        }

        // As laid out: the status card's crown, words and expiry 8 apart; under the
        // heading the level cards 20 apart.
        const auto box = [&f](const QWidget* widget) { return QRect(widget->mapTo(f.view.get(), QPoint()), widget->size()); };
        const auto below = [&box](const QWidget* upper, const QWidget* lower) { return box(lower).top() - box(upper).bottom() - 1; };
        QCOMPARE(below(f.label("vipCrown"), f.label("vipStatusText")), 8);
        QCOMPARE(below(f.label("vipStatusText"), f.label("vipExpiry")), 8);
        if (!f.label("vipCrown")->pixmap().isNull())
            QCOMPARE(f.label("vipCrown")->pixmap().deviceIndependentSize(), QSizeF(40, 40));
        QList<QWidget*> cards = f.view->findChildren<QWidget*>(u"vipLevelCard"_s);
        std::ranges::sort(cards, {}, [&box](QWidget* card) { return box(card).top(); });
        QCOMPARE(cards.size(), 3);
        // The cards take their places once the page has laid itself out again.
        QTRY_COMPARE(below(f.label("vipLevelsHeading"), cards.first()), 20);
        for (qsizetype i = 0; i + 1 < cards.size(); ++i)
            QCOMPARE(below(cards.at(i), cards.at(i + 1)), 20);
        // In a card the title leads its first line and the price, when there is one,
        // trails it on the same line.
        for (QWidget* card : std::as_const(cards)) {
            auto* title = card->findChild<QWidget*>(u"vipLevelTitle"_s);
            QVERIFY(title && title->isVisible());
            QVERIFY(title->x() > 0 && title->y() > 0);
            auto* price = card->findChild<QLabel*>(u"vipLevelPrice"_s);
            if (!price)
                continue;
            QVERIFY(price->geometry().left() > title->geometry().right());
            QVERIFY(qAbs(price->geometry().center().y() - title->geometry().center().y()) <= 2);
            QVERIFY(card->width() - price->geometry().right() <= 24);
        }
        QVERIFY(QTest::qWaitForWindowExposed(f.view.get()));
        VERIFY_SNAPSHOT(f.view.get(), u"vip-member"_s);
    }

    // Levels on their way: a spinner under the heading, gone with the levels' arrival.
    void levelsOnTheirWay()
    {
        SocialStack stack;
        stack.server.respond(procedure("vip.status"), ok(R"({"isVip":false})"));
        stack.server.respond(procedure("vip.levels"), { 200, envelope(levels), {}, true });
        VipCenterView view(std::make_unique<VipCenterViewModel>(&stack.vip));
        view.resize(420, 600);
        view.show();
        QTRY_COMPARE(stack.calls("vip.levels"), 1);
        auto* spinner = view.findChild<Spinner*>();
        auto* heading = view.findChild<QLabel*>(u"vipLevelsHeading"_s);
        QVERIFY(spinner && heading);
        QVERIFY(spinner->isVisible());
        QVERIFY(spinner->mapTo(&view, QPoint()).y() > heading->mapTo(&view, QPoint(0, heading->height())).y());
        QVERIFY(qAbs(spinner->mapTo(&view, spinner->rect().center()).x() - heading->mapTo(&view, heading->rect().center()).x()) <= 1);
        QVERIFY(view.findChildren<QWidget*>(u"vipLevelCard"_s).isEmpty());
        stack.server.release(procedure("vip.levels"));
        QTRY_COMPARE(view.findChildren<QWidget*>(u"vipLevelCard"_s).size(), 3);
        QVERIFY(!spinner->isVisible());
    }

    // A status that could not be read never reads "非VIP用户".
    void failedStatusIsAnErrorNotNonMember()
    {
        Fixture f({ 500, R"({"error":"status down"})" }, ok(levels));
        QVERIFY(!f.label("vipStatusText")->isVisible());
        QVERIFY2(!f.label("vipCrown")->isVisible(), "the grey crown would say non-member");
        QVERIFY(f.label("vipStatusError")->isVisible());
        QCOMPARE(f.label("vipStatusError")->text(), Localized::text("vip.status_load_failed") + u"status down"_s);
        QCOMPARE(f.texts("vipLevelTitle").size(), 3);
        QVERIFY(QTest::qWaitForWindowExposed(f.view.get()));
        VERIFY_SNAPSHOT(f.view.get(), u"vip-status-failed"_s);

        f.stack.server.respond(procedure("vip.status"), ok(R"({"isVip":false})"));
        QTest::mouseClick(f.view->findChild<QPushButton*>(u"vipStatusRetryButton"_s), Qt::LeftButton);
        QTRY_VERIFY(f.label("vipStatusText")->isVisible());
        QCOMPARE(f.label("vipStatusText")->text(), u"非VIP用户"_s);
        QVERIFY(f.label("vipCrown")->isVisible());
        QVERIFY(!f.label("vipStatusError")->isVisible());
    }

    void failedLevelsSayItUnderTheHeading()
    {
        Fixture f(ok(R"({"isVip":false,"expiresAt":"2020-01-01"})"), { 500, R"({"error":"levels down"})" });
        QCOMPARE(f.label("vipStatusText")->text(), u"非VIP用户"_s);
        QVERIFY(f.label("vipExpiry")->isVisible());
        QVERIFY(f.texts("vipLevelTitle").isEmpty());
        QVERIFY(f.label("vipLevelsError")->isVisible());
        QVERIFY(f.view->findChild<QPushButton*>(u"vipLevelsRetryButton"_s)->isVisible());
        QVERIFY(QTest::qWaitForWindowExposed(f.view.get()));
        VERIFY_SNAPSHOT(f.view.get(), u"vip-levels-failed"_s);
        // The failures speak the interface language, and change with it while shown.
        const AppLanguage before = LocalizationManager::shared().currentLanguage();
        const auto restore = qScopeGuard([before] { LocalizationManager::shared().setLanguage(before); });
        for (const AppLanguage language : { AppLanguage::en, AppLanguage::zhHans }) {
            LocalizationManager::shared().setLanguage(language);
            QCOMPARE(f.view->findChild<QPushButton*>(u"vipLevelsRetryButton"_s)->text(), Localized::text("vip.retry"));
            QCOMPARE(f.label("vipLevelsError")->text(), Localized::text("vip.levels_load_failed") + u"levels down"_s);
        }
        QVERIFY(Localized::text("vip.retry") != LocalizationManager::shared().bundle(AppLanguage::en).localizedString(u"vip.retry"_s));
    }
};

QTEST_MAIN(TestVipCenterView)
#include "tst_vip_center_view.moc"
