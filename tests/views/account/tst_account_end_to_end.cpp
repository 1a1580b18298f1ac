// The profile and privacy screens against a real morvane-server with demo data:
// the editor's fields are stored and come back in the header, another sign-in
// session really ends, and a blocked demo contact is unblocked.

#include "ClientAgainstServer.h"
#include "ServerProcess.h"
#include "ServerTestClient.h"
#include "TaskRunner.h"

#include "state/chat/AuthViewModel.h"
#include "views/account/PrivacySettingsView.h"
#include "views/account/ProfileEditView.h"
#include "views/account/ProfileView.h"
#include "views/account/SessionListModel.h"
#include "views/account/SessionRow.h"
#include "views/common/ElidedLabel.h"

#include <QLabel>
#include <QListView>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QTest>

using testsupport::ServerProcess;
using namespace Qt::StringLiterals;

namespace {

QStringList visibleTexts(QWidget* root, const QString& name)
{
    QStringList texts;
    for (auto* label : root->findChildren<ElidedLabel*>(name)) {
        if (!label->isHidden())
            texts << label->fullText();
    }
    return texts;
}

} // namespace

class TestAccountEndToEnd : public QObject {
    Q_OBJECT

    ServerProcess m_server { ServerProcess::Options { true, -1, {} } };
    std::unique_ptr<AuthViewModel> m_auth;

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY2(m_server.start(), qPrintable(m_server.errorString()));
        testsupport::useServerSignedOut(m_server);
        m_auth = std::make_unique<AuthViewModel>();
        m_auth->setUsername(u"alice"_s);
        m_auth->setPassword(u"alice123"_s);
        testsupport::runTask(m_auth->login());
        QVERIFY(m_auth->isAuthenticated());
    }

    void cleanupTestCase() { m_auth.reset(); }

    // Saved fields reach the server and come back into the header through the user
    // refresh; a refused e-mail keeps the sheet open with the server's reason.
    void editorStoresTheProfile()
    {
        ProfileView view(m_auth.get());
        view.openEditor();
        QPointer<ProfileEditView> sheet = view.editSheet();
        auto* bio = sheet->findChild<QLineEdit*>(u"bioField"_s);
        bio->clear();
        QTest::keyClicks(bio, u"Weekend hiker"_s);
        sheet->findChild<QPushButton*>(u"saveButton"_s)->click();
        QTRY_VERIFY(!sheet);
        QCOMPARE(m_auth->user()->bio, std::optional(u"Weekend hiker"_s));
        QCOMPARE(view.findChild<QLabel*>(u"profileBio"_s)->text(), u"Weekend hiker"_s);

        view.openEditor();
        sheet = view.editSheet();
        auto* email = sheet->findChild<QLineEdit*>(u"emailField"_s);
        email->clear();
        QTest::keyClicks(email, u"not an address"_s);
        sheet->findChild<QPushButton*>(u"saveButton"_s)->click();
        auto* error = sheet->findChild<QLabel*>(u"editError"_s);
        QTRY_VERIFY(!error->text().isEmpty());
        QVERIFY(sheet && sheet->isVisible());
        QVERIFY(m_auth->user()->email != std::optional(u"not an address"_s));
    }

    // Another sign-in of the same account is listed and ends for real when signed out here.
    void signsOutAnotherSession()
    {
        ApiClient other(m_server.baseUrl());
        other.login(u"alice"_s, u"alice123"_s);
        QCOMPARE(other.query(u"user.getMyProfile"_s).status, 200);
        ProfileView view(m_auth.get());
        view.resize(400, 700);
        view.show();
        auto* list = view.findChild<QListView*>(u"sessionList"_s);
        // The rows of the other sessions, each with its sign-out button.
        auto others = [list] {
            QList<int> rows;
            for (int row = 0; row < list->model()->rowCount(); ++row)
                if (!list->model()->index(row, 0).data(SessionListModel::IsCurrentRole).toBool())
                    rows << row;
            return rows;
        };
        QTRY_VERIFY(!others().isEmpty());
        const int before = int(others().size());
        QCOMPARE(list->model()->rowCount() - before, 1);
        // The newest session is listed last or first; sign out each other one until the other client is refused.
        for (int i = 0; i < before && other.query(u"user.getMyProfile"_s).status == 200; ++i) {
            const int shownNow = int(others().size());
            const QRect row = list->visualRect(list->model()->index(others().first(), 0));
            QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, SessionRow::revokeRect(row).center());
            QTRY_COMPARE(int(others().size()), shownNow - 1);
        }
        QCOMPARE(other.query(u"user.getMyProfile"_s).status, 401);
        QVERIFY(m_auth->isAuthenticated());
    }

    // The demo blacklist holds one contact; unblocking it empties the list for good.
    void unblocksTheDemoContact()
    {
        {
            PrivacySettingsView view;
            QTRY_COMPARE(visibleTexts(&view, u"blacklistName"_s), QStringList { u"李四"_s });
            view.findChild<QPushButton*>(u"unblockButton"_s)->click();
            QTRY_VERIFY(visibleTexts(&view, u"blacklistName"_s).isEmpty());
        }
        PrivacySettingsView reopened;
        QTRY_VERIFY(!reopened.findChild<QLabel*>(u"blacklistEmpty"_s)->isHidden());
        QVERIFY(visibleTexts(&reopened, u"blacklistName"_s).isEmpty());
    }
};

QTEST_MAIN(TestAccountEndToEnd)
#include "tst_account_end_to_end.moc"
