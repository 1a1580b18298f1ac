// The lists that grow with the user's data, offscreen with 100 and 5,000 rows
// served by a local recording server: the contact list (first show, one
// presence change, memory per contact), the sensitive-words screen (first show,
// one filter keystroke) and the moments feed (first show, memory per moment).
// A presence change and a keystroke are timed in the main thread's CPU time, so
// other work on a shared machine does not count; first shows are wall-clock,
// since they wait for the local server.
// Run from the build directory: QT_QPA_PLATFORM=offscreen bench/lists/bench_lists
// "--screenshots DIR" instead saves the contact column in each language at its
// narrowest, with a contact selected.

#include "common/BenchClock.h"
#include "RecordingHttpServer.h"
#include "TaskRunner.h"

#include "network/APIClient.h"
#include "network/ClientIdService.h"
#include "network/KeychainService.h"
#include "network/MemorySecretStore.h"
#include "network/WebSocketClock.h"
#include "network/WebSocketService.h"
#include "services/ContactService.h"
#include "services/GroupService.h"
#include "services/MomentService.h"
#include "state/common/LocalizationManager.h"
#include "state/contacts/ContactListViewModel.h"
#include "state/contacts/MomentsViewModel.h"
#include "views/admin/SensitiveWordsView.h"
#include "views/contacts/ContactListModel.h"
#include "views/contacts/ContactListView.h"
#include "views/contacts/MomentsView.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QDialog>
#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>
#include <QListView>
#include <QTest>

#include <malloc.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <memory>
#include <vector>

