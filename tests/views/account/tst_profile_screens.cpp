// The profile page and its editor against a recording server: the header follows
// the signed-in user, sessions are signed out only when the server confirms, and
// the editor stores the fields or says why it could not.

#include "AccountScreenTestHelpers.h"
#include "ClientStack.h"
#include "ListKeys.h"
#include "PainterState.h"
#include "Snapshot.h"

#include "state/account/ProfileEditViewModel.h"
#include "state/account/ProfileViewModel.h"
#include "state/chat/AuthViewModel.h"
#include "state/common/AppLanguage.h"
#include "state/common/LocalizationManager.h"
#include "views/account/ProfileEditView.h"
#include "views/account/ProfileView.h"
#include "views/account/SessionListModel.h"
#include "views/account/SessionRow.h"
#include "views/chat/AvatarView.h"
#include "views/common/Appearance.h"
#include "views/common/ElidedLabel.h"
#include "views/common/Icons.h"
#include "views/common/Localized.h"
#include "views/common/NavigationStack.h"

#include <QComboBox>
#include <QFrame>
#include <QJsonDocument>
#include <QLabel>
#include <QLineEdit>
#include <QApplication>
#include <QListView>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QScrollBar>
#include <QSignalSpy>

using namespace Qt::StringLiterals;

namespace {

QByteArray meReply(const QByteArray& user)
{
    return "{\"user\":" + user + "}";
}

const QByteArray mei = "{\"id\":7,\"openId\":\"o7\",\"name\":\"Mei\",\"bio\":\"\",\"email\":\"\",\"region\":\"Hanoi\",\"gender\":\"other\"}";
const QByteArray meiLin = "{\"id\":7,\"openId\":\"o7\",\"name\":\"Mei Lin\",\"bio\":\"<b>hi</b>\",\"email\":\"mei@example.org\"}";


} // namespace

class TestProfileScreens : public QObject {
    Q_OBJECT

    std::unique_ptr<ClientStack> m_stack;
    std::unique_ptr<AuthViewModel> m_auth;

    void signIn(const QByteArray& user)
    {
        m_stack->server.respond(u"/api/auth/me"_s, { 200, meReply(user) });
        m_stack->keychain.saveText(u"token-1"_s, u"auth_token"_s);
        m_stack->keychain.save(user, u"cached_user"_s);
        m_auth = std::make_unique<AuthViewModel>(depsOf(*m_stack));
        QTRY_COMPARE(m_stack->requestCount(u"/api/auth/me"_s), 1);
    }

    // The page's session load has ended, so no request outlives the test's server.
    static bool sessionsLoaded(ProfileView& view)
    {
        QSignalSpy loaded(view.viewModel(), &ProfileViewModel::sessionsChanged);
        return loaded.wait(testsupport::kPatienceMs);
    }

    static const QAbstractItemModel* sessionRows(QWidget* view)
    {
        return view->findChild<QListView*>(u"sessionList"_s)->model();
    }

    static QStringList sessionTitles(QWidget* view)
    {
        QStringList titles;
        for (int row = 0; row < sessionRows(view)->rowCount(); ++row)
            titles << sessionRows(view)->index(row, 0).data(Qt::DisplayRole).toString();
        return titles;
    }

    // How many rows have the role set (a flag) or filled (a text).
    static int rowsWith(QWidget* view, int role)
    {
        int count = 0;
        for (int row = 0; row < sessionRows(view)->rowCount(); ++row) {
            const QVariant value = sessionRows(view)->index(row, 0).data(role);
            count += value.typeId() == QMetaType::Bool ? value.toBool() : !value.toString().isEmpty();
        }
        return count;
    }

    // Clicks the sign-out button drawn in the first row that has one.
    static void clickFirstRevoke(QWidget* view)
    {
        auto* list = view->findChild<QListView*>(u"sessionList"_s);
        for (int row = 0; row < list->model()->rowCount(); ++row) {
            if (list->model()->index(row, 0).data(SessionListModel::IsCurrentRole).toBool())
                continue;
            QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, SessionRow::revokeRect(list->visualRect(list->model()->index(row, 0))).center());
            return;
        }
    }

