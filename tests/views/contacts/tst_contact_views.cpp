// The contacts column, its sheets and the contact detail, driven like a person
// would, against a recording HTTP server.

#include "PngBytes.h"
#include "PaintCount.h"
#include "ClientStack.h"
#include "ListKeys.h"
#include "PaintLog.h"
#include "PainterState.h"
#include "Snapshot.h"

#include "state/contacts/AddContactViewModel.h"
#include "state/contacts/ContactDetailViewModel.h"
#include "state/contacts/ContactListViewModel.h"
#include "state/contacts/FriendRequestsViewModel.h"
#include "state/common/LocalizationManager.h"
#include "state/common/NotificationName.h"
#include "state/chat/UserInfo.h"
#include "views/chat/AvatarView.h"
#include "views/common/Appearance.h"
#include "views/common/ElidedLabel.h"
#include "views/common/Icons.h"
#include "views/common/ImageLoader.h"
#include "views/common/Localized.h"
#include "views/common/RowActionDelegate.h"
#include "views/common/Spinner.h"
#include "views/contacts/AddContactView.h"
#include "views/contacts/ContactDetailView.h"
#include "views/contacts/ContactListView.h"
#include "views/contacts/ContactListModel.h"
#include "views/contacts/FriendRequestModel.h"
#include "views/contacts/FriendRequestRow.h"
#include "views/contacts/FriendRequestsView.h"
#include "views/contacts/InfoRow.h"
#include "views/contacts/ReportView.h"
#include "views/contacts/UserResultModel.h"
#include "views/contacts/UserResultRow.h"

#include <QAbstractItemModelTester>
#include <QAccessible>
#include <QJsonDocument>
#include <QJsonObject>
#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QAction>
#include <QBuffer>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QGuiApplication>
#include <QMenu>
#include <QPainter>

using namespace Qt::StringLiterals;

namespace {

const RecordingHttpServer::Reply refused { 400, R"({"error":"refused"})" };
const RecordingHttpServer::Reply done = ok(R"({"success":true})");

template <typename T> T* child(QObject* parent, const char* name)
{
    return parent->findChild<T*>(QString::fromLatin1(name));
}

struct Column {
    ClientStack stack;
    ContactListViewModel model { ContactListViewModel::Dependencies { &stack.contacts, &stack.groups, &stack.ws } };
    std::unique_ptr<ContactListView> view;

    Column(const QByteArray& contacts, const QByteArray& groups, const QByteArray& count = "0")
    {
        stack.server.respond(procedure("contacts.list"), ok(contacts));
        stack.server.respond(procedure("groups.list"), ok(groups));
        stack.server.respond(procedure("contacts.getPendingRequestCount"), ok(count));
        testsupport::runTask(model.loadContacts());
        view = std::make_unique<ContactListView>(&model);
        view->resize(300, 600);
        view->show();
    }

    QListView* list() const { return child<QListView>(view.get(), "contactList"); }
    const QAbstractItemModel* rows() const { return list()->model(); }

    // "H:text" for a header, "G:id" for a group, "C:id" for a contact, in list order.
    QStringList layout() const
    {
        QStringList items;
        for (int i = 0; i < rows()->rowCount(); ++i) {
            const QModelIndex index = rows()->index(i, 0);
            switch (ContactListModel::Kind(index.data(ContactListModel::KindRole).toInt())) {
            case ContactListModel::Kind::Group:
                items << u"G:%1"_s.arg(index.data(ContactListModel::IdRole).toLongLong());
                break;
            case ContactListModel::Kind::Contact:
                items << u"C:%1"_s.arg(index.data(ContactListModel::IdRole).toLongLong());
                break;
            case ContactListModel::Kind::Header:
                items << u"H:"_s + index.data().toString();
                break;
            }
        }
        return items;
    }

    QModelIndex itemOf(ContactListModel::Kind kind, qint64 id) const
    {
        for (int i = 0; i < rows()->rowCount(); ++i) {
            const QModelIndex index = rows()->index(i, 0);
            if (ContactListModel::Kind(index.data(ContactListModel::KindRole).toInt()) == kind
                && index.data(ContactListModel::IdRole).toLongLong() == id)
                return index;
        }
        return {};
    }

    void click(const QModelIndex& index) const
    {
        QTest::mouseClick(list()->viewport(), Qt::LeftButton, {}, list()->visualRect(index).center());
    }
};

const QByteArray threeContacts = R"([{"id":1,"userId":9,"contactId":41,"nickname":"bob","bio":""},)"
                                 R"({"id":2,"userId":9,"contactId":42,"name":"Alice","online":true,"bio":"hi"},)"
                                 R"({"id":3,"userId":9,"contactId":43,"nickname":"😀x","online":false}])";
const QByteArray twoGroups = R"([{"id":5,"conversationId":50,"name":"Hikers","ownerId":9,"memberCount":12},)"
                             R"({"id":6,"conversationId":60,"name":"Quiet","ownerId":9}])";

Contact contact(qint64 contactId)
{
    Contact c;
    c.id = 1;
    c.contactId = contactId;
    c.name = u"Bob"_s;
    return c;
}

} // namespace