namespace {

qint64 residentBytes()
{
    // Freed heap goes back first, so the figure is what is still held.
    malloc_trim(0);
    QFile statm(QStringLiteral("/proc/self/statm"));
    if (!statm.open(QIODevice::ReadOnly))
        return 0;
    const QList<QByteArray> fields = statm.readAll().split(' ');
    return fields.size() > 1 ? fields[1].toLongLong() * 4096 : 0;
}

double ms(const QElapsedTimer& timer)
{
    return double(timer.nsecsElapsed()) / 1e6;
}

QByteArray envelope(const QByteArray& json)
{
    return "{\"result\":{\"data\":{\"json\":" + json + "}}}";
}

QString procedure(const char* name)
{
    return QStringLiteral("/api/trpc/") + QLatin1StringView(name);
}

// Names as a mixed user base has them: Latin, accented, Chinese, Cyrillic, and
// a few that share a name.
QString personName(int i)
{
    static const QStringList given { QStringLiteral("Alice"), QStringLiteral("Émile"), QStringLiteral("张伟"),
        QStringLiteral("Иван"), QStringLiteral("bob"), QStringLiteral("Nguyễn Văn"), QStringLiteral("王芳"),
        QStringLiteral("Zoë"), QStringLiteral("李娜"), QStringLiteral("Łukasz") };
    return given.at(i % given.size()) + QStringLiteral(" %1").arg(i / 7);
}

QByteArray contactsJson(int count)
{
    QByteArray json = "[";
    for (int i = 0; i < count; ++i) {
        if (i)
            json += ',';
        json += QStringLiteral(R"({"id":%1,"userId":1,"contactId":%2,"name":"%3","online":%4,"bio":"%5"})")
                    .arg(i + 1)
                    .arg(1000 + i)
                    .arg(personName(i))
                    .arg(i % 3 == 0 ? QStringLiteral("true") : QStringLiteral("false"))
                    .arg(i % 2 ? QStringLiteral("On the road again") : QString())
                    .toUtf8();
    }
    return json + "]";
}

QByteArray wordsJson(int count)
{
    static const char* categories[] = { "politics", "porn", "violence", "ad", "other" };
    QByteArray json = "[";
    for (int i = 0; i < count; ++i) {
        if (i)
            json += ',';
        json += QStringLiteral(R"({"id":%1,"word":"word%2","category":"%3","createdAt":"2025-03-10T08:00:00Z"})")
                    .arg(i + 1)
                    .arg(i)
                    .arg(QLatin1StringView(categories[i % 5]))
                    .toUtf8();
    }
    return json + "]";
}

QByteArray momentsJson(int count)
{
    QByteArray json = "[";
    for (int i = 0; i < count; ++i) {
        if (i)
            json += ',';
        json += QStringLiteral(R"({"id":%1,"userId":%2,"content":"Day %1 of the trip: the lake was calm and the coffee strong.",)"
                               R"("images":[],"visibility":"friends","createdAt":"2025-03-10T08:00:00Z","userName":"%3",)"
                               R"("likes":[],"comments":[],"likeCount":0,"commentCount":0})")
                    .arg(i + 1)
                    .arg(1000 + i % 50)
                    .arg(personName(i))
                    .toUtf8();
    }
    return json + "]";
}

struct Client {
    RecordingHttpServer server;
    KeychainService keychain { std::make_unique<MemorySecretStore>() };
    ClientIdService clientIds { keychain };
    APIClient api { server.baseUrl(), keychain };
    ContactService contacts { api };
    GroupService groups { api };
    MomentService moments { api };
    WebSocketService ws { QStringLiteral("ws://127.0.0.1:9/ws"), WebSocketClock::system(), keychain, clientIds };
};

void settle()
{
    for (int i = 0; i < 5; ++i)
        QCoreApplication::processEvents();
}

struct ContactFigures {
    double firstShow = 0;
    double sections = 0;
    double presence = 0;
    double bytesPerContact = 0;
};

ContactFigures contactList(int count)
{
    Client client;
    client.server.respond(procedure("contacts.list"), { 200, envelope(contactsJson(count)) });
    client.server.respond(procedure("groups.list"), { 200, envelope(R"([{"id":1,"conversationId":10,"name":"Hikers","ownerId":1,"memberCount":12}])") });
    client.server.respond(procedure("contacts.getPendingRequestCount"), { 200, envelope("2") });
    const qint64 before = residentBytes();
    ContactListViewModel viewModel({ &client.contacts, &client.groups, &client.ws });
    testsupport::runTask(viewModel.loadContacts());

    ContactFigures figures;
    // From the contacts in hand to pixels: the sections, the rows and one paint.
    QElapsedTimer timer;
    timer.start();
    viewModel.buildSections();
    figures.sections = ms(timer);
    ContactListModel model(&viewModel);
    ContactListView view(&model);
    view.resize(320, 720);
    view.show();
    // The list lays its rows out on a later turn of the event loop: until then a
    // grab paints an empty list.
    QListView* list = view.list();
    while (!list->indexAt(QPoint(1, 1)).isValid())
        QCoreApplication::processEvents();
    view.grab();
    figures.firstShow = ms(timer);
    settle();
    figures.bytesPerContact = double(residentBytes() - before) / count;

    // The whole list laid out first (a batch per turn of the event loop): the change is timed alone.
    bench::runUntilIdle();
    // A contact on screen, so the change is painted for both sizes.
    int shownRow = 0;
    while (shownRow < model.rowCount() && !model.contactAt(shownRow))
        ++shownRow;
    const qint64 shownUser = model.contactAt(shownRow)->contactId;
    const QModelIndex shown = model.index(shownRow);
    std::vector<double> presence;
    for (int i = 0; i < 21; ++i) {
        const double start = bench::threadCpuMs();
        Q_EMIT client.ws.presenceSubject(shownUser, i % 2 == 0);
        // Whatever the change makes the list do, it has done before the paint.
        bench::runUntilIdle();
        list->viewport()->repaint();
        presence.push_back(bench::threadCpuMs() - start);
        if (list->indexAt(list->visualRect(shown).center()) != shown || shown.data(ContactListModel::OnlineRole).toBool() != (i % 2 == 0)) {
            std::fprintf(stderr, "contact list N=%d: the changed contact is not shown as changed\n", count);
            std::exit(1);
        }
    }
    figures.presence = bench::median(presence);
    return figures;
}

template <typename Ready> bool waitFor(Ready ready)
{
    return QTest::qWaitFor(ready, 60000);
}

QAbstractItemView* tableOf(QWidget* screen)
{
    for (QAbstractItemView* view : screen->findChildren<QAbstractItemView*>()) {
        if (view->model() && view->model()->rowCount() > 0)
            return view;
    }
    return nullptr;
}

struct WordFigures {
    double firstShow = 0;
    double keystroke = 0;
};

WordFigures sensitiveWords(int count)
{
    Client client;
    client.server.respond(procedure("admin.getSensitiveWords"), { 200, envelope(wordsJson(count)) });
    WordFigures figures;
    QElapsedTimer timer;
    timer.start();
    SensitiveWordsView view(client.api);
    view.resize(900, 700);
    view.show();
    // The screen may page its rows: the load is done once any of them show.
    waitFor([&] { return tableOf(&view) != nullptr; });
    settle();
    view.grab();
    figures.firstShow = ms(timer);

    QLineEdit* filter = view.findChild<QLineEdit*>();
    QAbstractItemView* table = tableOf(&view);
    std::vector<double> keys;
    const QString typed = QStringLiteral("word12");
    for (QChar c : typed) {
        const double start = bench::threadCpuMs();
        QTest::keyClick(filter, c.toLatin1());
        bench::runUntilIdle();
        table->viewport()->repaint();
        keys.push_back(bench::threadCpuMs() - start);
    }
    figures.keystroke = bench::median(keys);
    return figures;
}

struct MomentFigures {
    double firstShow = 0;
    double bytesPerMoment = 0;
};

MomentFigures momentsFeed(int count)
{
    Client client;
    client.server.respond(procedure("moments.list"), { 200, envelope(momentsJson(count)) });
    MomentFigures figures;
    const qint64 before = residentBytes();
    QElapsedTimer timer;
    timer.start();
    auto* viewModel = new MomentsViewModel(1, &client.moments);
    MomentsView view { std::unique_ptr<MomentsViewModel>(viewModel) };
    view.resize(420, 720);
    view.show();
    waitFor([&] { return viewModel->moments().size() >= count && !viewModel->isLoading(); });
    settle();
    view.grab();
    figures.firstShow = ms(timer);
    figures.bytesPerMoment = double(residentBytes() - before) / count;
    return figures;
}

} // namespace