private Q_SLOTS:
    void initTestCase()
    {
        Icons::install();
        Snapshot::holdStill();
    }

    void init()
    {
        m_stack = std::make_unique<ClientStack>();
        m_stack->server.respond(procedure("user.listSessions"), ok("[]"));
        signIn(mei);
    }

    void cleanup()
    {
        m_auth.reset();
        m_stack.reset();
    }

    void platformIcons_data()
    {
        QTest::addColumn<QString>("platform"); // "-": absent
        QTest::addColumn<QString>("icon");

        QTest::newRow("absent") << u"-"_s << u"desktopcomputer"_s;
        QTest::newRow("iOS") << u"iOS"_s << u"iphone"_s;
        QTest::newRow("MacOS") << u"MacOS"_s << u"laptopcomputer"_s;
        QTest::newRow("mac") << u"mac"_s << u"laptopcomputer"_s;
        QTest::newRow("Android") << u"Android"_s << u"phone"_s;
        QTest::newRow("web") << u"web"_s << u"globe"_s;
        QTest::newRow("ipados") << u"ipados"_s << u"desktopcomputer"_s;
        QTest::newRow("part of a name") << u"macos 14"_s << u"desktopcomputer"_s;
    }

    void platformIcons()
    {
        QFETCH(QString, platform);
        QFETCH(QString, icon);
        QCOMPARE(ProfileViewModel::platformIcon(platform == u"-"_s ? std::nullopt : std::optional(platform)), icon);
    }

    // Header and session rows as received: title fallbacks, the current sessions
    // without a button, empty-but-present profile fields.
    void showsTheUserAndSessions()
    {
        m_stack->server.respond(procedure("user.listSessions"), ok(
            "[{\"id\":1,\"deviceName\":\"Desk\",\"platform\":\"linux\",\"ip\":\"10.0.0.1\",\"isCurrent\":true},"
            "{\"id\":2,\"platform\":\"web\"},"
            "{\"id\":3,\"deviceName\":\"\",\"platform\":\"ios\",\"isCurrent\":false},"
            "{\"id\":4,\"isCurrent\":true}]"));
        ProfileView view(m_auth.get(), m_stack->auth);
        QTRY_COMPARE(sessionTitles(&view), (QStringList { u"Desk"_s, u"web"_s, QString(), Localized::text("profile.unknown_device") }));
        QCOMPARE(rowsWith(&view, SessionListModel::IsCurrentRole), 2);
        QCOMPARE(testsupport::rowsLeavingPainterChanged(view.findChild<QListView*>(u"sessionList"_s)), QString());
        QCOMPARE(rowsWith(&view, SessionListModel::AddressRole), 1);
        QVERIFY(!m_stack->server.requestsTo(procedure("user.listSessions")).at(0).hasQuery);

        QCOMPARE(child<ElidedLabel>(&view, u"profileName"_s)->fullText(), u"Mei"_s);
        QCOMPARE(child<QLabel>(&view, u"profileOpenId"_s)->text(), u"ID: o7"_s);
        QCOMPARE(child<QLabel>(&view, u"profileOpenId"_s)->font().pixelSize(), Appearance::font(Appearance::TextStyle::Caption).pixelSize());
        QCOMPARE(child<QLabel>(&view, u"profileOpenId"_s)->palette().color(QPalette::WindowText), Appearance::secondaryText());
        // The id can be selected, to be copied.
        auto* openId = child<QLabel>(&view, u"profileOpenId"_s);
        openId->setSelection(0, int(openId->text().size()));
        QCOMPARE(openId->selectedText(), u"ID: o7"_s);
        QVERIFY(view.findChild<AvatarView*>());
        QCOMPARE(view.findChild<AvatarView*>()->name(), u"Mei"_s);
        QVERIFY(!shown(child<QLabel>(&view, u"profileBio"_s)));
        QVERIFY(shown(child<QLabel>(&view, u"profileEmail"_s)));
        QCOMPARE(child<QLabel>(&view, u"profileGender"_s)->text(), u"other"_s);

        // The page's blocks, top to bottom, each set off from the next by one divider.
        view.resize(400, 900);
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        const QList<QWidget*> blocks { child<ElidedLabel>(&view, u"profileName"_s), child<QPushButton>(&view, u"editProfileButton"_s),
            child<QLabel>(&view, u"sessionsHeading"_s), child<QPushButton>(&view, u"twoFactorLink"_s),
            child<QPushButton>(&view, u"devicesLink"_s), child<QPushButton>(&view, u"logoutButton"_s) };
        {
            // The header card: the 80-point avatar over the centred name, the id and the
            // details row, whose grey caption entries stand 16 apart, centred.
            const auto box = [&view](const QWidget* widget) { return QRect(widget->mapTo(&view, QPoint()), widget->size()); };
            auto* name = child<ElidedLabel>(&view, u"profileName"_s);
            QVERIFY(name->alignment() & Qt::AlignHCenter);
            QCOMPARE(name->font().pixelSize(), Appearance::font(Appearance::TextStyle::Title2).pixelSize());
            QCOMPARE(view.findChild<AvatarView*>()->size(), QSize(80, 80));
            QVERIFY(box(view.findChild<AvatarView*>()).bottom() < box(name).top());
            auto* email = child<QLabel>(&view, u"profileEmail"_s);
            auto* gender = child<QLabel>(&view, u"profileGender"_s);
            QVERIFY(shown(email) && shown(gender));
            QVERIFY(box(child<QLabel>(&view, u"profileOpenId"_s)).bottom() < box(email).top());
            for (QLabel* entry : { email, gender }) {
                QCOMPARE(entry->font().pixelSize(), Appearance::font(Appearance::TextStyle::Caption).pixelSize());
                QCOMPARE(entry->palette().color(QPalette::WindowText), Appearance::secondaryText());
            }
            QCOMPARE(box(gender->parentWidget()).left() - box(email->parentWidget()).right() - 1, 16);
            QCOMPARE(box(gender->parentWidget()).center().y(), box(email->parentWidget()).center().y());
            QWidget* last = child<QLabel>(&view, u"profileRegion"_s);
            last = shown(last) ? last : gender;
            const int middle = (box(email->parentWidget()).left() + box(last->parentWidget()).right()) / 2;
            QVERIFY2(qAbs(middle - box(child<QWidget>(&view, u"profileContent"_s)).center().x()) <= 1, qPrintable(QString::number(middle)));
        }
        const QList<int> dividers { 1, 1, 1, 0, 1 };
        for (qsizetype i = 0; i + 1 < blocks.size(); ++i) {
            const int above = blocks.at(i)->mapTo(&view, QPoint(0, blocks.at(i)->height())).y();
            const int below = blocks.at(i + 1)->mapTo(&view, QPoint()).y();
            QVERIFY2(above <= below, qPrintable(blocks.at(i + 1)->objectName()));
            int lines = 0;
            for (const QFrame* frame : view.findChildren<QFrame*>()) {
                const int y = frame->mapTo(&view, QPoint()).y();
                lines += frame->frameShape() == QFrame::HLine && frame->isVisibleTo(&view) && y >= above && y < below;
            }
            QVERIFY2(lines == dividers.at(i), qPrintable(u"%1 dividers above %2"_s.arg(lines).arg(blocks.at(i + 1)->objectName())));
        }
        VERIFY_SNAPSHOT(&view, u"profile"_s);
    }

    // Reading the same sessions again repaints only the session whose details changed.
    void sessionReloadTouchesOnlyChangedRows()
    {
        const QByteArray before = "[{\"id\":1,\"deviceName\":\"Desk\",\"isCurrent\":true},{\"id\":9,\"deviceName\":\"Phone\"}]";
        m_stack->server.respond(procedure("user.listSessions"), ok(before));
        ProfileView view(m_auth.get(), m_stack->auth);
        QTRY_COMPARE(sessionTitles(&view).size(), 2);
        QSignalSpy reset(sessionRows(&view), &QAbstractItemModel::modelReset);
        QSignalSpy changed(sessionRows(&view), &QAbstractItemModel::dataChanged);
        testsupport::runTask(view.viewModel()->loadSessions());
        QCOMPARE(reset.size(), 0);
        QCOMPARE(changed.size(), 0);
        m_stack->server.respond(procedure("user.listSessions"),
                                ok("[{\"id\":1,\"deviceName\":\"Desk\",\"isCurrent\":true},{\"id\":9,\"deviceName\":\"Tablet\"}]"));
        testsupport::runTask(view.viewModel()->loadSessions());
        QCOMPARE(reset.size(), 0);
        QCOMPARE(changed.size(), 1);
        QCOMPARE(changed.first().at(0).toModelIndex().row(), 1);
        QCOMPARE(sessionTitles(&view), (QStringList { u"Desk"_s, u"Tablet"_s }));
        // The current mark alone changes what a row shows (its label, its button).
        m_stack->server.respond(procedure("user.listSessions"),
                                ok("[{\"id\":1,\"deviceName\":\"Desk\"},{\"id\":9,\"deviceName\":\"Tablet\"}]"));
        testsupport::runTask(view.viewModel()->loadSessions());
        QCOMPARE(changed.size(), 2);
        QCOMPARE(changed.last().at(0).toModelIndex().row(), 0);
        QCOMPARE(rowsWith(&view, SessionListModel::IsCurrentRole), 0);
    }

    void revoke_data()
    {
        QTest::addColumn<int>("status");
        QTest::newRow("confirmed") << 200;
        QTest::newRow("already ended") << 404;
        QTest::newRow("server error") << 500;
    }

    // A session disappears only after the server ended it, or said it no longer knows
    // it; otherwise it stays and the failure is said. Its button waits while the
    // request runs.
    void revoke()
    {
        QFETCH(int, status);
        m_stack->server.respond(procedure("user.listSessions"), ok("[{\"id\":1,\"deviceName\":\"Desk\",\"isCurrent\":true},"
                                                                  "{\"id\":9,\"deviceName\":\"Phone\"}]"));
        RecordingHttpServer::Reply reply = status == 200 ? ok("{\"success\":true}")
            : status == 404 ? RecordingHttpServer::Reply { 404, "{\"error\":{\"json\":{\"message\":\"Session not found\"}}}" }
                            : RecordingHttpServer::Reply { 500, "{\"error\":\"not now\"}" };
        reply.held = true;
        m_stack->server.respond(procedure("user.revokeSession"), reply);
        ProfileView view(m_auth.get(), m_stack->auth);
        view.resize(400, 700);
        view.show();
        QTRY_COMPARE(sessionTitles(&view).size(), 2);
        // The button waits while the sign-out runs; a second press sends nothing more.
        QSignalSpy repainted(sessionRows(&view), &QAbstractItemModel::dataChanged);
        clickFirstRevoke(&view);
        QTRY_VERIFY(sessionRows(&view)->index(1, 0).data(SessionListModel::RevokingRole).toBool());
        QVERIFY(!repainted.isEmpty() && repainted.first().at(1).toModelIndex().row() >= 1);
        clickFirstRevoke(&view);
        QTRY_COMPARE(m_stack->requestCount(procedure("user.revokeSession")), 1);
        m_stack->server.release(procedure("user.revokeSession"));
        QTRY_VERIFY(!view.viewModel()->isRevoking(9));
        QCOMPARE(m_stack->requestCount(procedure("user.revokeSession")), 1);
        QCOMPARE(m_stack->input("user.revokeSession"), (QJsonObject { { u"sessionId"_s, 9 } }));
        auto* alert = child<QMessageBox>(&view, u"errorAlert"_s);
        if (status != 500) {
            QTRY_COMPARE(sessionTitles(&view), QStringList { u"Desk"_s });
            QVERIFY(!alert->isVisible());
        } else {
            QTRY_VERIFY(alert->isVisible());
            QCOMPARE(alert->text(), Localized::text("profile.revoke_failed") + u"not now"_s);
            QCOMPARE(sessionTitles(&view), (QStringList { u"Desk"_s, u"Phone"_s }));
            QVERIFY(!sessionRows(&view)->index(1, 0).data(SessionListModel::RevokingRole).toBool());
        }
    }

    // Sessions by keyboard: the current session offers nothing; another one's row
    // menu signs it out (never Return), greyed while the request runs.
    void sessionsKeyboard()
    {
        QByteArray list = "[{\"id\":1,\"deviceName\":\"Desk\",\"isCurrent\":true}";
        for (int id = 2; id <= 12; ++id)
            list += ",{\"id\":" + QByteArray::number(id) + ",\"deviceName\":\"Phone" + QByteArray::number(id) + "\",\"ip\":\"10.1.1.1\"}";
        m_stack->server.respond(procedure("user.listSessions"), ok(list + "]"));
        RecordingHttpServer::Reply reply = ok("{\"success\":true}");
        reply.held = true;
        m_stack->server.respond(procedure("user.revokeSession"), reply);
        ProfileView view(m_auth.get(), m_stack->auth);
        view.resize(400, 700);
        view.show();
        QTRY_COMPARE(sessionTitles(&view).size(), 12);
        auto* sessions = view.findChild<QListView*>(u"sessionList"_s);
        // The page scrolls, not the list: it is as tall as all its rows, before and
        // after one goes.
        const auto showsEveryRow = [sessions] {
            const int rows = sessions->model()->rowCount();
            return rows > 0 && sessions->height() == rows * sessions->visualRect(sessions->model()->index(0, 0)).height()
                && sessions->verticalScrollBar()->maximum() == 0;
        };
        QTRY_VERIFY(showsEveryRow());
        LISTKEYS(listkeys::walkWholeList(sessions));
        LISTKEYS(listkeys::tabsThrough(sessions));

        listkeys::key(sessions, Qt::Key_Home);
        QCOMPARE(sessions->currentIndex().data(Qt::AccessibleTextRole).toString(), u"Desk, "_s + Localized::text("profile.current_device"));
        QVERIFY2(!listkeys::openMenu(sessions), "this device's session has no sign-out");
        listkeys::key(sessions, Qt::Key_Down);
        const QModelIndex phone = sessions->currentIndex();
        QCOMPARE(phone.data(Qt::AccessibleTextRole).toString(), u"Phone2, 10.1.1.1"_s);
        QCOMPARE(phone.data(Qt::AccessibleDescriptionRole).toString(), Localized::text("devices.logout"));
        listkeys::key(sessions, Qt::Key_Return);
        QCOMPARE(listkeys::menuOf(sessions, true), QStringList { u"revoke (red)"_s });
        QVERIFY(listkeys::choose(sessions, u"revoke"_s));
        QTRY_COMPARE(m_stack->requestCount(procedure("user.revokeSession")), 1);
        QCOMPARE(listkeys::menuOf(sessions), QStringList { u"revoke (off) (red)"_s });
        m_stack->server.release(procedure("user.revokeSession"));
        QTRY_COMPARE(sessionTitles(&view).size(), 11);
        QTRY_VERIFY(showsEveryRow());
        // The keyboard stays where the signed-out session was, on the one after it.
        QApplication::setActiveWindow(&view);
        QTRY_VERIFY(sessions->hasFocus());
        QCOMPARE(sessions->currentIndex().data(Qt::AccessibleTextRole).toString(), u"Phone3, 10.1.1.1"_s);
        QCOMPARE(m_stack->requestCount(procedure("user.revokeSession")), 1);
        QCOMPARE(m_stack->input("user.revokeSession"), (QJsonObject { { u"sessionId"_s, 2 } }));
    }

    // The sheet starts from the user; the gender that matches no row shows none.
    void editorStartsFromTheUser()
    {
        ProfileView view(m_auth.get(), m_stack->auth);
        QVERIFY(sessionsLoaded(view));
        child<QPushButton>(&view, u"editProfileButton"_s)->click();
        ProfileEditView* sheet = view.editSheet();
        QVERIFY(sheet && sheet->isVisible());
        QCOMPARE(sheet->size(), QSize(400, 400));
        QCOMPARE(child<QLineEdit>(sheet, u"nameField"_s)->text(), u"Mei"_s);
        QCOMPARE(child<QLineEdit>(sheet, u"bioField"_s)->text(), QString());
        QCOMPARE(child<QLineEdit>(sheet, u"regionField"_s)->text(), u"Hanoi"_s);
        QCOMPARE(child<QComboBox>(sheet, u"genderPicker"_s)->currentIndex(), -1);
        // The title stands 16 above the fields.
        const auto top = [sheet](const QWidget* widget) { return widget->mapTo(sheet, QPoint()).y(); };
        auto* title = child<QLabel>(sheet, u"editTitle"_s);
        QCOMPARE(top(child<QLineEdit>(sheet, u"nameField"_s)) - (top(title) + title->height()), 16);
        QVERIFY(QTest::qWaitForWindowExposed(sheet));
        VERIFY_SNAPSHOT(sheet, u"profile-editor"_s);
        // The choices are named in the language in force, and follow it when it changes.
        auto* gender = child<QComboBox>(sheet, u"genderPicker"_s);
        const auto choices = [gender] {
            QStringList texts;
            for (int i = 0; i < gender->count(); ++i)
                texts << gender->itemText(i);
            return texts;
        };
        const auto named = [] {
            return QStringList { Localized::text("profile.gender_unset"), Localized::text("profile.gender_male"),
                                 Localized::text("profile.gender_female") };
        };
        QCOMPARE(choices(), named());
        const QStringList before = choices();
        const AppLanguage was = LocalizationManager::shared().currentLanguage();
        LocalizationManager::shared().setLanguage(was == AppLanguage::vi ? AppLanguage::en : AppLanguage::vi);
        const QStringList after = choices();
        LocalizationManager::shared().setLanguage(was);
        QVERIFY(after != before);
        QCOMPARE(choices(), before);

        QTest::keyClick(child<QLineEdit>(sheet, u"nameField"_s), Qt::Key_Escape);
        QTRY_VERIFY(!view.editSheet());
        QCOMPARE(m_stack->requestCount(procedure("user.updateProfile")), 0);
    }

    void save_data()
    {
        QTest::addColumn<int>("status");
        QTest::newRow("stored") << 200;
        QTest::newRow("refused") << 400;
    }

    // Return saves the five fields as typed. Stored: the user is read again, the header
    // shows it and the sheet closes. Refused: the server's reason in red, the fields
    // kept, the sheet open and Save usable again.
    void save()
    {
        QFETCH(int, status);
        ProfileView view(m_auth.get(), m_stack->auth);
        QVERIFY(sessionsLoaded(view));
        view.openEditor();
        QPointer<ProfileEditView> sheet = view.editSheet();
        auto* name = child<QLineEdit>(sheet, u"nameField"_s);
        name->selectAll();
        QTest::keyClicks(name, u"Mei Lin "_s);
        QTest::keyClicks(child<QLineEdit>(sheet, u"emailField"_s), u"mei@example.org"_s);
        auto* gender = child<QComboBox>(sheet, u"genderPicker"_s);
        Q_EMIT gender->activated(2);
        m_stack->server.respond(procedure("user.updateProfile"),
                                status == 200 ? ok("null") : RecordingHttpServer::Reply { 400, "{\"error\":\"Name is too long\"}" });
        m_stack->server.respond(u"/api/auth/me"_s, { 200, meReply(meiLin) });
        QTest::keyClick(name, Qt::Key_Return);
        QTRY_COMPARE(m_stack->requestCount(procedure("user.updateProfile")), 1);
        QCOMPARE(m_stack->input("user.updateProfile"),
                 (QJsonObject { { u"name"_s, u"Mei Lin "_s }, { u"bio"_s, u""_s }, { u"email"_s, u"mei@example.org"_s },
                                { u"gender"_s, u"female"_s }, { u"region"_s, u"Hanoi"_s } }));
        if (status == 200) {
            QTRY_VERIFY(!view.editSheet());
            QCOMPARE(m_stack->requestCount(u"/api/auth/me"_s), 2);
            QCOMPARE(child<ElidedLabel>(&view, u"profileName"_s)->fullText(), u"Mei Lin"_s);
            auto* bio = child<QLabel>(&view, u"profileBio"_s);
            QVERIFY(shown(bio));
            // A long bio wraps within the card, in grey.
            QVERIFY(bio->wordWrap());
            QCOMPARE(bio->palette().color(QPalette::WindowText), Appearance::secondaryText());
            // The user's words are shown as written, never read as markup: as markup they
            // would be as wide as the bare word.
            QCOMPARE(bio->text(), u"<b>hi</b>"_s);
            const int written = bio->sizeHint().width();
            bio->setText(u"hi"_s);
            QVERIFY2(written > bio->sizeHint().width() * 3 / 2, qPrintable(QString::number(written)));
        } else {
            QTRY_VERIFY(!sheet || !sheet->viewModel()->isSaving());
            QVERIFY(sheet && view.editSheet() == sheet && sheet->isVisible());
            auto* error = child<QLabel>(sheet, u"editError"_s);
            QVERIFY(shown(error));
            QCOMPARE(error->text(), u"Name is too long"_s);
            QCOMPARE(name->text(), u"Mei Lin "_s);
            QVERIFY(child<QPushButton>(sheet, u"saveButton"_s)->isEnabled());
            QCOMPARE(m_stack->requestCount(u"/api/auth/me"_s), 1);
            VERIFY_SNAPSHOT(sheet.data(), u"profile-editor-refused"_s);
        }
    }

    // Escape while the save is under way closes the sheet, yet the save ends and the
    // header shows what was stored.
    void closingTheSheetEarlyStillFinishesTheSave()
    {
        ProfileView view(m_auth.get(), m_stack->auth);
        QVERIFY(sessionsLoaded(view));
        view.openEditor();
        ProfileEditView* sheet = view.editSheet();
        m_stack->server.respond(procedure("user.updateProfile"), RecordingHttpServer::Reply { 200, envelope("null"), {}, true });
        m_stack->server.respond(u"/api/auth/me"_s, { 200, meReply(meiLin) });
        child<QPushButton>(sheet, u"saveButton"_s)->click();
        QTRY_COMPARE(m_stack->requestCount(procedure("user.updateProfile")), 1);
        QTest::keyClick(child<QLineEdit>(sheet, u"nameField"_s), Qt::Key_Escape);
        QVERIFY(!view.editSheet());
        // What the event loop would do before the reply comes.
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        m_stack->server.release(procedure("user.updateProfile"));
        QTRY_COMPARE(child<ElidedLabel>(&view, u"profileName"_s)->fullText(), u"Mei Lin"_s);
        QCOMPARE(m_stack->requestCount(u"/api/auth/me"_s), 2);
    }

    // The editor opened in the very turn a save from a closed sheet ends is a new
    // sheet, never the one on its way out, which would vanish under the person's hands.
    void reopeningAsTheSaveEndsOpensANewSheet()
    {
        ProfileView view(m_auth.get(), m_stack->auth);
        QVERIFY(sessionsLoaded(view));
        view.openEditor();
        QPointer<ProfileEditView> closed = view.editSheet();
        m_stack->server.respond(procedure("user.updateProfile"), RecordingHttpServer::Reply { 200, envelope("null"), {}, true });
        m_stack->server.respond(u"/api/auth/me"_s, { 200, meReply(meiLin) });
        child<QPushButton>(closed, u"saveButton"_s)->click();
        QTRY_COMPARE(m_stack->requestCount(procedure("user.updateProfile")), 1);
        QTest::keyClick(child<QLineEdit>(closed, u"nameField"_s), Qt::Key_Escape);
        QVERIFY(!view.editSheet());
        QPointer<ProfileEditView> reopened;
        bool opened = false;
        bool reusedTheClosedSheet = false;
        connect(closed->viewModel(), &ProfileEditViewModel::isSavingChanged, &view, [&] {
            view.openEditor();
            reopened = view.editSheet();
            opened = true;
            reusedTheClosedSheet = reopened == closed;
        }, Qt::SingleShotConnection);
        m_stack->server.release(procedure("user.updateProfile"));
        QTRY_VERIFY(opened);
        QVERIFY(!reusedTheClosedSheet);
        QTRY_VERIFY(!closed);
        QVERIFY(reopened && reopened->isVisible());
        QCOMPARE(view.editSheet(), reopened.data());
    }

    // Opening the editor again while a save it started still runs shows what is
    // being saved, still busy, not the values from before; it closes once saved.
    void reopeningWhileSavingShowsTheSave()
    {
        ProfileView view(m_auth.get(), m_stack->auth);
        QVERIFY(sessionsLoaded(view));
        auto* edit = child<QPushButton>(&view, u"editProfileButton"_s);
        edit->click();
        ProfileEditView* sheet = view.editSheet();
        auto* name = child<QLineEdit>(sheet, u"nameField"_s);
        name->selectAll();
        QTest::keyClicks(name, u"Mei Lin"_s);
        m_stack->server.respond(procedure("user.updateProfile"), RecordingHttpServer::Reply { 200, envelope("null"), {}, true });
        m_stack->server.respond(u"/api/auth/me"_s, { 200, meReply(meiLin) });
        child<QPushButton>(sheet, u"saveButton"_s)->click();
        QTRY_COMPARE(m_stack->requestCount(procedure("user.updateProfile")), 1);
        QTest::keyClick(name, Qt::Key_Escape);
        QVERIFY(!view.editSheet());
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);

        edit->click();
        ProfileEditView* again = view.editSheet();
        QVERIFY(again && again->isVisible());
        QCOMPARE(child<QLineEdit>(again, u"nameField"_s)->text(), u"Mei Lin"_s);
        QVERIFY(!child<QPushButton>(again, u"saveButton"_s)->isEnabled());
        m_stack->server.release(procedure("user.updateProfile"));
        QTRY_VERIFY(!view.editSheet());
        QCOMPARE(child<ElidedLabel>(&view, u"profileName"_s)->fullText(), u"Mei Lin"_s);
        QCOMPARE(m_stack->requestCount(procedure("user.updateProfile")), 1);
    }

    // Without a user the page is blank but still asks for the sessions.
    void blankWithoutAUser()
    {
        m_stack->server.respond(u"/api/auth/logout"_s, { 200, "{}" });
        testsupport::runTask(m_auth->logout());
        ProfileView view(m_auth.get(), m_stack->auth);
        QVERIFY(!shown(child<QWidget>(&view, u"profileContent"_s)));
        QVERIFY(sessionsLoaded(view));
        QCOMPARE(m_stack->requestCount(procedure("user.listSessions")), 1);
    }

    void securityLinksPush()
    {
        auto* profile = new ProfileView(m_auth.get(), m_stack->auth);
        NavigationStack stack(profile);
        QVERIFY(sessionsLoaded(*profile));
        child<QPushButton>(profile, u"devicesLink"_s)->click();
        QCOMPARE(stack.depth(), 2);
        QVERIFY(stack.top() != profile);
        stack.pop();
        QCOMPARE(stack.top(), profile);
    }
};

QTEST_MAIN(TestProfileScreens)
#include "tst_profile_screens.moc"