class TestContactViews : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        Icons::install();
        Snapshot::holdStill();
    }

    void cleanup() { LocalizationManager::shared().setLanguage(AppLanguage::zhHans); }

    void badge_data()
    {
        QTest::addColumn<QByteArray>("count");
        QTest::addColumn<QString>("shown");
        QTest::newRow("zero") << QByteArray("0") << QString();
        QTest::newRow("below zero") << QByteArray("-3") << QString();
        QTest::newRow("one") << QByteArray("1") << u"1"_s;
        QTest::newRow("many") << QByteArray("120") << u"120"_s;
    }

    void badge()
    {
        QFETCH(QByteArray, count);
        QFETCH(QString, shown);
        Column column("[]", "[]", count);
        auto* badge = child<QLabel>(column.view.get(), "friendRequestBadge");
        QCOMPARE(badge->isVisible(), !shown.isEmpty());
        if (!shown.isEmpty())
            QCOMPARE(badge->text(), shown);
        // The button is heard as it shows: its words, then the badge's count.
        const QString words = Localized::text("friend.title");
        QCOMPARE(child<QPushButton>(column.view.get(), "friendRequestsButton")->accessibleName(), shown.isEmpty() ? words : words + u" ("_s + shown + u")"_s);
        // The bar's buttons show the pointing hand, as links do.
        for (const char* name : { "friendRequestsButton", "addContactButton" })
            QCOMPARE(child<QWidget>(column.view.get(), name)->cursor().shape(), Qt::PointingHandCursor);

        // The button's symbol, words and badge stand 4 apart.
        QList<QWidget*> parts { child<QLabel>(column.view.get(), "friendRequestsSymbol"), child<QLabel>(column.view.get(), "friendRequestsLabel") };
        if (!shown.isEmpty())
            parts << badge;
        for (qsizetype i = 0; i + 1 < parts.size(); ++i)
            QCOMPARE(parts.at(i + 1)->geometry().left() - parts.at(i)->geometry().right() - 1, 4);
        // The title and the button row under it read as one bar: both wholly in the bar colour.
        for (const char* name : { "contactListTitle", "contactTopBar" }) {
            auto* bar = child<QWidget>(column.view.get(), name);
            PaintLog barLog(bar->size());
            bar->render(&barLog);
            bool filled = false;
            for (const PaintedItem& shape : barLog.painting().shapes())
                filled = filled || (shape.brush == Appearance::barBackground() && shape.rect.contains(QRectF(bar->rect())));
            QVERIFY2(filled, name);
        }
        if (shown.isEmpty())
            return;
        QVERIFY(QTest::qWaitForWindowExposed(column.view.get()));
        VERIFY_SNAPSHOT(column.view.get(), u"contact-list-empty-badge-"_s + QString::fromLatin1(QTest::currentDataTag()).replace(u' ', u'-'));
        // The count in white semibold caption-2 type on a red capsule, 6 points at its sides.
        PaintLog log(badge->size());
        badge->render(&log);
        const std::optional<PaintedItem> digits = log.painting().text(shown);
        QVERIFY2(digits, qPrintable(log.painting().allText()));
        QCOMPARE(digits->pen, QColor(Qt::white));
        QCOMPARE(digits->font.weight(), QFont::DemiBold);
        QCOMPARE(digits->font.pixelSize(), Appearance::font(Appearance::TextStyle::Caption2).pixelSize());
        QRectF capsule;
        for (const PaintedItem& shape : log.painting().shapes()) {
            if (shape.brush == QColor(0xff, 0x3b, 0x30))
                capsule = capsule.united(shape.rect);
        }
        QVERIFY2(capsule.contains(digits->rect), qPrintable(QDebug::toString(capsule)));
        const qreal side = (capsule.width() - QFontMetricsF(digits->font).horizontalAdvance(shown)) / 2;
        QVERIFY2(qAbs(side - 6) <= 1, qPrintable(QString::number(side)));
        QVERIFY2(capsule.height() - digits->rect.height() >= 1.5, "1 above and below");
    }

    // Groups stand above every letter section, "#" included; no groups, no header.
    void listLayout_data()
    {
        QTest::addColumn<QByteArray>("groups");
        QTest::addColumn<QStringList>("expected");
        const QString header = Localized::text("contacts.groups_section") + u" (2)"_s;
        QTest::newRow("groups and contacts") << twoGroups
                                             << QStringList { u"H:"_s + header, u"G:5"_s, u"G:6"_s, u"H:#"_s, u"C:3"_s,
                                                    u"H:A"_s, u"C:2"_s, u"H:B"_s, u"C:1"_s };
        QTest::newRow("no groups") << QByteArray("[]")
                                   << QStringList { u"H:#"_s, u"C:3"_s, u"H:A"_s, u"C:2"_s, u"H:B"_s, u"C:1"_s };
    }

    void listLayout()
    {
        QFETCH(QByteArray, groups);
        QFETCH(QStringList, expected);
        Column column(threeContacts, groups);
        QCOMPARE(column.layout(), expected);
        QVERIFY(QTest::qWaitForWindowExposed(column.view.get()));
        VERIFY_SNAPSHOT(column.view.get(), u"contact-list-"_s + QString::fromLatin1(QTest::currentDataTag()).replace(u' ', u'-'));
    }

    void rowsShowTheirDetails()
    {
        Column column(threeContacts, twoGroups);
        using Kind = ContactListModel::Kind;
        const QModelIndex hikers = column.itemOf(Kind::Group, 5);
        QCOMPARE(hikers.data(ContactListModel::SubtitleRole).toString(), u"12"_s + Localized::text("contacts.members_count"));
        QCOMPARE(Localized::text("contacts.members_count"), u"人"_s);
        QCOMPARE(column.itemOf(Kind::Group, 6).data(ContactListModel::SubtitleRole).toString(), QString());

        auto online = [&column](qint64 id) { return column.itemOf(Kind::Contact, id).data(ContactListModel::OnlineRole).toBool(); };
        QVERIFY(online(2));
        QVERIFY2(!online(3), "online false is not online");
        QVERIFY(!online(1));
        QCOMPARE(column.itemOf(Kind::Contact, 2).data(ContactListModel::SubtitleRole).toString(), u"hi"_s);
        QVERIFY2(column.itemOf(Kind::Contact, 1).data(ContactListModel::SubtitleRole).toString().isEmpty(),
            "an empty bio shows a single line");
    }

    // A contact row: the 32-point avatar, 10 points, then the name in body type over the
    // bio in grey caption type, 2 apart, the block centred on the avatar; the green dot
    // 8 points square in the avatar's bottom-trailing corner. A group row is spaced 8 and
    // ends in a chevron at the trailing edge; a contact row has nothing after its text.
    void rowPainting_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<qint64>("id");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("second");
        QTest::addColumn<bool>("dot");
        using Kind = ContactListModel::Kind;
        QTest::newRow("online contact with a bio") << int(Kind::Contact) << qint64(2) << u"Alice"_s << u"hi"_s << true;
        QTest::newRow("contact with an empty bio") << int(Kind::Contact) << qint64(1) << u"bob"_s << QString() << false;
        QTest::newRow("group with its count") << int(Kind::Group) << qint64(5) << u"Hikers"_s << u"12 members"_s << false;
        QTest::newRow("group without a count") << int(Kind::Group) << qint64(6) << u"Quiet"_s << QString() << false;
    }

    void rowPainting()
    {
        QFETCH(int, kind);
        QFETCH(qint64, id);
        QFETCH(QString, name);
        QFETCH(QString, second);
        QFETCH(bool, dot);
        const bool group = ContactListModel::Kind(kind) == ContactListModel::Kind::Group;
        Icons::install();
        // In English: a line of one script has one font's ascent and descent to measure by.
        LocalizationManager::shared().setLanguage(AppLanguage::en);
        Column column(threeContacts, twoGroups);
        QStyleOptionViewItem option;
        option.initFrom(column.list()->viewport());
        option.rect = QRect(0, 0, 300, column.list()->visualRect(column.itemOf(ContactListModel::Kind(kind), id)).height());
        const QModelIndex index = column.itemOf(ContactListModel::Kind(kind), id);
        const Painting painted = PaintLog::record(option.rect.size(),
            [&](QPainter* painter) { testsupport::markPainter(painter); column.list()->itemDelegateForIndex(index)->paint(painter, option, index); });

        QVERIFY(!painted.shapes().isEmpty());
        QCOMPARE(testsupport::rowsLeavingPainterChanged(column.list()), QString());
        const QRectF avatar = painted.shapes().first().rect;
        QCOMPARE(avatar.size(), QSizeF(32, 32));
        QVERIFY2(qAbs(avatar.center().y() - option.rect.height() / 2.0) <= 1.5, qPrintable(QDebug::toString(avatar)));
        const std::optional<PaintedItem> title = painted.text(name);
        QVERIFY2(title, qPrintable(painted.allText()));
        QCOMPARE(title->font.pixelSize(), Appearance::font(Appearance::TextStyle::Body).pixelSize());
        QCOMPARE(title->pen, QApplication::palette().color(QPalette::Text));
        QVERIFY2(qAbs(title->rect.left() - avatar.right() - (group ? 8 : 10)) <= 0.5, qPrintable(QDebug::toString(title->rect)));

        QRectF block = title->rect;
        if (second.isEmpty()) {
            for (const PaintedItem& text : painted.texts())
                QVERIFY2(text.text == name || text.rect.right() <= avatar.right(), qPrintable(painted.allText()));
        } else {
            const std::optional<PaintedItem> line = painted.text(second);
            QVERIFY2(line, qPrintable(painted.allText()));
            QCOMPARE(line->font.pixelSize(), Appearance::font(Appearance::TextStyle::Caption).pixelSize());
            QCOMPARE(line->pen, Appearance::secondaryText());
            QVERIFY2(qAbs(line->rect.left() - title->rect.left()) <= 0.5, "leading-aligned");
            QVERIFY2(qAbs(line->rect.top() - title->rect.bottom() - 2) <= 1, qPrintable(QDebug::toString(line->rect)));
            block = block.united(line->rect);
        }
        QVERIFY2(qAbs(block.center().y() - avatar.center().y()) <= 1.5, qPrintable(QDebug::toString(block)));

        QRectF green;
        for (const PaintedItem& shape : painted.shapes()) {
            // (An avatar's own colour may be the same green.)
            if (shape.brush == QColor(0x34, 0xc7, 0x59) && shape.rect != avatar) {
                green = shape.rect;
                QCOMPARE(shape.pen, QColor(Qt::white));
            }
        }
        QCOMPARE(green.isValid(), dot);
        if (dot) {
            QCOMPARE(green.size(), QSizeF(8, 8));
            QCOMPARE(green.bottomRight(), avatar.bottomRight());
        }

        const QList<PaintedItem> pictures = painted.pictures();
        // The chevron is the icon theme's: on a machine without it nothing is drawn there.
        const bool themed = !Icons::icon(u"chevron.right"_s).isNull();
        QCOMPARE(pictures.size(), group && themed ? 1 : 0);
        if (group && themed) {
            const QRectF chevron = pictures.first().rect;
            QVERIFY2(chevron.left() >= title->rect.right() + 8, qPrintable(QDebug::toString(chevron)));
            QVERIFY2(chevron.right() <= option.rect.width() && chevron.right() >= option.rect.width() - 16, qPrintable(QDebug::toString(chevron)));
            QVERIFY2(qAbs(chevron.center().y() - avatar.center().y()) <= 1.5, qPrintable(QDebug::toString(chevron)));
            // A symbol set in caption type is as tall as that type's size.
            const QFont caption = Appearance::font(Appearance::TextStyle::Caption);
            const qreal captionSize = caption.pixelSize() > 0 ? caption.pixelSize() : caption.pointSizeF();
            QVERIFY2(qAbs(chevron.height() - captionSize) <= 0.5, qPrintable(QDebug::toString(chevron)));
        }
    }

    // A contact's picture asked for as its row was painted shows once it arrives,
    // with nothing else moving in the column.
    void arrivingAvatarIsDrawn()
    {
        Column column("[]", "[]");
        const QString picture = column.stack.server.baseUrl() + u"/avatars/41.png"_s;
        column.stack.server.respond(procedure("contacts.list"),
            ok(R"([{"id":1,"userId":9,"contactId":41,"name":"bob","avatar":")" + picture.toUtf8() + R"("}])"));
        testsupport::runTask(column.model.loadContacts());
        QCOMPARE(column.layout(), (QStringList { u"H:B"_s, u"C:1"_s }));
        QImage red(8, 8, QImage::Format_RGB32);
        red.fill(Qt::red);
        column.stack.server.respond(u"/avatars/41.png"_s, { 200, pngBytes(red), { { "Content-Type", "image/png" } }, true });
        QVERIFY(QTest::qWaitForWindowExposed(column.view.get()));
        QTRY_COMPARE(column.stack.server.requestsTo(u"/avatars/41.png"_s).size(), 1);
        QVERIFY(column.stack.roundTrip());
        // A picture that arrives has to ask for its row again.
        PaintCount counter(column.list()->viewport());
        QSignalSpy arrived(&ImageLoader::shared(), &ImageLoader::finished);
        column.stack.server.release(u"/avatars/41.png"_s);
        QTRY_COMPARE(arrived.count(), 1);
        // The repaint it asked for is a posted request: handled by the next turn of the loop.
        QCoreApplication::sendPostedEvents();
        QCoreApplication::processEvents();
        QVERIFY(counter.count > 0);
        const QRect row = column.list()->visualRect(column.itemOf(ContactListModel::Kind::Contact, 1));
        const QImage shown = column.list()->viewport()->grab(row).toImage();
        QCOMPARE(shown.pixelColor(8 + 18, row.height() / 2).rgb(), QColor(Qt::red).rgb());
    }

    // A group opens its conversation (by the conversation id) without selecting anything;
    // a contact row selects that contact.
    void clicks()
    {
        Column column(threeContacts, twoGroups);
        QList<QVariantMap> posted;
        NotificationCenter::shared().observe(NotificationName::navigateToConversation(), column.view.get(),
            [&posted](const QVariantMap& info) { posted.append(info); }, Qt::DirectConnection);
        QSignalSpy selected(column.view.get(), &ContactListView::selectedContactChanged);

        // A double click is a click, then a press the platform reports as a double click:
        // one opening.
        const QPoint group = column.list()->visualRect(column.itemOf(ContactListModel::Kind::Group, 5)).center();
        QTest::mouseClick(column.list()->viewport(), Qt::LeftButton, {}, group);
        QTest::mouseDClick(column.list()->viewport(), Qt::LeftButton, {}, group);
        QCOMPARE(posted.size(), 1);
        const auto conversation = userInfo::record<Conversation>(posted.at(0), u"conversation"_s);
        QVERIFY(conversation);
        QCOMPARE(conversation->id, 50);
        QCOMPARE(conversation->type, u"group"_s);
        QCOMPARE(conversation->name, std::optional<QString>(u"Hikers"_s));
        QCOMPARE(conversation->memberCount, std::optional<qint64>(12));
        QCOMPARE(selected.count(), 0);

        column.click(column.itemOf(ContactListModel::Kind::Contact, 2));
        QCOMPARE(selected.count(), 1);
        QCOMPARE(selected.at(0).at(0).value<std::optional<Contact>>()->contactId, 42);
        QCOMPARE(posted.size(), 1);
    }

    // Return on a group row opens its chat as a click does; on a contact it shows
    // the contact; the keys walk the whole column, passing over its headings.
    void keyboardOpensRows()
    {
        Column column(threeContacts, twoGroups);
        QList<QVariantMap> posted;
        NotificationCenter::shared().observe(NotificationName::navigateToConversation(), column.view.get(),
            [&posted](const QVariantMap& info) { posted.append(info); }, Qt::DirectConnection);
        QSignalSpy selected(column.view.get(), &ContactListView::selectedContactChanged);
        QListView* list = column.list();
        LISTKEYS(listkeys::walkWholeList(list));
        QCOMPARE(list->currentIndex(), column.itemOf(ContactListModel::Kind::Group, 5));
        listkeys::key(list, Qt::Key_Return);
        QCOMPARE(posted.size(), 1);
        QCOMPARE(userInfo::record<Conversation>(posted.at(0), u"conversation"_s)->id, 50);
        listkeys::key(list, Qt::Key_End);
        QCOMPARE(list->currentIndex(), column.itemOf(ContactListModel::Kind::Contact, 1));
        selected.clear();
        listkeys::key(list, Qt::Key_Enter, Qt::KeypadModifier);
        QCOMPARE(posted.size(), 1);
        QVERIFY(!selected.isEmpty());
        QCOMPARE(selected.last().at(0).value<std::optional<Contact>>()->contactId, 41);
        LISTKEYS(listkeys::tabsThrough(list));
    }

    // A letter typed in the list goes to the contacts under it, as the headers
    // letter them (张三 under Z, an emoji name under #), or to the next letter there
    // is; the same letter again goes on through its section and round. The contact
    // reached is chosen as the arrow keys choose one.
    void letterKeys_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<int>("modifiers"); // held for every key
        QTest::addColumn<QList<qint64>>("chosen"); // after each key; 0: none
        const int none = Qt::NoModifier;
        QTest::newRow("a, again and round") << u"aaa"_s << none << QList<qint64> { 42, 44, 42 };
        QTest::newRow("z reaches the transliterated name") << u"z"_s << none << QList<qint64> { 45 };
        QTest::newRow("capital, then another letter") << u"Za"_s << none << QList<qint64> { 45, 42 };
        QTest::newRow("no c: the next letter") << u"c"_s << none << QList<qint64> { 45 };
        QTest::newRow("a digit: the other names") << u"7"_s << none << QList<qint64> { 43 };
        // Keys with Ctrl or Alt are shortcuts, not letters.
        QTest::newRow("Ctrl held") << u"z"_s << int(Qt::ControlModifier) << QList<qint64> { 0 };
        QTest::newRow("Alt held") << u"z"_s << int(Qt::AltModifier) << QList<qint64> { 0 };
        // A key whose text is a control character (Escape) is no letter either.
        QTest::newRow("Escape") << u"\x1b"_s << none << QList<qint64> { 0 };
    }
    void letterKeys()
    {
        QFETCH(QString, typed);
        QFETCH(int, modifiers);
        QFETCH(QList<qint64>, chosen);
        Column column(R"([{"id":2,"userId":9,"contactId":42,"name":"Alice"},{"id":4,"userId":9,"contactId":44,"name":"ann"},)"
                      R"({"id":5,"userId":9,"contactId":45,"name":"张三"},{"id":3,"userId":9,"contactId":43,"nickname":"😀x"},)"
                      R"({"id":1,"userId":9,"contactId":41,"name":"bob"}])", twoGroups);
        for (qsizetype i = 0; i < typed.size(); ++i) {
            QTest::keyClicks(column.list(), typed.mid(i, 1), Qt::KeyboardModifiers(modifiers));
            QCOMPARE(column.view->selectedContact().value_or(Contact()).contactId, chosen.at(i));
        }
    }

    // A row reads as all it shows: a contact's name, bio and green dot, a group's
    // name and member count.
    void rowsReadAsTheyShow()
    {
        Column column(threeContacts, twoGroups);
        using Kind = ContactListModel::Kind;
        const auto heard = [&column](Kind kind, qint64 id) { return column.itemOf(kind, id).data(Qt::AccessibleTextRole).toString(); };
        QCOMPARE(heard(Kind::Contact, 2), u"Alice, hi, "_s + Localized::text("contact.online"));
        QCOMPARE(heard(Kind::Contact, 1), u"bob"_s);
        QCOMPARE(heard(Kind::Group, 5), u"Hikers, 12"_s + Localized::text("contacts.members_count"));
        QCOMPARE(heard(Kind::Group, 6), u"Quiet"_s);
    }

    // One contact going on- or offline repaints that contact's row alone; the
    // other rows, and any selection, stay as they are.
    void presenceIsOneRow_data()
    {
        QTest::addColumn<qint64>("userId");
        QTest::addColumn<bool>("online");
        QTest::addColumn<qint64>("changedId");
        QTest::newRow("bob comes online") << qint64(41) << true << qint64(1);
        QTest::newRow("alice goes offline") << qint64(42) << false << qint64(2);
        QTest::newRow("a stranger") << qint64(77) << true << qint64(0);
    }

    void presenceIsOneRow()
    {
        QFETCH(qint64, userId);
        QFETCH(bool, online);
        QFETCH(qint64, changedId);
        Column column(threeContacts, twoGroups);
        QSignalSpy changed(column.rows(), &QAbstractItemModel::dataChanged);
        QSignalSpy reset(column.rows(), &QAbstractItemModel::modelReset);
        QSignalSpy moved(column.rows(), &QAbstractItemModel::layoutChanged);
        QSignalSpy presence(&column.model, &ContactListViewModel::presenceChanged);
        Q_EMIT column.stack.ws.presenceSubject(userId, online);
        if (changedId) {
            QTRY_COMPARE(changed.count(), 1);
            const QModelIndex row = column.itemOf(ContactListModel::Kind::Contact, changedId);
            QCOMPARE(changed.at(0).at(0).toModelIndex(), row);
            QCOMPARE(changed.at(0).at(1).toModelIndex(), row);
            QCOMPARE(row.data(ContactListModel::OnlineRole).toBool(), online);
        } else {
            QVERIFY(column.stack.roundTrip());
            QCOMPARE(changed.count(), 0);
        }
        QCOMPARE(reset.count(), 0);
        QCOMPARE(moved.count(), 0);
    }

    // A reload that keeps everyone in place touches only the rows it changed; one
    // that adds somebody lays the list out again and keeps the selection.
    void reloadTouchesChangedRows_data()
    {
        QTest::addColumn<QByteArray>("before");
        QTest::addColumn<QByteArray>("reloaded");
        QTest::addColumn<QList<qint64>>("changedIds");
        QTest::addColumn<bool>("wholeList");
        QTest::newRow("nothing changed") << threeContacts << threeContacts << QList<qint64> {} << false;
        QTest::newRow("a new bio") << threeContacts
            << QByteArray(R"([{"id":1,"userId":9,"contactId":41,"nickname":"bob","bio":"away"},)"
                          R"({"id":2,"userId":9,"contactId":42,"name":"Alice","online":true,"bio":"hi"},)"
                          R"({"id":3,"userId":9,"contactId":43,"nickname":"😀x","online":false}])")
            << QList<qint64> { 1 } << false;
        QTest::newRow("somebody new") << threeContacts
            << QByteArray(R"([{"id":1,"userId":9,"contactId":41,"nickname":"bob","bio":""},)"
                          R"({"id":2,"userId":9,"contactId":42,"name":"Alice","online":true,"bio":"hi"},)"
                          R"({"id":4,"userId":9,"contactId":44,"name":"Ann"},)"
                          R"({"id":3,"userId":9,"contactId":43,"nickname":"😀x","online":false}])")
            << QList<qint64> {} << true;
        // Everyone keeps their place, but the first heading reads another letter.
        QTest::newRow("the first letter changes")
            << QByteArray(R"([{"id":1,"userId":9,"contactId":41,"nickname":"bob"},{"id":2,"userId":9,"contactId":42,"name":"Alice"}])")
            << QByteArray(R"([{"id":1,"userId":9,"contactId":41,"nickname":"bob"},{"id":2,"userId":9,"contactId":42,"name":"😀Alice"}])")
            << QList<qint64> {} << true;
    }

    void reloadTouchesChangedRows()
    {
        QFETCH(QByteArray, before);
        QFETCH(QByteArray, reloaded);
        QFETCH(QList<qint64>, changedIds);
        QFETCH(bool, wholeList);
        Column column(before, twoGroups);
        column.click(column.itemOf(ContactListModel::Kind::Contact, 2));
        QSignalSpy changed(column.rows(), &QAbstractItemModel::dataChanged);
        QSignalSpy reset(column.rows(), &QAbstractItemModel::modelReset);
        column.stack.server.respond(procedure("contacts.list"), ok(reloaded));
        testsupport::runTask(column.model.loadContacts());
        QList<qint64> changedNow;
        for (const QList<QVariant>& signal : changed)
            changedNow << signal.at(0).toModelIndex().data(ContactListModel::IdRole).toLongLong();
        QCOMPARE(changedNow, changedIds);
        QCOMPARE(reset.count(), wholeList ? 1 : 0);
        const QModelIndexList selected = column.list()->selectionModel()->selectedIndexes();
        QCOMPARE(selected.size(), 1);
        QCOMPARE(selected.first().data(ContactListModel::UserIdRole).toLongLong(), 42);
    }

    // Clicking the contact already selected shows it afresh, as it is now.
    void reselectingRefreshes()
    {
        Column column(threeContacts, twoGroups);
        QSignalSpy selected(column.view.get(), &ContactListView::selectedContactChanged);
        column.click(column.itemOf(ContactListModel::Kind::Contact, 1));
        QCOMPARE(selected.count(), 1);
        Q_EMIT column.stack.ws.presenceSubject(41, true);
        QTRY_VERIFY(column.itemOf(ContactListModel::Kind::Contact, 1).data(ContactListModel::OnlineRole).toBool());
        column.click(column.itemOf(ContactListModel::Kind::Contact, 1));
        QCOMPARE(selected.count(), 2);
        QCOMPARE(selected.at(1).at(0).value<std::optional<Contact>>()->online, std::optional<bool>(true));
        column.click(column.itemOf(ContactListModel::Kind::Contact, 2));
        QCOMPARE(selected.count(), 3);
        QCOMPARE(selected.at(2).at(0).value<std::optional<Contact>>()->contactId, 42);
    }

    void requestRows_data()
    {
        QTest::addColumn<QByteArray>("request");
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("message");
        QTest::addColumn<QString>("outcome");
        QTest::newRow("pending") << QByteArray(R"({"id":1,"fromUserId":2,"toUserId":9,"status":"pending","message":"hi","fromUserName":"Wu"})")
                                 << u"Wu"_s << true << QString();
        QTest::newRow("accepted") << QByteArray(R"({"id":1,"fromUserId":2,"toUserId":9,"status":"accepted","message":""})")
                                  << Localized::text("default.unknown") << false << Localized::text("friend.accepted");
        QTest::newRow("no status") << QByteArray(R"({"id":1,"fromUserId":2,"toUserId":9,"fromUser":{"name":"Li"}})")
                                   << u"Li"_s << false << Localized::text("friend.rejected");
        const QString longName = u"Wu"_s + QString(90, u'x');
        QTest::newRow("pending, long name") << (R"({"id":1,"fromUserId":2,"toUserId":9,"status":"pending","fromUserName":")" + longName.toUtf8() + R"("})")
                                            << longName << false << QString();
        QTest::newRow("accepted, long name") << (R"({"id":1,"fromUserId":2,"toUserId":9,"status":"accepted","fromUserName":")" + longName.toUtf8() + R"("})")
                                             << longName << false << Localized::text("friend.accepted");
        QTest::newRow("other status") << QByteArray(R"({"id":1,"fromUserId":2,"toUserId":9,"status":"ignored"})")
                                      << Localized::text("default.unknown") << false << Localized::text("friend.rejected");
    }

    void requestRows()
    {
        QFETCH(QByteArray, request);
        QFETCH(QString, name);
        QFETCH(bool, message);
        QFETCH(QString, outcome);
        Column column("[]", "[]", "1");
        column.stack.server.respond(procedure("contacts.getFriendRequests"), ok("[" + request + "]"));
        QDialog* sheet = column.view->showFriendRequests();
        auto* list = child<QListView>(sheet, "requestList");
        // A flat list, consistent in every answer it gives a view.
        QAbstractItemModelTester modelChecks(list->model(), QAbstractItemModelTester::FailureReportingMode::QtTest);
        QTRY_COMPARE(list->model()->rowCount(), 1);
        const QModelIndex row = list->model()->index(0, 0);
        QCOMPARE(list->model()->rowCount(row), 0);
        QCOMPARE(row.data().toString(), name);
        QCOMPARE(!row.data(FriendRequestModel::MessageRole).toString().isEmpty(), message);
        using RowState = FriendRequestsViewModel::RowState;
        const auto state = RowState(row.data(FriendRequestModel::StateRole).toInt());
        QCOMPARE(state == RowState::Pending, outcome.isEmpty());
        if (!outcome.isEmpty())
            QCOMPARE(Localized::text(state == RowState::Accepted ? "friend.accepted" : "friend.rejected"), outcome);

        // As painted: the avatar, 10 points, the name in body type over the message in
        // grey caption type, 2 apart; then either the two buttons, 8 apart, the main one
        // first, or the outcome in grey caption type, at the trailing edge.
        QStyleOptionViewItem option;
        option.initFrom(list->viewport());
        option.rect = QRect(QPoint(), list->visualRect(row).size());
        const Painting painted = PaintLog::record(option.rect.size(),
            [&](QPainter* painter) { testsupport::markPainter(painter); list->itemDelegateForIndex(row)->paint(painter, option, row); });
        QCOMPARE(testsupport::rowsLeavingPainterChanged(list), QString());
        QVERIFY(!painted.shapes().isEmpty());
        const QRectF avatar = painted.shapes().first().rect;
        // The name as shown: shortened when it does not fit.
        std::optional<PaintedItem> title;
        for (const PaintedItem& text : painted.texts()) {
            if (!title && text.text.startsWith(name.left(4)) && text.rect.left() > avatar.right())
                title = text;
        }
        QVERIFY2(title, qPrintable(painted.allText()));
        QCOMPARE(title->font.pixelSize(), Appearance::font(Appearance::TextStyle::Body).pixelSize());
        QCOMPARE(title->pen, QApplication::palette().color(QPalette::Text));
        QVERIFY2(qAbs(title->rect.left() - avatar.right() - 10) <= 0.5, qPrintable(QDebug::toString(title->rect)));
        if (message) {
            const std::optional<PaintedItem> line = painted.text(u"hi"_s);
            QVERIFY2(line, qPrintable(painted.allText()));
            QCOMPARE(line->font.pixelSize(), Appearance::font(Appearance::TextStyle::Caption).pixelSize());
            QCOMPARE(line->pen, Appearance::secondaryText());
            QVERIFY2(qAbs(line->rect.top() - title->rect.bottom() - 2) <= 1, qPrintable(QDebug::toString(line->rect)));
            QVERIFY2(qAbs(title->rect.united(line->rect).center().y() - avatar.center().y()) <= 1.5, "the texts centred on the avatar");
        }
        if (outcome.isEmpty()) {
            const std::optional<PaintedItem> accept = painted.text(Localized::text("friend.accept"));
            const std::optional<PaintedItem> reject = painted.text(Localized::text("friend.reject"));
            QVERIFY2(accept && reject, qPrintable(painted.allText()));
            QRectF acceptButton;
            QRectF rejectButton;
            for (const PaintedItem& shape : painted.shapes()) {
                if (shape.rect.contains(accept->rect) && shape.rect != avatar)
                    acceptButton = shape.rect;
                if (shape.rect.contains(reject->rect) && shape.rect != avatar)
                    rejectButton = shape.rect;
            }
            QVERIFY(acceptButton.isValid() && rejectButton.isValid());
            // Accept is the prominent one: filled with the accent, in white; Reject in the
            // plain style.
            for (const PaintedItem& shape : painted.shapes()) {
                if (shape.rect == acceptButton)
                    QCOMPARE(shape.brush, Appearance::accent());
                if (shape.rect == rejectButton)
                    QCOMPARE(shape.brush, Appearance::controlBackground());
            }
            QCOMPARE(accept->pen, QColor(Qt::white));
            QCOMPARE(reject->pen, QApplication::palette().color(QPalette::ButtonText));
            QVERIFY2(qAbs(rejectButton.left() - acceptButton.right() - 8) <= 1.5, qPrintable(QDebug::toString(rejectButton)));
            QVERIFY2(rejectButton.right() <= option.rect.width() && rejectButton.right() >= option.rect.width() - 20, qPrintable(QDebug::toString(rejectButton)));
            QVERIFY2(acceptButton.left() - title->rect.right() >= 9.5, "the buttons follow the texts, 10 after them");
        } else {
            const std::optional<PaintedItem> word = painted.text(outcome);
            QVERIFY2(word, qPrintable(painted.allText()));
            QCOMPARE(word->font.pixelSize(), Appearance::font(Appearance::TextStyle::Caption).pixelSize());
            QCOMPARE(word->pen, Appearance::secondaryText());
            QVERIFY2(word->rect.right() <= option.rect.width() && word->rect.right() >= option.rect.width() - 20, qPrintable(QDebug::toString(word->rect)));
            QVERIFY2(word->rect.left() - title->rect.right() >= 9.5, "the outcome follows the name, 10 after it");
        }
        // Each kind of row once: the other rows draw as one of these.
        if (QTest::currentDataTag() == "accepted, long name"_ba || QTest::currentDataTag() == "other status"_ba)
            return;
        QVERIFY(QTest::qWaitForWindowExposed(sheet));
        VERIFY_SNAPSHOT(sheet, u"friend-requests-"_s + QString::fromLatin1(QTest::currentDataTag()).replace(u", "_s, u"-"_s).replace(u' ', u'-'));
    }

    // No requests: the symbol 40 points tall, 12 above the grey words, both centred.
    void emptyRequests()
    {
        Icons::install();
        Column column("[]", "[]", "0");
        column.stack.server.respond(procedure("contacts.getFriendRequests"), ok("[]"));
        QDialog* sheet = column.view->showFriendRequests();
        auto* empty = child<QWidget>(sheet, "emptyRequests");
        QTRY_VERIFY(empty->isVisible());
        QLabel* words = nullptr;
        QLabel* symbol = nullptr;
        for (QLabel* label : empty->findChildren<QLabel*>()) {
            if (label->text() == Localized::text("friend.no_requests"))
                words = label;
            else if (!label->property("symbol").toString().isEmpty())
                symbol = label;
        }
        QVERIFY(words && symbol);
        QCOMPARE(symbol->property("symbol").toString(), u"person.2.slash"_s);
        QCOMPARE(words->palette().color(QPalette::WindowText), Appearance::secondaryText());
        if (!symbol->pixmap().isNull())
            QCOMPARE(symbol->pixmap().deviceIndependentSize(), QSizeF(40, 40));
        QCOMPARE(words->geometry().top() - symbol->geometry().bottom() - 1, 12);
        QVERIFY(qAbs(words->geometry().center().x() - empty->width() / 2) <= 1);
        QVERIFY(qAbs(symbol->geometry().center().x() - empty->width() / 2) <= 1);
        // Its title bar: the title in headline type, then Close at the far end.
        auto* close = child<QPushButton>(sheet, "closeButton");
        QLabel* title = nullptr;
        for (QLabel* label : sheet->findChildren<QLabel*>()) {
            if (label->text() == Localized::text("friend.title"))
                title = label;
        }
        QVERIFY(title);
        QCOMPARE(title->font().pixelSize(), Appearance::font(Appearance::TextStyle::Headline).pixelSize());
        const QWidget* view = close->parentWidget();
        QVERIFY(close->geometry().left() > title->geometry().right());
        QVERIFY2(view->width() - close->geometry().right() <= 24, qPrintable(QDebug::toString(close->geometry())));
        QVERIFY(QTest::qWaitForWindowExposed(sheet));
        VERIFY_SNAPSHOT(sheet, u"friend-requests-none"_s);
    }

    // Requests on their way: a turning spinner alone, centred under the title bar.
    void requestsOnTheirWay()
    {
        Column column("[]", "[]", "1");
        column.stack.server.respond(procedure("contacts.getFriendRequests"),
            { 200, envelope(R"([{"id":3,"fromUserId":2,"toUserId":9,"status":"pending","fromUserName":"Wu"}])"), {}, true });
        QDialog* sheet = column.view->showFriendRequests();
        QVERIFY(QTest::qWaitForWindowExposed(sheet));
        QTRY_COMPARE(column.stack.requestCount(procedure("contacts.getFriendRequests")), 1);
        auto* spinner = sheet->findChild<Spinner*>();
        auto* list = child<QListView>(sheet, "requestList");
        QVERIFY(spinner && spinner->isVisible());
        QVERIFY(!list->isVisible());
        QVERIFY(!child<QWidget>(sheet, "emptyRequests")->isVisible());
        QVERIFY(qAbs(spinner->mapTo(sheet, spinner->rect().center()).x() - sheet->width() / 2) <= 1);
        QVERIFY(spinner->mapTo(sheet, QPoint()).y() > child<QPushButton>(sheet, "closeButton")->mapTo(sheet, QPoint(0, 0)).y());
        column.stack.server.release(procedure("contacts.getFriendRequests"));
        QTRY_VERIFY(list->isVisible());
        QVERIFY(!spinner->isVisible());
        QCOMPARE(list->model()->rowCount(), 1);
    }

    // Answering in the sheet turns the row into its final word and reloads the
    // column behind it, badge included.
    void acceptingReloadsTheColumn()
    {
        Column column("[]", "[]", "1");
        column.stack.server.respond(procedure("contacts.getFriendRequests"),
            ok(R"([{"id":3,"fromUserId":2,"toUserId":9,"status":"pending","fromUserName":"Wu"}])"));
        column.stack.server.respond(procedure("contacts.acceptFriendRequest"), done);
        QDialog* sheet = column.view->showFriendRequests();
        QVERIFY(sheet->isVisible());
        auto* list = child<QListView>(sheet, "requestList");
        QTRY_COMPARE(list->model()->rowCount(), 1);
        const QModelIndex row = list->model()->index(0, 0);
        column.stack.server.respond(procedure("contacts.list"), ok(R"([{"id":1,"userId":9,"contactId":2,"name":"Wu"}])"));
        column.stack.server.respond(procedure("contacts.getPendingRequestCount"), ok("0"));
        column.stack.server.respondOnce(procedure("contacts.acceptFriendRequest"), { 200, envelope(R"({"success":true})"), {}, true });
        const QRect accept = FriendRequestRow::acceptRect(list->visualRect(row));
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, accept.center());
        // While the answer is on its way the buttons are greyed and a second press sends nothing.
        QTRY_VERIFY(row.data(FriendRequestModel::AnsweringRole).toBool());
        QTRY_COMPARE(column.stack.requestCount(procedure("contacts.acceptFriendRequest")), 1);
        QCOMPARE(column.stack.lastInput("contacts.acceptFriendRequest"), QJsonValue(QJsonObject { { u"requestId"_s, 3 } }));
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, accept.center());
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, FriendRequestRow::rejectRect(list->visualRect(row)).center());
        column.stack.server.release(procedure("contacts.acceptFriendRequest"));
        QTRY_COMPARE(row.data(FriendRequestModel::StateRole).toInt(), int(FriendRequestsViewModel::RowState::Accepted));
        QVERIFY(!row.data(FriendRequestModel::AnsweringRole).toBool());
        QCOMPARE(column.stack.requestCount(procedure("contacts.acceptFriendRequest")), 1);
        QCOMPARE(column.stack.requestCount(procedure("contacts.rejectFriendRequest")), 0);
        QTRY_COMPARE(column.layout(), (QStringList { u"H:W"_s, u"C:1"_s }));
        QVERIFY(child<QLabel>(column.view.get(), "friendRequestBadge")->isHidden());

        QPointer<QDialog> closing(sheet);
        QTest::keyClick(sheet, Qt::Key_Escape);
        QTRY_VERIFY(!closing);
    }

    // An answer changes its own row of the sheet and no other: no reset, no other
    // row repainted, also when the server refuses it.
    void answeringOneRequestChangesItsRowAlone_data()
    {
        QTest::addColumn<int>("row");
        QTest::addColumn<bool>("accept");
        QTest::addColumn<bool>("succeeds");
        QTest::newRow("accept the first") << 0 << true << true;
        QTest::newRow("accept the middle one") << 1 << true << true;
        QTest::newRow("reject the last") << 2 << false << true;
        QTest::newRow("refused accept") << 1 << true << false;
    }
    void answeringOneRequestChangesItsRowAlone()
    {
        QFETCH(int, row);
        QFETCH(bool, accept);
        QFETCH(bool, succeeds);
        Column column("[]", "[]", "3");
        column.stack.server.respond(procedure("contacts.getFriendRequests"),
            ok(R"([{"id":3,"fromUserId":2,"toUserId":9,"status":"pending","fromUserName":"Wu"},)"
               R"({"id":4,"fromUserId":5,"toUserId":9,"status":"pending","fromUserName":"Li"},)"
               R"({"id":5,"fromUserId":6,"toUserId":9,"status":"pending","fromUserName":"Bo"}])"));
        const QString path = procedure(accept ? "contacts.acceptFriendRequest" : "contacts.rejectFriendRequest");
        column.stack.server.respond(path, succeeds ? done : RecordingHttpServer::Reply { 500, R"({"error":"no"})" });
        QPointer<QDialog> sheet(column.view->showFriendRequests());
        QVERIFY(sheet);
        auto* list = child<QListView>(sheet, "requestList");
        QVERIFY(list);
        QTRY_COMPARE(list->model()->rowCount(), 3);
        QSignalSpy changed(list->model(), &QAbstractItemModel::dataChanged);
        QSignalSpy resets(list->model(), &QAbstractItemModel::modelReset);
        QSignalSpy layouts(list->model(), &QAbstractItemModel::layoutChanged);
        const QRect rect = list->visualRect(list->model()->index(row, 0));
        const QRect button = accept ? FriendRequestRow::acceptRect(rect) : FriendRequestRow::rejectRect(rect);
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, button.center());
        QTRY_COMPARE(column.stack.requestCount(path), 1);
        // Answering shown, then taken away, then (after a success) the final word.
        QTRY_COMPARE(changed.count(), succeeds ? 3 : 2);
        QVERIFY(column.stack.roundTrip());
        QCOMPARE(changed.count(), succeeds ? 3 : 2);
        QCOMPARE(resets.count(), 0);
        QCOMPARE(layouts.count(), 0);
        for (const QList<QVariant>& signal : changed) {
            QCOMPARE(signal.at(0).toModelIndex().row(), row);
            QCOMPARE(signal.at(1).toModelIndex().row(), row);
        }
        using RowState = FriendRequestsViewModel::RowState;
        for (int other = 0; other < 3; ++other) {
            const auto state = RowState(list->model()->index(other, 0).data(FriendRequestModel::StateRole).toInt());
            const RowState expected = other != row || !succeeds ? RowState::Pending : accept ? RowState::Accepted : RowState::Rejected;
            QCOMPARE(int(state), int(expected));
        }
    }

    // Every request row by keyboard: Return accepts, the row menu holds accept and
    // decline greyed as the buttons are while an answer is on its way, answered rows
    // offer nothing, and screen readers hear the row and its buttons.
    void requestKeyboard()
    {
        Column column("[]", "[]", "1");
        QByteArray requests = R"([{"id":100,"fromUserId":2,"toUserId":9,"status":"accepted","fromUserName":"Old"})";
        for (int id = 1; id <= 30; ++id)
            requests += QString::asprintf(
                ",{\"id\":%d,\"fromUserId\":2,\"toUserId\":9,\"status\":\"pending\",\"message\":\"hi\",\"fromUserName\":\"U%d\"}", id, id).toUtf8();
        column.stack.server.respond(procedure("contacts.getFriendRequests"), ok(requests + "]"));
        column.stack.server.respond(procedure("contacts.acceptFriendRequest"), done);
        column.stack.server.respond(procedure("contacts.rejectFriendRequest"), done);
        QDialog* sheet = column.view->showFriendRequests();
        auto* list = child<QListView>(sheet, "requestList");
        QTRY_COMPARE(list->model()->rowCount(), 31);
        LISTKEYS(listkeys::walkWholeList(list));
        LISTKEYS(listkeys::tabsThrough(list));

        const QModelIndex answered = list->model()->index(0, 0);
        QCOMPARE(answered.data(Qt::AccessibleTextRole).toString(), u"Old, "_s + Localized::text("friend.accepted"));
        QCOMPARE(answered.data(Qt::AccessibleDescriptionRole).toString(), QString());
        list->setCurrentIndex(answered);
        QVERIFY2(!listkeys::openMenu(list), "an answered request has no buttons, so no menu");
        listkeys::key(list, Qt::Key_Return);

        listkeys::key(list, Qt::Key_Down);
        const QModelIndex first = list->currentIndex();
        QCOMPARE(first.data(Qt::AccessibleTextRole).toString(), u"U1, hi"_s);
        QCOMPARE(first.data(Qt::AccessibleDescriptionRole).toString(),
                 Localized::text("friend.accept") + u", "_s + Localized::text("friend.reject"));
        QCOMPARE(listkeys::menuOf(list), (QStringList { u"accept"_s, u"reject"_s }));
        column.stack.server.respondOnce(procedure("contacts.acceptFriendRequest"), { 200, envelope(R"({"success":true})"), {}, true });
        listkeys::key(list, Qt::Key_Return);
        QTRY_COMPARE(column.stack.requestCount(procedure("contacts.acceptFriendRequest")), 1);
        QCOMPARE(column.stack.lastInput("contacts.acceptFriendRequest"), QJsonValue(QJsonObject { { u"requestId"_s, 1 } }));
        QVERIFY(first.data(FriendRequestModel::AnsweringRole).toBool());
        QCOMPARE(listkeys::menuOf(list, true), (QStringList { u"accept (off)"_s, u"reject (off)"_s }));
        QVERIFY(listkeys::choose(list, u"reject"_s));
        QSignalSpy run(qobject_cast<RowActionDelegate*>(list->itemDelegate()), &RowActionDelegate::actionTriggered);
        listkeys::key(list, Qt::Key_Return);
        QCOMPARE(run.count(), 0);
        QCOMPARE(first.data(Qt::AccessibleDescriptionRole).toString(), QString());
        column.stack.server.release(procedure("contacts.acceptFriendRequest"));
        QTRY_COMPARE(first.data(FriendRequestModel::StateRole).toInt(), int(FriendRequestsViewModel::RowState::Accepted));
        QCOMPARE(column.stack.requestCount(procedure("contacts.acceptFriendRequest")), 1);
        QCOMPARE(column.stack.requestCount(procedure("contacts.rejectFriendRequest")), 0);

        // The next request declined from its menu; Return never declines.
        listkeys::key(list, Qt::Key_Down);
        QVERIFY(listkeys::choose(list, u"reject"_s));
        QTRY_COMPARE(column.stack.requestCount(procedure("contacts.rejectFriendRequest")), 1);
        QCOMPARE(column.stack.lastInput("contacts.rejectFriendRequest"), QJsonValue(QJsonObject { { u"requestId"_s, 2 } }));
        QCOMPARE(column.stack.requestCount(procedure("contacts.acceptFriendRequest")), 1);
    }

    void addContactSheet()
    {
        Column column("[]", "[]");
        column.stack.server.respondOnce(procedure("user.search"), ok("[]"));
        column.stack.server.respond(procedure("user.search"),
            ok(R"([{"id":20,"openId":"u20","name":"Bo"},{"id":21,"openId":"u21","name":"Bea"}])"));
        column.stack.server.respond(procedure("contacts.sendFriendRequest"), done);
        QPointer<QDialog> sheet(column.view->showAddContact());
        auto* field = child<QLineEdit>(sheet, "keywordField");
        auto* search = child<QPushButton>(sheet, "searchButton");
        auto* error = child<QLabel>(sheet, "addContactError");
        QVERIFY(!search->isEnabled());
        QTest::keyClick(field, Qt::Key_Return);
        QVERIFY(column.stack.roundTrip());
        QCOMPARE(column.stack.requestCount(procedure("user.search")), 0);
        QVERIFY2(sheet && sheet->isVisible(), "Return in the field never closes the sheet");

        QTest::keyClicks(field, u"b"_s);
        QVERIFY(search->isEnabled());
        QTest::keyClick(field, Qt::Key_Return);
        QVERIFY2(!search->isEnabled(), "no second search while one runs");
        auto* spinner = sheet->findChild<Spinner*>();
        QVERIFY(spinner);
        QVERIFY2(spinner->isVisible(), "a search on its way shows the spinner");
        QTRY_VERIFY(error->isVisible());
        QVERIFY(search->isEnabled());
        QVERIFY(!spinner->isVisible());
        {
            // As laid out: the headline title with Close at the far end, a divider, the
            // field with Search after it, the red words under them, centred, then the list.
            const auto box = [&sheet](const QWidget* widget) { return QRect(widget->mapTo(sheet, QPoint()), widget->size()); };
            QLabel* title = nullptr;
            for (QLabel* label : sheet->findChildren<QLabel*>()) {
                if (label->text() == Localized::text("add.title"))
                    title = label;
            }
            QVERIFY(title);
            QCOMPARE(title->font().pixelSize(), Appearance::font(Appearance::TextStyle::Headline).pixelSize());
            auto* close = child<QPushButton>(sheet, "closeButton");
            QVERIFY(box(close).left() > box(title).right());
            QVERIFY2(sheet->width() - box(close).right() <= 24, qPrintable(QDebug::toString(box(close))));
            QFrame* line = nullptr;
            for (QFrame* frame : sheet->findChildren<QFrame*>()) {
                if (frame->frameShape() == QFrame::HLine && frame->isVisible())
                    line = frame;
            }
            QVERIFY(line);
            QVERIFY(box(line).top() > box(close).bottom() && box(line).bottom() < box(field).top());
            QVERIFY(box(search).left() > box(field).right());
            QCOMPARE(error->palette().color(QPalette::WindowText), QColor(0xff, 0x3b, 0x30));
            QVERIFY(box(error).top() > box(field).bottom());
            QVERIFY(error->alignment() & Qt::AlignHCenter);
            QVERIFY(box(child<QListView>(sheet, "resultList")).top() > box(error).bottom());
        }
        QCOMPARE(error->text(), Localized::text("add.not_found"));
        QVERIFY(QTest::qWaitForWindowExposed(sheet));
        VERIFY_SNAPSHOT(sheet, u"add-contact-not-found"_s);
        // The field's Return searches; the button does not search a second time as the sheet's default.
        QVERIFY(column.stack.roundTrip());
        QCOMPARE(column.stack.requestCount(procedure("user.search")), 1);
        QVERIFY(sheet && sheet->isVisible());

        auto* list = child<QListView>(sheet, "resultList");
        // A flat list, consistent in every answer it gives a view.
        QAbstractItemModelTester modelChecks(list->model(), QAbstractItemModelTester::FailureReportingMode::QtTest);
        QTest::mouseClick(search, Qt::LeftButton);
        QTRY_COMPARE(list->model()->rowCount(), 2);
        QVERIFY(error->isHidden());
        const QModelIndex bo = list->model()->index(0, 0);
        const QModelIndex bea = list->model()->index(1, 0);
        QCOMPARE(bo.data(UserResultModel::OpenIdRole).toString(), u"ID: u20"_s);
        // Pressed twice while the request is on its way: one request, then "sent".
        column.stack.server.respondOnce(procedure("contacts.sendFriendRequest"), { 200, envelope(R"({"success":true})"), {}, true });
        const QPoint add = UserResultRow::addRect(list->visualRect(bo)).center();
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, add);
        QTRY_VERIFY(bo.data(UserResultModel::SendingRole).toBool());
        QTRY_COMPARE(column.stack.requestCount(procedure("contacts.sendFriendRequest")), 1);
        QCOMPARE(column.stack.lastInput("contacts.sendFriendRequest"), QJsonValue(QJsonObject { { u"toUserId"_s, 20 } }));
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, add);
        column.stack.server.release(procedure("contacts.sendFriendRequest"));
        QTRY_VERIFY(bo.data(UserResultModel::SentRole).toBool());
        QVERIFY(!bo.data(UserResultModel::SendingRole).toBool());
        QVERIFY(!bea.data(UserResultModel::SentRole).toBool());
        QCOMPARE(column.stack.requestCount(procedure("contacts.sendFriendRequest")), 1);
        // As painted: the avatar, 10 points, the name in body type over "ID: …" in grey
        // caption type, 2 apart; at the trailing edge "sent" in grey caption type, or the
        // prominent Add button.
        QCOMPARE(testsupport::rowsLeavingPainterChanged(list), QString());
        for (const QModelIndex& index : { bo, bea }) {
            QStyleOptionViewItem option;
            option.initFrom(list->viewport());
            option.rect = QRect(QPoint(), list->visualRect(index).size());
            const Painting painted = PaintLog::record(option.rect.size(),
                [&](QPainter* painter) { testsupport::markPainter(painter); list->itemDelegateForIndex(index)->paint(painter, option, index); });
            QVERIFY(!painted.shapes().isEmpty());
            const QRectF avatar = painted.shapes().first().rect;
            const std::optional<PaintedItem> name = painted.text(index.data().toString());
            const std::optional<PaintedItem> id = painted.text(index.data(UserResultModel::OpenIdRole).toString());
            QVERIFY2(name && id, qPrintable(painted.allText()));
            QCOMPARE(name->font.pixelSize(), Appearance::font(Appearance::TextStyle::Body).pixelSize());
            QVERIFY2(qAbs(name->rect.left() - avatar.right() - 10) <= 0.5, qPrintable(QDebug::toString(name->rect)));
            QCOMPARE(id->font.pixelSize(), Appearance::font(Appearance::TextStyle::Caption).pixelSize());
            QCOMPARE(id->pen, Appearance::secondaryText());
            QVERIFY2(qAbs(id->rect.top() - name->rect.bottom() - 2) <= 1, qPrintable(QDebug::toString(id->rect)));
            QVERIFY2(qAbs(id->rect.left() - name->rect.left()) <= 0.5, "leading-aligned");
            const std::optional<PaintedItem> trailing
                = painted.text(Localized::text(index == bo ? "add.sent" : "add.add_button"));
            QVERIFY2(trailing, qPrintable(painted.allText()));
            QCOMPARE(trailing->font.pixelSize(), Appearance::font(Appearance::TextStyle::Caption).pixelSize());
            if (index == bo) {
                QCOMPARE(trailing->pen, Appearance::secondaryText());
                QVERIFY2(trailing->rect.right() <= option.rect.width() && trailing->rect.right() >= option.rect.width() - 20,
                    qPrintable(QDebug::toString(trailing->rect)));
            } else {
                QRectF button;
                QColor fill;
                // The button is the smallest shape around its words (the row's own tint holds it too).
                for (const PaintedItem& shape : painted.shapes()) {
                    if (shape.rect.contains(trailing->rect) && shape.rect != avatar
                        && (!button.isValid() || shape.rect.width() < button.width())) {
                        button = shape.rect;
                        fill = shape.brush;
                    }
                }
                QVERIFY(button.isValid());
                QCOMPARE(fill, Appearance::accent());
                QVERIFY2(button.right() <= option.rect.width() && button.right() >= option.rect.width() - 20, qPrintable(QDebug::toString(button)));
            }
        }
        VERIFY_SNAPSHOT(sheet, u"add-contact-found"_s);
        // A press on a sent row's place sends nothing.
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, add);
        QVERIFY(column.stack.roundTrip());
        QCOMPARE(column.stack.requestCount(procedure("contacts.sendFriendRequest")), 1);

        // A failed send keeps the button and shows the error.
        column.stack.server.respond(procedure("contacts.sendFriendRequest"), refused);
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, UserResultRow::addRect(list->visualRect(bea)).center());
        QTRY_COMPARE(error->text(), u"refused"_s);
        QCOMPARE(column.stack.lastInput("contacts.sendFriendRequest"), QJsonValue(QJsonObject { { u"toUserId"_s, 21 } }));
        QVERIFY(error->isVisible());
        QVERIFY(!bea.data(UserResultModel::SentRole).toBool());
        QVERIFY(!bea.data(UserResultModel::SendingRole).toBool());
        QTest::mouseClick(child<QPushButton>(sheet, "closeButton"), Qt::LeftButton);
        QTRY_VERIFY2(!sheet || !sheet->isVisible(), "Close shuts the sheet");
    }

    // Found users by keyboard: Return sends the request, Add is greyed in the row
    // menu while it is on its way, and a sent row offers nothing more.
    void searchResultKeyboard()
    {
        Column column("[]", "[]");
        QByteArray users = "[";
        for (int id = 1; id <= 25; ++id)
            users += QString::asprintf("%s{\"id\":%d,\"openId\":\"u%d\",\"name\":\"N%d\"}", id > 1 ? "," : "", id, id, id).toUtf8();
        column.stack.server.respond(procedure("user.search"), ok(users + "]"));
        column.stack.server.respond(procedure("contacts.sendFriendRequest"), done);
        QDialog* sheet = column.view->showAddContact();
        auto* field = child<QLineEdit>(sheet, "keywordField");
        QTest::keyClicks(field, u"n"_s);
        QTest::keyClick(field, Qt::Key_Return);
        auto* list = child<QListView>(sheet, "resultList");
        QTRY_COMPARE(list->model()->rowCount(), 25);
        LISTKEYS(listkeys::walkWholeList(list));
        LISTKEYS(listkeys::tabsThrough(list));

        listkeys::key(list, Qt::Key_End);
        const QModelIndex last = list->currentIndex();
        QCOMPARE(last.data(Qt::AccessibleTextRole).toString(), u"N25, ID: u25"_s);
        QCOMPARE(last.data(Qt::AccessibleDescriptionRole).toString(), Localized::text("add.add_button"));
        column.stack.server.respondOnce(procedure("contacts.sendFriendRequest"), { 200, envelope(R"({"success":true})"), {}, true });
        listkeys::key(list, Qt::Key_Return);
        QTRY_COMPARE(column.stack.requestCount(procedure("contacts.sendFriendRequest")), 1);
        QCOMPARE(column.stack.lastInput("contacts.sendFriendRequest"), QJsonValue(QJsonObject { { u"toUserId"_s, 25 } }));
        QCOMPARE(listkeys::menuOf(list), QStringList { u"add (off)"_s });
        listkeys::key(list, Qt::Key_Return);
        column.stack.server.release(procedure("contacts.sendFriendRequest"));
        QTRY_VERIFY(last.data(UserResultModel::SentRole).toBool());
        QCOMPARE(last.data(Qt::AccessibleTextRole).toString(), u"N25, ID: u25, "_s + Localized::text("add.sent"));
        QVERIFY2(!listkeys::openMenu(list), "a sent row has no button left");
        listkeys::key(list, Qt::Key_Return);
        QCOMPARE(column.stack.requestCount(procedure("contacts.sendFriendRequest")), 1);

        listkeys::key(list, Qt::Key_Home);
        QVERIFY(listkeys::choose(list, u"add"_s, true));
        QTRY_COMPARE(column.stack.requestCount(procedure("contacts.sendFriendRequest")), 2);
        QCOMPARE(column.stack.lastInput("contacts.sendFriendRequest"), QJsonValue(QJsonObject { { u"toUserId"_s, 1 } }));
        QTRY_VERIFY(list->model()->index(0, 0).data(UserResultModel::SentRole).toBool());
    }

    // The report sheet closes only when the server took the report.
    void reportSheet_data()
    {
        QTest::addColumn<RecordingHttpServer::Reply>("reply");
        QTest::addColumn<bool>("byReturn");
        QTest::newRow("refused") << refused << false;
        // The server's words are shown as written, never read as markup.
        QTest::newRow("refused in markup") << RecordingHttpServer::Reply { 400, R"({"error":"<b>refused</b>"})" } << false;
        QTest::newRow("taken") << done << false;
        QTest::newRow("taken, sent by Return") << done << true;
    }

    void reportSheet()
    {
        QFETCH(RecordingHttpServer::Reply, reply);
        QFETCH(bool, byReturn);
        ClientStack stack;
        stack.server.respond(procedure("user.report"), reply);
        ContactDetailView detail(new ContactDetailViewModel(contact(42), { &stack.chat, &stack.contacts, &stack.notifications }));
        detail.show();
        QTest::mouseClick(child<QPushButton>(&detail, "reportButton"), Qt::LeftButton);
        QPointer<QDialog> sheet(detail.reportSheet());
        QVERIFY(sheet && sheet->isVisible());
        QCOMPARE(child<QComboBox>(sheet, "reasonPicker")->count(), 4);
        QTest::keyClicks(child<QPlainTextEdit>(sheet, "descriptionEditor"), u"spam links"_s);
        {
            // Title, reason, description and buttons stand 16 apart; the title in headline type.
            const auto box = [&sheet](const QWidget* widget) { return QRect(widget->mapTo(sheet, QPoint()), widget->size()); };
            const auto below = [&box](const QWidget* upper, const QWidget* lower) { return box(lower).top() - box(upper).bottom() - 1; };
            QLabel* title = nullptr;
            for (QLabel* label : sheet->findChildren<QLabel*>()) {
                if (label->text() == Localized::text("contact.report_title"))
                    title = label;
            }
            QVERIFY(title);
            QCOMPARE(title->font().pixelSize(), Appearance::font(Appearance::TextStyle::Headline).pixelSize());
            auto* picker = child<QComboBox>(sheet, "reasonPicker");
            auto* editor = child<QPlainTextEdit>(sheet, "descriptionEditor");
            auto* cancel = child<QPushButton>(sheet, "cancelButton");
            QCOMPARE(editor->height(), 100);
            QCOMPARE(below(title, picker), 16);
            QCOMPARE(below(picker, editor), 16);
            QCOMPARE(below(editor, cancel), 16);
            QVERIFY(box(child<QPushButton>(sheet, "submitButton")).left() > box(cancel).right());
        }
        if (byReturn) {
            child<QComboBox>(sheet, "reasonPicker")->setFocus();
            QTest::keyClick(child<QComboBox>(sheet, "reasonPicker"), Qt::Key_Return);
        } else {
            QTest::mouseClick(child<QPushButton>(sheet, "submitButton"), Qt::LeftButton);
        }
        QTRY_COMPARE(stack.requestCount(procedure("user.report")), 1);
        QCOMPARE(stack.lastInput("user.report").toObject().value(u"userId"_s), QJsonValue(42));
        // Either way a screen reader is told: an alert in the sheet, or one in the
        // window the sheet leaves.
        const auto heard = [](QWidget* window) {
            QStringList alerts;
            for (QLabel* label : window->findChildren<QLabel*>()) {
                QAccessibleInterface* face = QAccessible::queryAccessibleInterface(label);
                if (face->role() == QAccessible::AlertMessage && label->isVisible())
                    alerts << face->text(QAccessible::Name);
            }
            return alerts;
        };
        if (reply.status == 200) {
            QTRY_VERIFY(!sheet);
            QCOMPARE(heard(&detail), QStringList { Localized::text("contact.report_sent") });
        } else {
            QTRY_VERIFY(child<QLabel>(sheet, "reportError")->isVisible());
            auto* error = child<QLabel>(sheet, "reportError");
            const QString said = QJsonDocument::fromJson(reply.body).object().value(u"error"_s).toString();
            QCOMPARE(error->text(), said);
            QCOMPARE(heard(sheet), QStringList { said });
            // Its signs are shown too: read as markup, it would be as wide as the bare word.
            if (said.startsWith(u'<')) {
                const int shown = error->sizeHint().width();
                error->setText(u"refused"_s);
                QVERIFY2(shown > error->sizeHint().width() * 3 / 2, qPrintable(QString::number(shown)));
            }
            QVERIFY(sheet->isVisible());
            QCOMPARE(child<QPlainTextEdit>(sheet, "descriptionEditor")->toPlainText(), u"spam links"_s);
            if (!said.startsWith(u'<')) {
                QVERIFY(QTest::qWaitForWindowExposed(sheet));
                VERIFY_SNAPSHOT(sheet.data(), u"report-refused"_s);
            }
        }
    }

    void detailRows_data()
    {
        QTest::addColumn<QByteArray>("record");
        QTest::addColumn<QStringList>("rows");
        QTest::addColumn<bool>("email");
        QTest::newRow("id and remark") << QByteArray(R"({"id":1,"userId":9,"contactId":42,"openId":"u42","nickname":"","email":""})")
                                       << QStringList { u"u42"_s, u""_s } << true;
        QTest::newRow("neither") << QByteArray(R"({"id":1,"userId":9,"contactId":42,"name":"Bo"})") << QStringList {} << false;
    }

    void detailRows()
    {
        QFETCH(QByteArray, record);
        QFETCH(QStringList, rows);
        QFETCH(bool, email);
        ClientStack stack;
        const Contact shown = json::decode<Contact>(json::parse(record));
        ContactDetailView detail(new ContactDetailViewModel(shown, { &stack.chat, &stack.contacts, &stack.notifications }));
        QStringList values;
        for (InfoRow* row : detail.findChildren<InfoRow*>())
            values << row->value();
        QCOMPARE(values, rows);
        QCOMPARE(child<QLabel>(&detail, "emailSymbol") != nullptr, email);
        QCOMPARE(child<QLabel>(&detail, "presenceLabel")->text(), Localized::text("contact.offline"));

        // As laid out: the header's parts 12 apart, the information rows 12 apart, the
        // main action 12 above the delete and report buttons, which stand 12 apart;
        // presence and e-mail 16 apart.
        detail.resize(360, 700);
        detail.show();
        QVERIFY(QTest::qWaitForWindowExposed(&detail));
        const auto box = [&detail](const QWidget* widget) { return QRect(widget->mapTo(&detail, QPoint()), widget->size()); };
        const auto below = [&box](const QWidget* upper, const QWidget* lower) { return box(lower).top() - box(upper).bottom() - 1; };
        auto* avatar = detail.findChild<AvatarView*>();
        auto* title = child<QWidget>(&detail, "contactTitle");
        QVERIFY(avatar && title);
        QCOMPARE(below(avatar, title), 12);
        QCOMPARE(below(title, child<QLabel>(&detail, "presenceLabel")), 12);
        QCOMPARE(avatar->size(), QSize(80, 80));
        QCOMPARE(title->font().weight(), QFont::DemiBold);
        QCOMPARE(title->font().pixelSize(), Appearance::font(Appearance::TextStyle::Title2).pixelSize());
        // The header, the dividers and the blocks between them stand 20 apart.
        QList<QFrame*> lines = detail.findChildren<QFrame*>();
        lines.removeIf([](const QFrame* frame) { return frame->frameShape() != QFrame::HLine || !frame->isVisible(); });
        std::ranges::sort(lines, {}, [&box](const QFrame* frame) { return box(frame).top(); });
        QCOMPARE(lines.size(), 2);
        QCOMPARE(below(child<QLabel>(&detail, "presenceLabel"), lines.first()), 20);
        QCOMPARE(below(lines.last(), child<QWidget>(&detail, "sendMessageButton")), 20);
        if (email)
            QCOMPARE(box(child<QLabel>(&detail, "emailSymbol")).left() - box(child<QLabel>(&detail, "presenceLabel")).right() - 1, 16);
        const QList<InfoRow*> infoRows = detail.findChildren<InfoRow*>();
        for (qsizetype i = 0; i + 1 < infoRows.size(); ++i)
            QCOMPARE(below(infoRows.at(i), infoRows.at(i + 1)), 12);
        // Each row: its grey title, in a frame 60 wide, before the value.
        QStringList titles;
        for (InfoRow* row : infoRows) {
            auto* title = row->findChild<QLabel*>(u"infoTitle"_s);
            auto* value = row->findChild<QWidget*>(u"infoValue"_s);
            QVERIFY(title && value);
            titles << title->text();
            QCOMPARE(title->palette().color(QPalette::WindowText), Appearance::secondaryText());
            QCOMPARE(title->width(), 60);
            QVERIFY(box(value).left() >= box(title).right() + 1);
            QVERIFY2(box(value).left() - box(title).right() - 1 <= 12, "the value follows its title at the row's spacing");
        }
        QCOMPARE(titles, rows.isEmpty() ? QStringList() : (QStringList { Localized::text("contact.im_id"), Localized::text("contact.remarks") }));
        auto* send = child<QWidget>(&detail, "sendMessageButton");
        QCOMPARE(send->cursor().shape(), Qt::PointingHandCursor);
        auto* remove = child<QWidget>(&detail, "deleteContactButton");
        auto* report = child<QWidget>(&detail, "reportButton");
        QCOMPARE(below(send, remove), 12);
        QCOMPARE(box(report).left() - box(remove).right() - 1, 12);
        QCOMPARE(box(report).top(), box(remove).top());
        // Caption type throughout the status and the secondary actions; offline is grey,
        // delete is red, report is a plain button.
        const int caption = Appearance::font(Appearance::TextStyle::Caption).pixelSize();
        auto* presence = child<QLabel>(&detail, "presenceLabel");
        QCOMPARE(presence->font().pixelSize(), caption);
        QCOMPARE(presence->palette().color(QPalette::WindowText), Appearance::secondaryText());
        if (email) {
            auto* address = child<QLabel>(&detail, "emailLabel");
            QCOMPARE(address->font().pixelSize(), caption);
            QCOMPARE(address->palette().color(QPalette::WindowText), Appearance::secondaryText());
        }
        QCOMPARE(remove->font().pixelSize(), caption);
        QCOMPARE(report->font().pixelSize(), caption);
        QCOMPARE(remove->palette().color(QPalette::ButtonText), QColor(0xff, 0x3b, 0x30));
        QVERIFY(qobject_cast<QPushButton*>(report)->isFlat());
        QVERIFY(qAbs(box(send).center().x() - detail.width() / 2) <= 1);
        QVERIFY(qAbs((box(remove).left() + box(report).right()) / 2 - detail.width() / 2) <= 1);
        VERIFY_SNAPSHOT(&detail, u"contact-detail-"_s + QString::fromLatin1(QTest::currentDataTag()).replace(u' ', u'-'));
    }

    // A long id shown shortened is copied whole, by the keys and by the menu.
    void idRowCopiesTheWholeId_data()
    {
        QTest::addColumn<bool>("byMenu");
        QTest::newRow("Ctrl+C") << false;
        QTest::newRow("menu") << true;
    }
    void idRowCopiesTheWholeId()
    {
        QFETCH(bool, byMenu);
        ClientStack stack;
        Contact shown = contact(42);
        const QString id = u"u-"_s + QString(80, u'7');
        shown.openId = id;
        ContactDetailView detail(new ContactDetailViewModel(shown, { &stack.chat, &stack.contacts, &stack.notifications }));
        detail.resize(320, 500);
        detail.show();
        QVERIFY(QTest::qWaitForWindowExposed(&detail));
        auto* value = child<ElidedLabel>(detail.findChild<InfoRow*>(), "infoValue");
        QTRY_VERIFY(value->isElided());
        QGuiApplication::clipboard()->clear();
        if (byMenu) {
            QContextMenuEvent click(QContextMenuEvent::Mouse, value->rect().center(), value->mapToGlobal(value->rect().center()));
            QApplication::sendEvent(value, &click);
            auto* menu = child<QMenu>(value, "elidedLabelMenu");
            QVERIFY(menu && menu->isVisible());
            QCOMPARE(child<QAction>(menu, "copyAction")->text(), Localized::text("common.copy"));
            child<QAction>(menu, "copyAction")->trigger();
            menu->close();
        } else {
            value->setSelection(0, int(value->text().size()));
            QTest::keySequence(value, QKeySequence::Copy);
        }
        QCOMPARE(QGuiApplication::clipboard()->text(), id);
    }

    // Send Message waits, grey, while the chat is being made.
    void sendMessageWaitsForTheChat()
    {
        ClientStack stack;
        stack.server.respond(procedure("conversations.create"), { 200, envelope(R"({"conversationId":77})"), {}, true });
        ContactDetailView detail(new ContactDetailViewModel(contact(42), { &stack.chat, &stack.contacts, &stack.notifications }));
        detail.show();
        auto* send = child<QPushButton>(&detail, "sendMessageButton");
        QVERIFY(send->isEnabled());
        QTest::mouseClick(send, Qt::LeftButton);
        QTRY_COMPARE(stack.requestCount(procedure("conversations.create")), 1);
        QVERIFY(!send->isEnabled());
        stack.server.release(procedure("conversations.create"));
        QTRY_VERIFY(send->isEnabled());
    }

    // Deleting asks first; a refusal keeps the contact and shows why.
    void deleteContact()
    {
        ClientStack stack;
        stack.server.respond(procedure("contacts.delete"), refused);
        Contact bob = contact(42);
        bob.openId = u"bob42"_s;
        bob.nickname = u"B"_s;
        ContactDetailView detail(new ContactDetailViewModel(bob, { &stack.chat, &stack.contacts, &stack.notifications }));
        detail.resize(360, 700);
        detail.show();
        auto* button = child<QPushButton>(&detail, "deleteContactButton");
        // Each info row (the id, the remark): its title, then its value to the right of it.
        const QList<InfoRow*> rows = detail.findChildren<InfoRow*>();
        QCOMPARE(rows.size(), 2);
        for (InfoRow* row : rows)
            QVERIFY(child<QLabel>(row, "infoTitle")->geometry().right() < child<QLabel>(row, "infoValue")->geometry().left());
        // Send Message stands 12 px over the row of the other actions.
        auto* send = child<QPushButton>(&detail, "sendMessageButton");
        QCOMPARE(button->mapTo(&detail, QPoint()).y() - send->mapTo(&detail, QPoint(0, send->height())).y(), 12);
        QTest::mouseClick(button, Qt::LeftButton);
        auto* box = detail.findChild<QMessageBox*>(u"confirmation"_s);
        QVERIFY(box && box->isVisible());
        QCOMPARE(box->text(), Localized::text("contact.delete_confirm"));
        QTest::mouseClick(child<QPushButton>(box, "cancelButton"), Qt::LeftButton);
        QVERIFY(stack.roundTrip());
        QCOMPARE(stack.requestCount(procedure("contacts.delete")), 0);

        QTest::mouseClick(button, Qt::LeftButton);
        QTRY_VERIFY(detail.findChild<QMessageBox*>(u"confirmation"_s));
        box = detail.findChild<QMessageBox*>(u"confirmation"_s);
        QTest::mouseClick(child<QPushButton>(box, "confirmButton"), Qt::LeftButton);
        QTRY_COMPARE(stack.requestCount(procedure("contacts.delete")), 1);
        QCOMPARE(stack.lastInput("contacts.delete"), QJsonValue(QJsonObject { { u"contactId"_s, 42 } }));
        QTRY_VERIFY(child<QLabel>(&detail, "contactError")->isVisible());
        QCOMPARE(child<QLabel>(&detail, "contactError")->text(), u"refused"_s);
        QVERIFY(QTest::qWaitForWindowExposed(&detail));
        VERIFY_SNAPSHOT(&detail, u"contact-detail-delete-refused"_s);
    }

    // Open screens relabel when the language changes.
    void languageSwitch()
    {
        Column column(threeContacts, twoGroups, "2");
        QDialog* sheet = column.view->showAddContact();
        LocalizationManager::shared().setLanguage(AppLanguage::en);
        const StringBundle english = LocalizationManager::shared().bundle(AppLanguage::en);
        QCOMPARE(child<QLabel>(column.view.get(), "friendRequestsLabel")->text(), english.localizedString(u"friend.title"_s));
        QCOMPARE(column.layout().first(), u"H:"_s + english.localizedString(u"contacts.groups_section"_s) + u" (2)"_s);
        QCOMPARE(child<QPushButton>(sheet, "searchButton")->text(), english.localizedString(u"add.search"_s));
        QCOMPARE(sheet->windowTitle(), english.localizedString(u"add.title"_s));
    }
};

QTEST_MAIN(TestContactViews)
#include "tst_contact_views.moc"