// A feed with the parts a moment can have: text, pictures, place, likes and comments with a reply.
void saveMomentsScreenshots(const QString& folder)
{
    Client client;
    client.server.respond(procedure("moments.list"),
        { 200, envelope(R"([{"id":1,"userId":2,"userName":"Nguyễn Thị Minh Khai","content":"Sáng nay hồ rất yên, cà phê thì đậm. The lake was calm this morning.",)"
                        R"("images":["/uploads/a.png","/uploads/b.png","/uploads/c.png"],"location":"Hồ Tây, Hà Nội","createdAt":"2025-03-10T08:00:00Z",)"
                        R"("likes":[{"id":1,"momentId":1,"userId":1}],"likeCount":3,"commentCount":2,)"
                        R"("comments":[{"id":1,"momentId":1,"userId":3,"userName":"王芳","content":"好美！"},)"
                        R"({"id":2,"momentId":1,"userId":2,"userName":"Nguyễn Thị Minh Khai","replyToUserName":"王芳","content":"Cảm ơn bạn, lần sau đi cùng nhé."}]},)"
                        R"({"id":2,"userId":3,"userName":"王芳","content":"周末去爬山","createdAt":"2025-03-09T18:30:00Z","likeCount":0,"commentCount":0},)"
                        R"({"id":3,"userId":4,"content":"No name on this one","likeCount":12,"commentCount":0}])") });
    auto* viewModel = new MomentsViewModel(1, &client.moments);
    MomentsView view { std::unique_ptr<MomentsViewModel>(viewModel) };
    view.resize(420, 720);
    view.show();
    waitFor([&] { return !viewModel->moments().isEmpty() && !viewModel->isLoading(); });
    for (const auto& [language, name] : { std::pair { AppLanguage::zhHans, "zh" }, std::pair { AppLanguage::en, "en" },
             std::pair { AppLanguage::vi, "vi" } }) {
        LocalizationManager::shared().setLanguage(language);
        settle();
        view.grab().save(folder + QStringLiteral("/moments-%1.png").arg(QLatin1StringView(name)));
    }
}

void saveScreenshots(const QString& folder)
{
    Client client;
    client.server.respond(procedure("contacts.list"), { 200, envelope(contactsJson(14)) });
    client.server.respond(procedure("groups.list"),
        { 200, envelope(R"([{"id":1,"conversationId":10,"name":"Hikers of the long weekend trail","ownerId":1,"memberCount":12},)"
                        R"({"id":2,"conversationId":20,"name":"Quiet","ownerId":1}])") });
    client.server.respond(procedure("contacts.getPendingRequestCount"), { 200, envelope("3") });
    client.server.respond(procedure("contacts.getFriendRequests"),
        { 200, envelope(R"([{"id":1,"fromUserId":2,"toUserId":1,"status":"pending","message":"We met at the lake last Sunday","fromUserName":"Nguyễn Thị Minh Khai"},)"
                        R"({"id":2,"fromUserId":3,"toUserId":1,"status":"accepted","fromUserName":"王芳"},)"
                        R"({"id":3,"fromUserId":4,"toUserId":1,"status":"rejected","fromUserName":"Émile"}])") });
    client.server.respond(procedure("user.search"),
        { 200, envelope(R"([{"id":20,"openId":"u20-long-public-id","name":"Bo"},{"id":21,"openId":"u21","name":"Bea Lindqvist-Hernández"}])") });
    client.server.respond(procedure("contacts.sendFriendRequest"), { 200, envelope(R"({"success":true})") });
    ContactListViewModel viewModel({ &client.contacts, &client.groups, &client.ws });
    testsupport::runTask(viewModel.loadContacts());
    ContactListView view(&viewModel);
    view.resize(view.minimumWidth(), 600);
    view.show();
    view.setSelectedContact(viewModel.contacts().at(1));
    QDialog* requests = view.showFriendRequests();
    QTest::qWait(300);
    QDialog* add = view.showAddContact();
    QTest::keyClicks(add->findChild<QLineEdit*>(QStringLiteral("keywordField")), QStringLiteral("b"));
    QTest::keyClick(add->findChild<QLineEdit*>(QStringLiteral("keywordField")), Qt::Key_Return);
    QTest::qWait(300);
    for (const auto& [language, name] : { std::pair { AppLanguage::zhHans, "zh" }, std::pair { AppLanguage::en, "en" },
             std::pair { AppLanguage::vi, "vi" } }) {
        LocalizationManager::shared().setLanguage(language);
        settle();
        const QString suffix = QStringLiteral("-%1.png").arg(QLatin1StringView(name));
        view.grab().save(folder + QStringLiteral("/contacts") + suffix);
        requests->grab().save(folder + QStringLiteral("/friend-requests") + suffix);
        add->grab().save(folder + QStringLiteral("/add-contact") + suffix);
    }
    saveMomentsScreenshots(folder);
}

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    if (const qsizetype at = app.arguments().indexOf(QStringLiteral("--screenshots")); at >= 0 && at + 1 < app.arguments().size()) {
        saveScreenshots(app.arguments().at(at + 1));
        return 0;
    }
    // Warm up fonts, styles and the transliterator so the first size measured pays no start-up costs.
    contactList(10);
    sensitiveWords(10);
    momentsFeed(5);

    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    // Each size nine times: the median of each figure (the machine is shared).
    auto contactFigures = [](int count) {
        std::vector<double> firstShow, sections, presence, bytes;
        for (int run = 0; run < 9; ++run) {
            const ContactFigures figures = contactList(count);
            firstShow.push_back(figures.firstShow);
            sections.push_back(figures.sections);
            presence.push_back(figures.presence);
            bytes.push_back(figures.bytesPerContact);
        }
        return ContactFigures { bench::median(firstShow), bench::median(sections), bench::median(presence), bench::median(bytes) };
    };
    const ContactFigures smallContacts = contactFigures(100);
    const ContactFigures largeContacts = contactFigures(5000);
    for (const auto& [count, figures] : { std::pair { 100, smallContacts }, std::pair { 5000, largeContacts } }) {
        std::printf("contact list N=%d: first show %.2f ms (sections %.2f ms), presence change %.3f ms, %.0f bytes per contact\n",
            count, figures.firstShow, figures.sections, figures.presence, figures.bytesPerContact);
    }

    const WordFigures smallWords = sensitiveWords(100);
    const WordFigures largeWords = sensitiveWords(5000);
    std::printf("sensitive words N=100: first show %.2f ms, filter keystroke %.3f ms\n", smallWords.firstShow, smallWords.keystroke);
    std::printf("sensitive words N=5000: first show %.2f ms, filter keystroke %.3f ms\n", largeWords.firstShow, largeWords.keystroke);

    const MomentFigures smallMoments = momentsFeed(100);
    const MomentFigures largeMoments = momentsFeed(5000);
    std::printf("moments feed N=100: first show %.2f ms, %.0f bytes per moment\n", smallMoments.firstShow, smallMoments.bytesPerMoment);
    std::printf("moments feed N=5000: first show %.2f ms, %.0f bytes per moment\n", largeMoments.firstShow, largeMoments.bytesPerMoment);

    std::printf("contact list presence ratio 5000/100: %.2f\n", largeContacts.presence / smallContacts.presence);
    std::printf("contact list first show ratio 5000/100: %.2f\n", largeContacts.firstShow / smallContacts.firstShow);
    std::printf("words filter ratio 5000/100: %.2f\n", largeWords.keystroke / smallWords.keystroke);
    std::printf("contact list bytes per contact: %.0f\n", largeContacts.bytesPerContact);
    return 0;
}
