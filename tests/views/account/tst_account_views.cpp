// The two-factor, device, favourites and file screens offscreen, against a
// recording HTTP server: what a person sees and what their clicks send.

#include "PngBytes.h"
#include "PaintLog.h"
#include "PainterState.h"
#include "Snapshot.h"
#include "AccountStack.h"
#include "KeyboardWalk.h"
#include "ListKeys.h"
#include "TaskRunner.h"

#include "models/Json.h"
#include "network/LoginSession.h"
#include "state/common/AppLanguage.h"
#include "state/account/DeviceManagementViewModel.h"
#include "state/account/FavoritesViewModel.h"
#include "state/account/FileManagementViewModel.h"
#include "state/common/LocalizationManager.h"
#include "state/account/ProfileViewModel.h"
#include "state/account/TwoFactorViewModel.h"
#include "views/account/DeviceManagementView.h"
#include "views/account/DeviceListModel.h"
#include "views/account/DeviceRow.h"
#include "views/account/FavoriteListModel.h"
#include "views/account/FavoriteRow.h"
#include "views/account/FileListModel.h"
#include "views/account/FavoritesView.h"
#include "views/account/FileManagementRow.h"
#include "views/account/FileManagementView.h"
#include "views/account/ImagePreviewView.h"
#include "views/common/ErrorAlert.h"
#include "views/account/TwoFactorView.h"
#include "views/common/ElidedLabel.h"
#include "views/common/Icons.h"
#include "views/common/Localized.h"
#include "views/common/Spinner.h"
#include "views/common/Appearance.h"
#include "views/common/SystemColors.h"

#include <QBuffer>
#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QDesktopServices>
#include <QDialog>
#include <QGroupBox>
#include <QGuiApplication>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMenu>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QScrollBar>
#include <QTest>
#include <QToolButton>
#include <QToolTip>
#include <QHelpEvent>

using namespace Qt::StringLiterals;

namespace {

template <typename T>
T* child(QObject* parent, const char* name)
{
    return parent->findChild<T*>(QString::fromLatin1(name));
}

template <typename T>
QList<T*> all(QObject* parent, const char* name)
{
    return parent->findChildren<T*>(QString::fromLatin1(name));
}

// Whether one of the dataChanged signals a spy caught covers the row.
bool coversRow(const QSignalSpy& spy, int row)
{
    for (const QList<QVariant>& signal : spy)
        if (signal.at(0).toModelIndex().row() <= row && row <= signal.at(1).toModelIndex().row())
            return true;
    return false;
}

// The rows a list screen shows, by the screen's name.
int rowCount(QWidget* view, const QString& screen)
{
    if (screen == u"favorites")
        return view->findChild<QListView*>(u"favoritesList"_s)->model()->rowCount();
    if (screen == u"files")
        return view->findChild<QListView*>(u"fileRows"_s)->model()->rowCount();
    const QAbstractItemModel* devices = view->findChild<QListView*>(u"deviceList"_s)->model();
    int count = 0;
    for (int row = 0; row < devices->rowCount(); ++row)
        count += DeviceListModel::Kind(devices->index(row, 0).data(DeviceListModel::KindRole).toInt()) == DeviceListModel::Kind::device;
    return count;
}

QString symbolOf(QObject* widget) { return widget->property(Icons::SymbolProperty).toString(); }

// Pastes text into a field as a person would, so the field reports an edit.
void paste(QLineEdit* field, const QString& text)
{
    field->selectAll();
    QGuiApplication::clipboard()->setText(text);
    field->paste();
}

QByteArray png()
{
    QImage image(40, 20, QImage::Format_RGB32);
    image.fill(Qt::red);
    return pngBytes(image);
}

// count text favourites, message ids from 1.
QByteArray numberedFavorites(int count)
{
    QByteArray list;
    for (int id = 1; id <= count; ++id)
        list += QByteArray(id > 1 ? "," : "") + "{\"message\":{\"id\":" + QByteArray::number(id)
            + ",\"conversationId\":1,\"senderId\":2,\"type\":\"text\",\"content\":\"note " + QByteArray::number(id) + "\"}}";
    return list;
}

QByteArray filePage(qint64 firstId, int count)
{
    QByteArray page = "[";
    for (int i = 0; i < count; ++i)
        page += QByteArray(i ? "," : "") + "{\"id\":" + QByteArray::number(firstId + i) + "}";
    return page + "]";
}

// What the list's delegate paints for the row at its place, on a painter left with a
// pen and font of another row's: the row sets its own for each text.
Painting paintedRow(QListView* list, const QModelIndex& index)
{
    QStyleOptionViewItem option;
    option.initFrom(list->viewport());
    option.rect = list->visualRect(index);
    return PaintLog::record(list->viewport()->size(), [&](QPainter* painter) {
        painter->setPen(QColor(1, 2, 3));
        QFont marker(QStringLiteral("Marker"));
        marker.setPixelSize(33);
        painter->setFont(marker);
        list->itemDelegateForIndex(index)->paint(painter, option, index);
    });
}

} // namespace

// Receives the addresses the desktop is asked to open.
class UrlSink : public QObject {
    Q_OBJECT
public:
    QList<QUrl> opened;
public Q_SLOTS:
    void open(const QUrl& url) { opened << url; }
};

class TestAccountViews : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        LocalizationManager::shared().setLanguage(AppLanguage::en);
        Icons::install();
        Snapshot::holdStill();
    }

    // A code the server took, followed by a status read that fails: the status is
    // unknown again, so the screen offers a retry, never a new set-up; the set-up
    // section keeps the typed code.
    void failedRereadAfterACodeOffersRetry()
    {
        AccountStack s;
        s.reply("user.mfaStatus", 200, R"({"enabled":false})");
        TwoFactorView view(std::make_unique<TwoFactorViewModel>(&s.mfa));
        view.resize(520, 560);
        view.show();
        auto* enable = child<QPushButton>(&view, "enableButton");
        QTRY_VERIFY(enable->isVisible());
        s.reply("user.setupMFA", 200, R"({"secret":"JBSWY3DPEHPK3PXP","backupCodes":["11aa"]})");
        QTest::mouseClick(enable, Qt::LeftButton);
        auto* setup = child<QGroupBox>(&view, "setupSection");
        QTRY_VERIFY(setup->isVisible());
        paste(child<QLineEdit>(&view, "verifyCodeField"), u"123456"_s);
        s.reply("user.verifyMFA", 200, "null");
        s.reply("user.mfaStatus", 503, R"({"error":"Service unavailable"})");
        QTest::mouseClick(child<QPushButton>(&view, "verifyButton"), Qt::LeftButton);
        auto* alert = child<ErrorAlert>(&view, "errorAlert");
        QTRY_VERIFY(alert->isVisible());
        alert->accept();
        QVERIFY(enable->isHidden() && child<QPushButton>(&view, "disableButton")->isHidden());
        QVERIFY(setup->isVisible());
        QVERIFY(child<QPushButton>(&view, "retryButton")->isVisible());
        QCOMPARE(child<QLabel>(&view, "statusValue")->text(), Localized::text("2fa.status_unknown"));
        auto* status = child<QGroupBox>(&view, "statusSection");
        QVERIFY(status);
        QCOMPARE(status->title(), Localized::text("2fa.status_section"));
    }

    // From an unread status through a retry, set-up and confirmation to "on",
    // then off again through the sheet.
    void twoFactorScreen()
    {
        AccountStack s;
        s.server.respondOnce(AccountStack::path("user.mfaStatus"), Reply { 503, R"({"error":"Service unavailable"})", {}, true });
        TwoFactorView view(std::make_unique<TwoFactorViewModel>(&s.mfa));
        view.resize(520, 560);
        view.show();
        auto* enable = child<QPushButton>(&view, "enableButton");
        auto* disable = child<QPushButton>(&view, "disableButton");
        auto* retry = child<QPushButton>(&view, "retryButton");
        // While the status is unknown nothing can be switched.
        QTRY_COMPARE(s.server.requests().size(), 1);
        QVERIFY(enable->isHidden() && disable->isHidden() && retry->isHidden());

        s.server.release(AccountStack::path("user.mfaStatus"));
        auto* alert = child<ErrorAlert>(&view, "errorAlert");
        QTRY_VERIFY(alert->isVisible());
        QCOMPARE(alert->text(), u"Service unavailable"_s); // the description alone
        QCOMPARE(alert->windowTitle(), Localized::text("common.error"));
        QVERIFY(enable->isHidden() && retry->isVisible());
        QCOMPARE(child<QLabel>(&view, "statusValue")->text(), Localized::text("2fa.status_unknown"));
        QTest::mouseClick(child<QPushButton>(alert, "errorAlertOk"), Qt::LeftButton);
        QTRY_VERIFY(!alert->isVisible());
        QVERIFY(!view.viewModel()->errorMessage());
        view.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&view));
        VERIFY_SNAPSHOT(&view, u"two-factor-unknown"_s);

        s.reply("user.mfaStatus", 200, R"({"enabled":false})");
        QTest::mouseClick(retry, Qt::LeftButton);
        QTRY_VERIFY(enable->isVisible());
        QVERIFY(retry->isHidden() && enable->isEnabled());
        QCOMPARE(child<QLabel>(&view, "statusValue")->text(), Localized::text("2fa.status_disabled"));

        s.reply("user.setupMFA", 200, R"({"secret":"JBSWY3DPEHPK3PXP","backupCodes":["11aa","22bb"]})");
        QTest::mouseClick(enable, Qt::LeftButton);
        auto* setup = child<QGroupBox>(&view, "setupSection");
        QTRY_VERIFY(setup->isVisible());
        // What comes next has the keyboard: the code, then the status's button.
        QTRY_COMPARE(QApplication::focusWidget(), child<QLineEdit>(&view, "verifyCodeField"));
        VERIFY_SNAPSHOT(&view, u"two-factor-setup"_s);
        // Both are read-only text the keyboard reaches, with a Copy button each that
        // takes the whole of it.
        const QList<std::pair<const char*, QString>> shown { { "secretField", u"JBSWY3DPEHPK3PXP"_s }, { "backupCodesField", u"11aa\n22bb"_s } };
        for (const auto& [name, text] : shown) {
            auto* code = child<QPlainTextEdit>(&view, name);
            QCOMPARE(code->toPlainText(), text);
            QVERIFY(QFontInfo(code->font()).fixedPitch());
            QVERIFY(code->isReadOnly() && (code->focusPolicy() & Qt::TabFocus));
            QVERIFY(code->textInteractionFlags() & Qt::TextSelectableByKeyboard);
            QVERIFY(!code->accessibleName().isEmpty());
            QGuiApplication::clipboard()->clear();
            QTest::mouseClick(child<QPushButton>(&view, QByteArray(name) + "Copy"), Qt::LeftButton);
            QCOMPARE(QGuiApplication::clipboard()->text(), text);
        }

        // The confirm button counts characters as a person does.
        auto* field = child<QLineEdit>(&view, "verifyCodeField");
        auto* verify = child<QPushButton>(&view, "verifyButton");
        const QString family = u"\U0001F468\u200D\U0001F469\u200D\U0001F467"_s;
        paste(field, family.repeated(5));
        QVERIFY(!verify->isEnabled());
        paste(field, family.repeated(6));
        QVERIFY(verify->isEnabled());

        paste(field, u" 123456\n"_s);
        s.reply("user.verifyMFA", 200, "null");
        s.reply("user.mfaStatus", 200, R"({"enabled":true})");
        QTest::mouseClick(verify, Qt::LeftButton);
        QTRY_VERIFY(disable->isVisible());
        QTRY_COMPARE(QApplication::focusWidget(), disable);
        QVERIFY(setup->isHidden() && enable->isHidden());
        QCOMPARE(child<QLabel>(&view, "statusValue")->text(), Localized::text("2fa.status_enabled"));
        QCOMPARE(child<QLabel>(&view, "statusValue")->palette().color(QPalette::WindowText), SystemColors::green());
        QCOMPARE(disable->palette().color(QPalette::ButtonText), SystemColors::red());
        VERIFY_SNAPSHOT(&view, u"two-factor-on"_s);

        QTest::mouseClick(disable, Qt::LeftButton);
        auto* sheet = child<QDialog>(&view, "disableSheet");
        QTRY_VERIFY(sheet->isVisible());
        auto* confirm = child<QPushButton>(sheet, "disableConfirmButton");
        QVERIFY(!confirm->isEnabled());
        QVERIFY(QTest::qWaitForWindowExposed(sheet));
        VERIFY_SNAPSHOT(sheet, u"two-factor-disable-sheet"_s);
        {
            // Title, words, field and buttons, 16 apart and padded 24: the headline title,
            // the grey caption words, a field 200 wide, Cancel then the red button.
            QLabel* title = nullptr;
            QLabel* words = nullptr;
            for (QLabel* label : sheet->findChildren<QLabel*>()) {
                if (label->text() == Localized::text("2fa.disable_title"))
                    title = label;
                else if (label->text() == Localized::text("2fa.disable_desc"))
                    words = label;
            }
            QVERIFY(title && words);
            auto* field = child<QLineEdit>(sheet, "disableCodeField");
            auto* cancel = child<QPushButton>(sheet, "disableCancelButton");
            QCOMPARE(title->font().pixelSize(), Appearance::font(Appearance::TextStyle::Headline).pixelSize());
            QCOMPARE(words->font().pixelSize(), Appearance::font(Appearance::TextStyle::Caption).pixelSize());
            QCOMPARE(words->palette().color(QPalette::WindowText), Appearance::secondaryText());
            QCOMPARE(field->width(), 200);
            QCOMPARE(title->geometry().top(), 24);
            QCOMPARE(words->geometry().top() - title->geometry().bottom() - 1, 16);
            QCOMPARE(field->geometry().top() - words->geometry().bottom() - 1, 16);
            QCOMPARE(qMin(cancel->geometry().top(), confirm->geometry().top()) - field->geometry().bottom() - 1, 16);
            QCOMPARE(sheet->height() - 1 - confirm->geometry().bottom(), 24);
            QVERIFY(confirm->geometry().left() > cancel->geometry().right());
            QVERIFY(qAbs(title->geometry().center().x() - sheet->width() / 2) <= 1);
            QVERIFY(qAbs(field->geometry().center().x() - sheet->width() / 2) <= 1);
            QVERIFY(qAbs((cancel->geometry().left() + confirm->geometry().right()) / 2 - sheet->width() / 2) <= 1);
        }
        paste(child<QLineEdit>(sheet, "disableCodeField"), u"654321"_s);
        s.reply("user.disableMFA", 400, R"({"error":"The code is not correct"})");
        // Return in the code field turns it off, as its button does.
        QTest::keyClick(child<QLineEdit>(sheet, "disableCodeField"), Qt::Key_Return);
        QVERIFY(sheet->isVisible()); // never Cancel
        QVERIFY(view.viewModel()->isBusy());
        QTRY_VERIFY(alert->isVisible());
        QCOMPARE(alert->text(), u"The code is not correct"_s);
        QVERIFY(sheet->isVisible());
        QCOMPARE(child<QLineEdit>(sheet, "disableCodeField")->text(), u"654321"_s);
        alert->done(QDialog::Rejected); // closed any way at all clears the message
        QTRY_VERIFY(!view.viewModel()->errorMessage());
        s.reply("user.disableMFA", 400, R"({"error":"The code is not correct"})");
        QTest::mouseClick(confirm, Qt::LeftButton);
        QTRY_VERIFY(alert->isVisible());
        alert->done(QDialog::Rejected);
        QTRY_VERIFY(!view.viewModel()->errorMessage());
        // Cancel forgets the typed code.
        QTest::mouseClick(child<QPushButton>(sheet, "disableCancelButton"), Qt::LeftButton);
        QTRY_VERIFY(!sheet->isVisible());
        QCOMPARE(view.viewModel()->disableCode(), QString());
        QTRY_COMPARE(QApplication::focusWidget(), disable);

        QCOMPARE(s.calls(), (QStringList { u"GET user.mfaStatus"_s, u"GET user.mfaStatus"_s, u"POST user.setupMFA"_s,
                                           u"POST user.verifyMFA {\"code\":\" 123456\\n\"}"_s, u"GET user.mfaStatus"_s,
                                           u"POST user.disableMFA {\"code\":\"654321\"}"_s, u"POST user.disableMFA {\"code\":\"654321\"}"_s }));

        // Turned off, the sheet and its button gone: Turn On has the keyboard.
        QTest::mouseClick(disable, Qt::LeftButton);
        QTRY_VERIFY(sheet->isVisible());
        paste(child<QLineEdit>(sheet, "disableCodeField"), u"123456"_s);
        s.reply("user.disableMFA", 200, "null");
        s.reply("user.mfaStatus", 200, R"({"enabled":false})");
        QTest::mouseClick(confirm, Qt::LeftButton);
        QTRY_VERIFY(enable->isVisible());
        QTRY_COMPARE(QApplication::focusWidget(), enable);
        // Off again, the status is grey, no longer green.
        QCOMPARE(child<QLabel>(&view, "statusValue")->text(), Localized::text("2fa.status_disabled"));
        QCOMPARE(child<QLabel>(&view, "statusValue")->palette().color(QPalette::WindowText), Appearance::secondaryText());
    }

    void deviceSections_data()
    {
        QTest::addColumn<QByteArray>("list");
        QTest::addColumn<int>("currentRows");
        QTest::addColumn<int>("otherRows");
        QTest::addColumn<bool>("emptyShown");
        QTest::newRow("none") << QByteArray("[]") << 0 << 0 << true;
        QTest::newRow("only this device") << QByteArray(R"([{"id":1,"deviceId":"a","isCurrent":true}])") << 1 << 0 << false;
        QTest::newRow("mixed") << QByteArray(R"([{"id":2,"deviceId":"b","lastActiveAt":"2024-05-01T10:20:30Z"},)"
                                             R"({"id":1,"deviceId":"a","isCurrent":true},{"id":3,"deviceType":"ios"}])")
                               << 1 << 2 << false;
        QTest::newRow("no current device") << QByteArray(R"([{"id":2,"deviceId":"b"}])") << 0 << 1 << false;
        QTest::newRow("described") << QByteArray(R"([{"id":1,"deviceId":"a","isCurrent":true,"deviceName":"Desk","platform":"linux",)"
                                                 R"("lastIp":"10.0.0.1","lastActiveAt":"2024-05-01T10:20:30Z"}])")
                                   << 1 << 0 << false;
        QTest::newRow("long name") << QByteArray(R"([{"id":2,"deviceId":"b","deviceName":")" + QByteArray(60, 'W')
                                                 + R"(","platform":")" + QByteArray(60, 'M') + R"("}])")
                                   << 0 << 1 << false;
    }
    void deviceSections()
    {
        QFETCH(QByteArray, list);
        QFETCH(int, currentRows);
        QFETCH(int, otherRows);
        QFETCH(bool, emptyShown);
        AccountStack s;
        s.reply("session.myDevices", 200, list);
        DeviceManagementView view(std::make_unique<DeviceManagementViewModel>(&s.sessions));
        view.resize(520, 500);
        view.show();
        QVERIFY(view.viewModel()->isLoading());
        QTRY_VERIFY(!view.viewModel()->isLoading());
        auto* deviceList = child<QListView>(&view, "deviceList");
        const QAbstractItemModel* rows = deviceList->model();
        auto rowsOf = [rows](DeviceListModel::Kind kind) {
            QList<int> found;
            for (int row = 0; row < rows->rowCount(); ++row)
                if (DeviceListModel::Kind(rows->index(row, 0).data(DeviceListModel::KindRole).toInt()) == kind)
                    found << row;
            return found;
        };
        auto devices = [&] { return rowsOf(DeviceListModel::Kind::device); };
        QTRY_COMPARE(devices().size(), currentRows + otherRows);
        QCOMPARE(testsupport::rowsLeavingPainterChanged(deviceList), QString());
        // A short list shows every row, with the button for all others right under it.
        const QModelIndex lastRow = rows->index(rows->rowCount() - 1, 0);
        QTRY_VERIFY(!lastRow.isValid() || deviceList->viewport()->rect().contains(deviceList->visualRect(lastRow)));
        QCOMPARE(deviceList->verticalScrollBar()->maximum(), 0);
        const bool any = currentRows + otherRows > 0;
        QCOMPARE(rowsOf(DeviceListModel::Kind::currentHeading).size(), any ? 1 : 0);
        QCOMPARE(rowsOf(DeviceListModel::Kind::othersHeading).size(), otherRows ? 1 : 0);
        QCOMPARE(child<QPushButton>(&view, "logoutAllButton")->isVisible(), otherRows > 0);
        QCOMPARE(child<QWidget>(&view, "devicesEmpty")->isVisible(), emptyShown);
        QVERIFY(child<QToolButton>(&view, "refreshButton")->isEnabled());
        QList<int> others;
        for (int row : devices()) {
            const QModelIndex index = rows->index(row, 0);
            if (!index.data(DeviceListModel::IsCurrentRole).toBool())
                others << row;
            // Current devices come first.
            QVERIFY(others.isEmpty() || !index.data(DeviceListModel::IsCurrentRole).toBool());
        }
        QCOMPARE(others.size(), otherRows);
        // Only this device's name wears the green badge (its icon, left of the name, is green too).
        const QImage shown = deviceList->viewport()->grab().toImage();
        for (int row : devices()) {
            const QRect rect = deviceList->visualRect(rows->index(row, 0));
            bool badge = false;
            for (int y = rect.top(); y <= rect.bottom(); ++y) {
                for (int x = rect.left() + 40; x <= rect.right(); ++x)
                    badge = badge || qGreen(shown.pixel(x, y)) - qRed(shown.pixel(x, y)) > 60;
            }
            QCOMPARE(badge, !others.contains(row));
        }
        // Each row's words: the name in body type, then for this device the green caption-2
        // badge on a faint green capsule padded 6 and 2, 6 after the name; under them the
        // platform and the address in grey caption type, 8 apart.
        for (int row : devices()) {
            const QModelIndex index = rows->index(row, 0);
            const Painting painting = paintedRow(deviceList, index);
            // (A long name is shown shortened.)
            const QString full = index.data(Qt::DisplayRole).toString();
            std::optional<PaintedItem> name;
            for (const PaintedItem& text : painting.texts()) {
                if (!name && (text.text == full || (text.text.endsWith(QChar(0x2026)) && full.startsWith(text.text.chopped(1)))))
                    name = text;
            }
            QVERIFY2(name, qPrintable(painting.allText()));
            QCOMPARE(name->font.pixelSize(), Appearance::font(Appearance::TextStyle::Body).pixelSize());
            QCOMPARE(name->pen, QApplication::palette().color(QPalette::Text));
            const QString platform = index.data(DeviceListModel::PlatformRole).toString();
            const QString address = index.data(DeviceListModel::AddressRole).toString();
            if (!platform.isEmpty() && !address.isEmpty() && !others.contains(row)) {
                const std::optional<PaintedItem> first = painting.text(platform);
                const std::optional<PaintedItem> second = painting.text(address);
                QVERIFY2(first && second, qPrintable(painting.allText()));
                for (const PaintedItem& detail : { *first, *second }) {
                    QCOMPARE(detail.font.pixelSize(), Appearance::font(Appearance::TextStyle::Caption).pixelSize());
                    QCOMPARE(detail.pen, Appearance::secondaryText());
                }
                QVERIFY2(qAbs(second->rect.left() - first->rect.right() - 8) <= 1, qPrintable(QDebug::toString(second->rect)));
                QCOMPARE(second->rect.top(), first->rect.top());
                QVERIFY(first->rect.top() >= name->rect.bottom());
            }
            if (others.contains(row))
                continue;
            const std::optional<PaintedItem> badge = painting.text(Localized::text("devices.current_label"));
            QVERIFY2(badge, qPrintable(painting.allText()));
            QCOMPARE(badge->font.pixelSize(), Appearance::font(Appearance::TextStyle::Caption2).pixelSize());
            QCOMPARE(badge->pen, SystemColors::green());
            std::optional<PaintedItem> capsule;
            for (const PaintedItem& shape : painting.shapes()) {
                if (shape.brush.isValid() && shape.brush.alpha() < 255 && shape.rect.contains(badge->rect.center()))
                    capsule = shape;
            }
            QVERIFY(capsule);
            QCOMPARE(QColor(capsule->brush.rgb()), SystemColors::green());
            QVERIFY(qAbs(capsule->brush.alphaF() - 0.15) <= 0.01);
            const QFontMetricsF metrics(badge->font);
            QVERIFY2(qAbs(capsule->rect.width() - metrics.horizontalAdvance(badge->text) - 12) <= 1, qPrintable(QDebug::toString(capsule->rect)));
            QVERIFY2(qAbs(capsule->rect.height() - metrics.height() - 4) <= 1, qPrintable(QDebug::toString(capsule->rect)));
            QVERIFY2(qAbs(capsule->corner.height() - capsule->rect.height() / 2) <= 0.5, qPrintable(QDebug::toString(capsule->corner)));
            QVERIFY2(qAbs(capsule->rect.left() - name->rect.right() - 6) <= 1, qPrintable(QDebug::toString(capsule->rect)));
            QVERIFY(qAbs(capsule->rect.center().y() - name->rect.center().y()) <= 1.5);
        }
        // Each device's icon sits centred in the 32-wide frame at the row's leading edge,
        PaintLog log(deviceList->viewport()->size());
        deviceList->viewport()->render(&log);
        for (int row : devices()) {
            const QRect rect = deviceList->visualRect(rows->index(row, 0));
            QList<QRectF> icons;
            for (const PaintedItem& picture : log.painting().pictures())
                if (rect.contains(picture.rect.center().toPoint()) && picture.rect.left() < rect.left() + 32)
                    icons << picture.rect;
            QCOMPARE(icons.size(), 1);
            QCOMPARE(icons.first().center().x(), rect.left() + 16.0);
            // and level with the row's middle (the row keeps a hairline below its content).
            QVERIFY2(qAbs(icons.first().center().y() - QRectF(rect).center().y()) <= 1.5, qPrintable(QDebug::toString(icons.first())));
            // Whatever the row says stops short of its sign-out button, cut if it must.
            if (!others.contains(row))
                continue;
            const QRect button = DeviceRow::logoutRect(rect);
            for (const PaintedItem& text : log.painting().texts())
                if (rect.contains(text.rect.center().toPoint()) && text.text != Localized::text("devices.logout"))
                    QVERIFY2(text.rect.right() < button.left(), qPrintable(text.text));
        }
        if (QByteArrayView(QTest::currentDataTag()) != "only this device" && QByteArrayView(QTest::currentDataTag()) != "no current device")
            VERIFY_SNAPSHOT(&view, u"devices-"_s + QString::fromLatin1(QTest::currentDataTag()).replace(u' ', u'-'));
        if (otherRows == 0)
            return;

        // Each sign-out sends its own row's device id; its button waits meanwhile, and a
        // second press sends nothing more. "All others" asks first.
        s.server.respond(AccountStack::path("session.logout"), Reply { 200, AccountStack::envelope("null"), {}, true });
        const QModelIndex firstOther = rows->index(others.first(), 0);
        const QPoint button = DeviceRow::logoutRect(deviceList->visualRect(firstOther)).center();
        QSignalSpy repainted(rows, &QAbstractItemModel::dataChanged);
        QTest::mouseClick(deviceList->viewport(), Qt::LeftButton, {}, button);
        QTRY_VERIFY(firstOther.data(DeviceListModel::LoggingOutRole).toBool());
        QVERIFY(coversRow(repainted, firstOther.row()));
        QTest::mouseClick(deviceList->viewport(), Qt::LeftButton, {}, button);
        QTRY_COMPARE(s.server.requestsTo(AccountStack::path("session.logout")).size(), 1);
        s.server.release(AccountStack::path("session.logout"));
        QTRY_COMPARE(devices().size(), currentRows + otherRows - 1);
        QCOMPARE(s.server.requestsTo(AccountStack::path("session.logout")).size(), 1);
        QCOMPARE(s.calls().last(), u"POST session.logout {\"token\":\"b\"}"_s);
        if (otherRows < 2)
            return;
        QTest::mouseClick(child<QPushButton>(&view, "logoutAllButton"), Qt::LeftButton);
        auto* confirm = child<QMessageBox>(&view, "logoutOthersAlert");
        QTRY_VERIFY(confirm->isVisible());
        QCOMPARE(confirm->windowTitle(), Localized::text("devices.logout_all"));
        QCOMPARE(confirm->text(), Localized::text("devices.logout_confirm"));
        s.reply("session.revokeOthers", 200, "null");
        QTest::mouseClick(child<QPushButton>(confirm, "confirmLogoutButton"), Qt::LeftButton);
        QTRY_COMPARE(devices().size(), currentRows);
        QCOMPARE(s.calls().last(), u"POST session.revokeOthers {\"currentToken\":\"a\"}"_s);
    }

    // Signing out a device the server no longer knows (signed out already, elsewhere or
    // by an earlier press) is a success: the row goes and nothing is reported. While the
    // request runs the row waits, so a second press sends nothing.
    void deviceSignOutOutcome_data()
    {
        QTest::addColumn<int>("status");
        QTest::addColumn<bool>("rowGoes");
        QTest::newRow("signed out") << 200 << true;
        QTest::newRow("already gone") << 404 << true;
        QTest::newRow("server error") << 500 << false;
    }
    void deviceSignOutOutcome()
    {
        QFETCH(int, status);
        QFETCH(bool, rowGoes);
        AccountStack s;
        s.reply("session.myDevices", 200, R"([{"id":1,"deviceId":"a","isCurrent":true},{"id":2,"deviceId":"b"}])");
        DeviceManagementView view(std::make_unique<DeviceManagementViewModel>(&s.sessions));
        view.resize(520, 500);
        view.show();
        auto* deviceList = child<QListView>(&view, "deviceList");
        const QAbstractItemModel* rows = deviceList->model();
        const auto deviceRows = [rows] {
            int count = 0;
            for (int row = 0; row < rows->rowCount(); ++row)
                count += DeviceListModel::Kind(rows->index(row, 0).data(DeviceListModel::KindRole).toInt()) == DeviceListModel::Kind::device;
            return count;
        };
        QTRY_COMPARE(deviceRows(), 2);
        const QByteArray body = status == 200 ? AccountStack::envelope("null")
                                              : QByteArray(R"({"error":{"json":{"message":"Device not found"}}})");
        s.server.respond(AccountStack::path("session.logout"), Reply { status, body, {}, true });
        const QModelIndex other = rows->index(rows->rowCount() - 1, 0);
        const QPoint button = DeviceRow::logoutRect(deviceList->visualRect(other)).center();
        QTest::mouseClick(deviceList->viewport(), Qt::LeftButton, {}, button);
        QTRY_COMPARE(s.server.requestsTo(AccountStack::path("session.logout")).size(), 1);
        QTRY_VERIFY(other.data(DeviceListModel::LoggingOutRole).toBool());
        QTest::mouseClick(deviceList->viewport(), Qt::LeftButton, {}, button);
        s.server.release(AccountStack::path("session.logout"));
        QTRY_VERIFY(!view.viewModel()->isLoggingOut(2));
        QCOMPARE(s.server.requestsTo(AccountStack::path("session.logout")).size(), 1);
        QTRY_COMPARE(deviceRows(), rowGoes ? 1 : 2);
        QCOMPARE(view.viewModel()->errorMessage().has_value(), !rowGoes);
        if (!rowGoes)
            QVERIFY(!rows->index(rows->rowCount() - 1, 0).data(DeviceListModel::LoggingOutRole).toBool());
    }

    // A sign-out wins over a reload that was already on its way: that reload's
    // answer may predate the sign-out and must not bring the device back. A reload
    // started after the sign-out is the server's word again.
    void deviceSignOutBeatsOlderReload_data()
    {
        QTest::addColumn<bool>("all"); // "sign out all others" rather than one device's button
        QTest::addColumn<bool>("reloadFirst"); // the reload starts before the sign-out ends
        QTest::addColumn<QList<qint64>>("shown");
        QTest::newRow("one device, older reload") << false << true << QList<qint64> { 1, 3 };
        QTest::newRow("all others, older reload") << true << true << QList<qint64> { 1 };
        QTest::newRow("one device, newer reload") << false << false << QList<qint64> { 1, 2, 3 };
        QTest::newRow("all others, newer reload") << true << false << QList<qint64> { 1, 2, 3 };
    }
    void deviceSignOutBeatsOlderReload()
    {
        QFETCH(bool, all);
        QFETCH(bool, reloadFirst);
        QFETCH(QList<qint64>, shown);
        AccountStack s;
        s.reply("session.myDevices", 200, R"([{"id":1,"deviceId":"a","isCurrent":true},{"id":2,"deviceId":"b"}])");
        s.reply("session.logout", 200, "null");
        s.reply("session.revokeOthers", 200, "null");
        DeviceManagementView view(std::make_unique<DeviceManagementViewModel>(&s.sessions));
        view.resize(520, 500);
        view.show();
        auto* deviceList = child<QListView>(&view, "deviceList");
        const QAbstractItemModel* rows = deviceList->model();
        const auto shownIds = [rows] {
            QList<qint64> ids;
            for (int row = 0; row < rows->rowCount(); ++row) {
                const QModelIndex index = rows->index(row, 0);
                if (DeviceListModel::Kind(index.data(DeviceListModel::KindRole).toInt()) == DeviceListModel::Kind::device)
                    ids << index.data(DeviceListModel::DeviceIdRole).toLongLong();
            }
            return ids;
        };
        QTRY_COMPARE(shownIds(), (QList<qint64> { 1, 2 }));
        QTRY_VERIFY(!view.viewModel()->isLoading());
        const QString devicesPath = AccountStack::path("session.myDevices");
        // The reload's answer still lists device 2, and a device 3 signed in meanwhile.
        s.server.respond(devicesPath, Reply { 200, AccountStack::envelope(R"([{"id":1,"deviceId":"a","isCurrent":true},)"
                                                                          R"({"id":2,"deviceId":"b"},{"id":3,"deviceId":"c"}])"),
                                              {}, true });
        auto* refresh = child<QToolButton>(&view, "refreshButton");
        const auto reload = [&] {
            QTest::mouseClick(refresh, Qt::LeftButton);
            QTRY_COMPARE(s.server.requestsTo(devicesPath).size(), 2);
        };
        if (reloadFirst)
            reload();
        if (all) {
            QTest::mouseClick(child<QPushButton>(&view, "logoutAllButton"), Qt::LeftButton);
            auto* confirm = child<QMessageBox>(&view, "logoutOthersAlert");
            QTRY_VERIFY(confirm->isVisible());
            QTest::mouseClick(child<QPushButton>(confirm, "confirmLogoutButton"), Qt::LeftButton);
        } else {
            const QModelIndex other = rows->index(rows->rowCount() - 1, 0);
            QTest::mouseClick(deviceList->viewport(), Qt::LeftButton, {}, DeviceRow::logoutRect(deviceList->visualRect(other)).center());
        }
        QTRY_COMPARE(shownIds(), QList<qint64> { 1 });
        if (!reloadFirst)
            reload();
        s.server.release(devicesPath);
        QTRY_VERIFY(!view.viewModel()->isLoading());
        QCOMPARE(shownIds(), shown);
        QVERIFY(!view.viewModel()->errorMessage());
    }

    // A device row says its name, platform, address and last activity as given; a
    // device without a name is an unknown device there, while the profile's
    // session list falls back to the platform.
    void deviceRowText_data()
    {
        QTest::addColumn<QByteArray>("record");
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("sessionTitle");
        QTest::addColumn<QString>("platform");
        QTest::addColumn<QString>("address");
        QTest::addColumn<QString>("lastActive");
        QTest::newRow("named") << QByteArray(R"({"id":1,"deviceName":"Desk","platform":"mac","lastIp":"10.0.0.2"})") << u"Desk"_s << u"Desk"_s
                               << u"mac"_s << u"10.0.0.2"_s << QString();
        QTest::newRow("platform only") << QByteArray(R"({"id":1,"platform":"Linux","lastActiveAt":"2024-05-01T10:20:30Z"})")
                                       << Localized::text("devices.unknown_device") << u"Linux"_s << u"Linux"_s << QString()
                                       << Localized::text("devices.last_active") + u": 2024-05-01 10:20"_s;
        QTest::newRow("empty name") << QByteArray(R"({"id":1,"deviceName":"","platform":"web"})") << QString() << QString() << u"web"_s
                                    << QString() << QString();
        QTest::newRow("neither") << QByteArray(R"({"id":1})") << Localized::text("devices.unknown_device")
                                 << Localized::text("profile.unknown_device") << QString() << QString() << QString();
    }
    void deviceRowText()
    {
        QFETCH(QByteArray, record);
        QFETCH(QString, title);
        QFETCH(QString, sessionTitle);
        QFETCH(QString, platform);
        QFETCH(QString, address);
        QFETCH(QString, lastActive);
        AccountStack s;
        s.reply("session.myDevices", 200, "[" + record + "]");
        DeviceManagementViewModel vm(&s.sessions);
        DeviceListModel model(&vm);
        testsupport::runTask(vm.loadDevices());
        QCOMPARE(model.rowCount(), 3); // this device's heading, the others' heading, the device
        const QModelIndex device = model.index(2);
        QCOMPARE(device.data(Qt::DisplayRole).toString(), title);
        QCOMPARE(device.data(DeviceListModel::PlatformRole).toString(), platform);
        QCOMPARE(device.data(DeviceListModel::AddressRole).toString(), address);
        QCOMPARE(device.data(DeviceListModel::LastActiveRole).toString(), lastActive);
        const LoginSession session = json::decode<LoginSession>(json::parse(record));
        QCOMPARE(ProfileViewModel::title(session).value_or(Localized::text("profile.unknown_device")), sessionTitle);
    }

    // Reading the same devices again repaints only the device whose details changed.
    void deviceReloadTouchesOnlyChangedRows()
    {
        AccountStack s;
        DeviceManagementViewModel vm(&s.sessions);
        DeviceListModel model(&vm);
        const QByteArray before = R"([{"id":1,"deviceId":"a","isCurrent":true},{"id":2,"deviceId":"b","lastActiveAt":"2024-05-01T10:20:30Z"}])";
        s.reply("session.myDevices", 200, before);
        testsupport::runTask(vm.loadDevices());
        QSignalSpy reset(&model, &QAbstractItemModel::modelReset);
        QSignalSpy changed(&model, &QAbstractItemModel::dataChanged);
        s.reply("session.myDevices", 200, before);
        testsupport::runTask(vm.loadDevices());
        QCOMPARE(reset.size(), 0);
        QCOMPARE(changed.size(), 0);
        s.reply("session.myDevices", 200, R"([{"id":1,"deviceId":"a","isCurrent":true},{"id":2,"deviceId":"b","lastActiveAt":"2024-05-02T10:20:30Z"}])");
        testsupport::runTask(vm.loadDevices());
        QCOMPARE(reset.size(), 0);
        QCOMPARE(changed.size(), 1);
        QCOMPARE(changed.first().at(0).toModelIndex().row(), 3);
        QCOMPARE(changed.first().at(1).toModelIndex().row(), 3);
    }

    void deviceIcon_data()
    {
        QTest::addColumn<std::optional<QString>>("type");
        QTest::addColumn<QString>("symbol");
        QTest::newRow("missing") << std::optional<QString>() << u"desktopcomputer"_s;
        QTest::newRow("iOS in capitals") << std::optional<QString>(u"IOS"_s) << u"iphone"_s;
        QTest::newRow("android") << std::optional<QString>(u"android"_s) << u"phone"_s;
        QTest::newRow("web") << std::optional<QString>(u"Web"_s) << u"globe"_s;
        QTest::newRow("mac") << std::optional<QString>(u"mac"_s) << u"laptopcomputer"_s;
        QTest::newRow("macos") << std::optional<QString>(u"macOS"_s) << u"laptopcomputer"_s;
        QTest::newRow("windows") << std::optional<QString>(u"windows"_s) << u"desktopcomputer"_s;
        QTest::newRow("other") << std::optional<QString>(u"fridge"_s) << u"desktopcomputer"_s;
    }
    void deviceIcon()
    {
        QFETCH(std::optional<QString>, type);
        QFETCH(QString, symbol);
        QCOMPARE(DeviceRow::iconName(type), symbol);
        QVERIFY(!Icons::themeName(symbol).isEmpty());
    }

    void favoriteContentLine_data()
    {
        QTest::addColumn<QString>("type");
        QTest::addColumn<std::optional<QString>>("fileName");
        QTest::addColumn<QString>("symbol");
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("text");
        const std::optional<QString> none;
        QTest::newRow("image") << u"image"_s << none << u"photo"_s << u"favorites.image"_s << QString();
        QTest::newRow("file without name") << u"file"_s << none << u"doc"_s << u"favorites.file"_s << QString();
        QTest::newRow("file with name") << u"file"_s << std::optional<QString>(u"a.pdf"_s) << u"doc"_s << QString() << u"a.pdf"_s;
        QTest::newRow("voice") << u"voice"_s << none << u"waveform"_s << u"favorites.voice"_s << QString();
        QTest::newRow("video") << u"video"_s << none << u"video"_s << u"favorites.video"_s << QString();
        QTest::newRow("sticker") << u"sticker"_s << none << u"face.smiling"_s << u"favorites.sticker"_s << QString();
        QTest::newRow("capital Image is text") << u"Image"_s << none << QString() << QString() << u"hello"_s;
        QTest::newRow("text") << u"text"_s << none << QString() << QString() << u"hello"_s;
    }
    void favoriteContentLine()
    {
        QFETCH(QString, type);
        QFETCH(std::optional<QString>, fileName);
        QFETCH(QString, symbol);
        QFETCH(QString, key);
        QFETCH(QString, text);
        Message message;
        message.type = type;
        message.fileName = fileName;
        message.content = u"hello"_s;
        const FavoriteRow::ContentLine line = FavoriteRow::contentLine(message);
        QCOMPARE(line.symbol, symbol);
        QCOMPARE(line.key, key);
        QCOMPARE(line.text, text);
    }

    // The rows, the menu's entries, copying and unstarring.
    void favoritesScreen()
    {
        AccountStack s;
        s.reply("favorites.list", 200,
                R"([{"message":{"id":7,"conversationId":1,"senderId":2,"type":"text","content":"<b>hi</b>","createdAt":"2024-05-01T10:20:30Z",)"
                R"("sender":{"name":"Ann"}}},{"message":{"id":8,"conversationId":1,"senderId":3,"type":"image"}}])");
        FavoritesView view(std::make_unique<FavoritesViewModel>(&s.chat));
        view.resize(360, 500);
        view.show();
        auto* list = child<QListView>(&view, "favoritesList");
        const QAbstractItemModel* rows = list->model();
        QTRY_COMPARE(rows->rowCount(), 2);
        QCOMPARE(testsupport::rowsLeavingPainterChanged(list), QString());
        QCOMPARE(rows->index(0, 0).data(FavoriteListModel::DateRole).toString(), u"2024-05-01"_s);
        QCOMPARE(rows->index(0, 0).data(FavoriteListModel::ContentRole).toString(), u"<b>hi</b>"_s);
        QCOMPARE(rows->index(1, 0).data(FavoriteListModel::ContentRole).toString(), Localized::text("favorites.image"));
        QCOMPARE(rows->index(1, 0).data(FavoriteListModel::DateRole).toString(), QString());
        // A screen reader hears a row as it shows, the message and its date too.
        QCOMPARE(rows->index(0, 0).data(Qt::AccessibleTextRole).toString(), u"Ann, <b>hi</b>, 2024-05-01"_s);
        QCOMPARE(rows->index(1, 0).data(Qt::AccessibleTextRole).toString(),
                 Localized::text("default.unknown") + u", "_s + Localized::text("favorites.image"));
        QVERIFY(child<QWidget>(&view, "favoritesEmpty")->isHidden());
        // A media row leads its content with the medium's icon; a text row shows its words alone.
        PaintLog log(list->viewport()->size());
        list->viewport()->render(&log);
        const QList<PaintedItem> texts = log.painting().texts();
        for (int row : { 0, 1 }) {
            const QRect rect = list->visualRect(rows->index(row, 0));
            const QString content = rows->index(row, 0).data(FavoriteListModel::ContentRole).toString();
            const auto words = std::find_if(texts.cbegin(), texts.cend(),
                [&](const PaintedItem& text) { return rect.contains(text.rect.center().toPoint()) && text.text == content; });
            QVERIFY2(words != texts.cend(), qPrintable(log.painting().allText()));
            int icons = 0;
            for (const PaintedItem& picture : log.painting().pictures())
                icons += rect.contains(picture.rect.center().toPoint()) && picture.rect.right() <= words->rect.left()
                    && picture.rect.bottom() >= words->rect.top() && picture.rect.top() <= words->rect.bottom();
            QCOMPARE(icons, row == 1 ? 1 : 0);
        }
        // Above the content, the sender leads and the day trails on the same line.
        const QRect first = list->visualRect(rows->index(0, 0));
        auto shownIn = [&](const QString& text) {
            const auto found = std::find_if(texts.cbegin(), texts.cend(),
                [&](const PaintedItem& item) { return first.contains(item.rect.center().toPoint()) && item.text == text; });
            return found == texts.cend() ? std::optional<QRectF>() : std::optional<QRectF>(found->rect);
        };
        const auto sender = shownIn(u"Ann"_s);
        const auto day = shownIn(u"2024-05-01"_s);
        QVERIFY2(sender && day, qPrintable(log.painting().allText()));
        QVERIFY(day->left() > sender->right() && day->right() > first.center().x());
        QVERIFY(day->top() < sender->bottom() && sender->top() < day->bottom());
        {
            // The 36-point avatar, 12 to its right the sender in headline type over the
            // grey body-type content, 4 apart; the day in grey caption type.
            const Painting painting = paintedRow(list, rows->index(0, 0));
            const QList<PaintedItem> rowTexts = painting.texts();
            const auto item = [&](const QString& text) {
                const auto found = std::find_if(rowTexts.cbegin(), rowTexts.cend(),
                    [&](const PaintedItem& it) { return first.contains(it.rect.center().toPoint()) && it.text == text; });
                return found == rowTexts.cend() ? std::optional<PaintedItem>() : std::optional<PaintedItem>(*found);
            };
            const auto name = item(u"Ann"_s);
            const auto date = item(u"2024-05-01"_s);
            const auto words = item(u"<b>hi</b>"_s);
            QVERIFY(name && date && words);
            QRectF avatar;
            for (const PaintedItem& shape : painting.shapes()) {
                if (first.contains(shape.rect.center().toPoint()) && shape.rect.size() == QSizeF(36, 36))
                    avatar = shape.rect;
            }
            QVERIFY2(avatar.isValid(), "no 36-point avatar in the row");
            QVERIFY(qAbs(avatar.center().y() - first.center().y()) <= 1.5);
            QVERIFY(avatar.top() - first.top() >= 4 && first.bottom() - avatar.bottom() >= 4 - 1);
            QVERIFY2(qAbs(name->rect.left() - avatar.right() - 12) <= 0.5, qPrintable(QDebug::toString(name->rect)));
            QVERIFY(qAbs(words->rect.left() - name->rect.left()) <= 0.5);
            QVERIFY2(qAbs(words->rect.top() - name->rect.bottom() - 4) <= 1.5, qPrintable(QDebug::toString(words->rect)));
            QCOMPARE(name->font.pixelSize(), Appearance::font(Appearance::TextStyle::Headline).pixelSize());
            QCOMPARE(name->pen, QApplication::palette().color(QPalette::Text));
            QCOMPARE(date->font.pixelSize(), Appearance::font(Appearance::TextStyle::Caption).pixelSize());
            QCOMPARE(date->pen, Appearance::secondaryText());
            QCOMPARE(words->font.pixelSize(), Appearance::font(Appearance::TextStyle::Body).pixelSize());
            QCOMPARE(words->pen, Appearance::secondaryText());
        }

        VERIFY_SNAPSHOT(&view, u"favorites"_s);

        // A right click on a row opens that row's menu.
        const QPoint onRow = list->visualRect(rows->index(1, 0)).center();
        QContextMenuEvent click(QContextMenuEvent::Mouse, onRow, list->viewport()->mapToGlobal(onRow));
        QApplication::sendEvent(list->viewport(), &click);
        QMenu* shown = nullptr;
        QTRY_VERIFY((shown = child<QMenu>(&view, "favoriteContextMenu")) && shown->isVisible());
        QVERIFY(child<QAction>(shown, "unstarAction") && !child<QAction>(shown, "copyAction"));
        // With nothing harmless in it, nothing is current: Return right away removes nothing.
        QCOMPARE(shown->activeAction(), nullptr);
        QTest::keyClick(shown, Qt::Key_Return);
        QCOMPARE(rows->rowCount(), 2);
        shown->close();

        QMenu* menu = view.contextMenu(view.viewModel()->favorites().at(1));
        QVERIFY(!child<QAction>(menu, "copyAction")); // no text, nothing to copy
        menu->deleteLater();
        menu = view.contextMenu(view.viewModel()->favorites().at(0));
        QCOMPARE(menu->actions().size(), 2);
        QCOMPARE(menu->actions().at(0)->objectName(), u"unstarAction"_s);
        // However it opens, it opens on Copy, never on the entry that unstars.
        menu->popup(view.mapToGlobal(QPoint(10, 10)));
        QTRY_VERIFY(menu->isVisible());
        QCOMPARE(menu->activeAction(), child<QAction>(menu, "copyAction"));
        menu->hide();
        child<QAction>(menu, "copyAction")->trigger();
        QCOMPARE(QGuiApplication::clipboard()->text(), u"<b>hi</b>"_s);

        s.reply("favorites.remove", 200, "null");
        child<QAction>(menu, "unstarAction")->trigger();
        QTRY_COMPARE(rows->rowCount(), 1);
        QCOMPARE(s.calls().last(), u"POST favorites.remove {\"messageId\":7}"_s);
        QCOMPARE(rows->index(0, 0).data(FavoriteListModel::MessageIdRole).toLongLong(), 8);
        menu->deleteLater();
    }

    // An unstarred message stays off the list when a reload that left before the
    // server agreed answers after it; a reload that leaves afterwards is the
    // server's word again (the message was starred anew elsewhere).
    void unstarBeatsOlderReload_data()
    {
        QTest::addColumn<bool>("reloadFirst");
        QTest::addColumn<QList<qint64>>("shown");
        QTest::newRow("older reload") << true << QList<qint64> { 8 };
        QTest::newRow("newer reload") << false << QList<qint64> { 7, 8 };
    }
    void unstarBeatsOlderReload()
    {
        QFETCH(bool, reloadFirst);
        QFETCH(QList<qint64>, shown);
        AccountStack s;
        const QByteArray both = R"([{"message":{"id":7,"conversationId":1,"senderId":2,"type":"text","content":"a"}},)"
                                R"({"message":{"id":8,"conversationId":1,"senderId":2,"type":"text","content":"b"}}])";
        s.reply("favorites.list", 200, both);
        s.reply("favorites.remove", 200, "null");
        FavoritesView view(std::make_unique<FavoritesViewModel>(&s.chat));
        view.resize(360, 500);
        view.show();
        auto* list = child<QListView>(&view, "favoritesList");
        const QAbstractItemModel* rows = list->model();
        const auto shownIds = [rows] {
            QList<qint64> ids;
            for (int row = 0; row < rows->rowCount(); ++row)
                ids << rows->index(row, 0).data(FavoriteListModel::MessageIdRole).toLongLong();
            return ids;
        };
        QTRY_COMPARE(shownIds(), (QList<qint64> { 7, 8 }));
        QTRY_VERIFY(!view.viewModel()->isLoading());
        const QString listPath = AccountStack::path("favorites.list");
        s.server.respond(listPath, Reply { 200, AccountStack::envelope(both), {}, true });
        // The screen shown again reads the list again.
        const auto reload = [&] {
            view.hide();
            view.show();
            QTRY_COMPARE(s.server.requestsTo(listPath).size(), 2);
        };
        if (reloadFirst)
            reload();
        listkeys::key(list, Qt::Key_Home);
        QMenu* menu = listkeys::openMenu(list, true);
        QVERIFY(menu && child<QAction>(menu, "unstarAction"));
        child<QAction>(menu, "unstarAction")->trigger();
        QTRY_COMPARE(shownIds(), QList<qint64> { 8 });
        if (!reloadFirst)
            reload();
        s.server.release(listPath);
        QTRY_VERIFY(!view.viewModel()->isLoading());
        QCOMPARE(shownIds(), shown);
        QVERIFY(!view.viewModel()->errorMessage());
    }

    // Favourites by keyboard: the current row is framed while the list has the
    // focus, the keys walk the whole list, and the menu key opens the row's own menu.
    void favoritesKeyboard()
    {
        AccountStack s;
        s.reply("favorites.list", 200,
                "[" + numberedFavorites(30) + "]");
        FavoritesView view(std::make_unique<FavoritesViewModel>(&s.chat));
        view.resize(360, 400);
        view.show();
        auto* list = child<QListView>(&view, "favoritesList");
        QTRY_COMPARE(list->model()->rowCount(), 30);
        // It scrolls by the pixel, not a whole row at a time: its range is the rows' height.
        QTRY_VERIFY(list->verticalScrollBar()->maximum() > 2 * list->model()->rowCount());
        LISTKEYS(listkeys::walkWholeList(list));
        LISTKEYS(listkeys::tabsThrough(list));

        list->setFocus(Qt::TabFocusReason);
        listkeys::key(list, Qt::Key_Home);
        const QRect row = list->visualRect(list->currentIndex());
        const QImage focused = list->viewport()->grab(row).toImage();
        listkeys::key(list, Qt::Key_Down);
        const QImage left = list->viewport()->grab(row).toImage();
        listkeys::key(list, Qt::Key_Up);
        QCOMPARE(list->viewport()->grab(row).toImage(), focused);
        QVERIFY2(focused != left, "the current row looks like any other");

        QMenu* shown = listkeys::openMenu(list, true);
        QVERIFY(shown && shown->objectName() == u"favoriteContextMenu"_s);
        // Menu then Return copies: the entry that unstars is never the one current at opening.
        QCOMPARE(shown->activeAction(), child<QAction>(shown, "copyAction"));
        QVERIFY(list->visualRect(list->currentIndex()).contains(list->viewport()->mapFromGlobal(shown->pos())));
        shown->close();

        // Unstarred from the menu, the row goes: the keyboard is on the one that took its place.
        s.reply("favorites.remove", 200, "null");
        listkeys::key(list, Qt::Key_Down);
        const qint64 next = qobject_cast<FavoriteListModel*>(list->model())->messageAt(2).id;
        QVERIFY(listkeys::choose(list, u"unstarAction"_s));
        QTRY_COMPARE(list->model()->rowCount(), 29);
        // As a desktop does when the menu closes, the window has the keyboard again.
        QApplication::setActiveWindow(&view);
        QTRY_VERIFY(list->hasFocus());
        QCOMPARE(qobject_cast<FavoriteListModel*>(list->model())->messageAt(list->currentIndex().row()).id, next);
    }

    // A reload that brings the same favourites repaints only the rows that changed;
    // only a different set or order of messages resets the list.
    void favoriteReloadTouchesOnlyChangedRows_data()
    {
        QTest::addColumn<QList<qint64>>("ids");
        QTest::addColumn<QStringList>("contents");
        QTest::addColumn<int>("resets");
        QTest::addColumn<QList<int>>("changedRows");
        const QList<qint64> same { 1, 2, 3 };
        QTest::newRow("unchanged") << same << QStringList { u"a"_s, u"b"_s, u"c"_s } << 0 << QList<int> {};
        QTest::newRow("one edited") << same << QStringList { u"a"_s, u"B"_s, u"c"_s } << 0 << QList<int> { 1 };
        QTest::newRow("reordered") << QList<qint64> { 2, 1, 3 } << QStringList { u"b"_s, u"a"_s, u"c"_s } << 1 << QList<int> {};
        QTest::newRow("one removed") << QList<qint64> { 1, 3 } << QStringList { u"a"_s, u"c"_s } << 1 << QList<int> {};
    }
    void favoriteReloadTouchesOnlyChangedRows()
    {
        QFETCH(QList<qint64>, ids);
        QFETCH(QStringList, contents);
        QFETCH(int, resets);
        QFETCH(QList<int>, changedRows);
        auto messages = [](const QList<qint64>& ids, const QStringList& contents) {
            QList<Message> list;
            for (qsizetype i = 0; i < ids.size(); ++i) {
                Message message;
                message.id = ids.at(i);
                message.type = u"text"_s;
                message.content = contents.at(i);
                list << message;
            }
            return list;
        };
        FavoriteListModel model;
        model.setFavorites(messages({ 1, 2, 3 }, { u"a"_s, u"b"_s, u"c"_s }));
        QSignalSpy reset(&model, &QAbstractItemModel::modelReset);
        QSignalSpy changed(&model, &QAbstractItemModel::dataChanged);
        model.setFavorites(messages(ids, contents));
        QCOMPARE(reset.size(), resets);
        QList<int> touched;
        for (const QList<QVariant>& signal : changed) {
            const QModelIndex from = signal.at(0).toModelIndex();
            QCOMPARE(signal.at(1).toModelIndex(), from);
            touched << from.row();
        }
        QCOMPARE(touched, changedRows);
        for (int row = 0; row < model.rowCount(); ++row)
            QCOMPARE(model.index(row).data(FavoriteListModel::ContentRole).toString(), contents.at(row));
    }

    void fileSize_data()
    {
        QTest::addColumn<qint64>("bytes");
        QTest::addColumn<QString>("text");
        QTest::newRow("0") << qint64(0) << u"0 B"_s;
        QTest::newRow("1023") << qint64(1023) << u"1023 B"_s;
        QTest::newRow("1024") << qint64(1024) << u"1.0 KB"_s;
        QTest::newRow("1536") << qint64(1536) << u"1.5 KB"_s;
        QTest::newRow("a half rounds as C does") << qint64(1280) << u"1.2 KB"_s;
        QTest::newRow("1048575") << qint64(1048575) << u"1024.0 KB"_s;
        QTest::newRow("1048576") << qint64(1048576) << u"1.0 MB"_s;
        QTest::newRow("5 GiB") << qint64(5) * 1024 * 1024 * 1024 << u"5120.0 MB"_s;
    }
    void fileSize()
    {
        QFETCH(qint64, bytes);
        QFETCH(QString, text);
        QCOMPARE(FileManagementRow::formatFileSize(bytes), text);
    }

    void fileIcon_data()
    {
        QTest::addColumn<std::optional<QString>>("mimeType");
        QTest::addColumn<QString>("symbol");
        QTest::addColumn<QColor>("color");
        const auto type = [](const char* text) { return std::optional<QString>(QString::fromLatin1(text)); };
        QTest::newRow("missing") << std::optional<QString>() << u"doc"_s << SystemColors::blue();
        QTest::newRow("IMAGE/PNG") << type("IMAGE/PNG") << u"photo"_s << SystemColors::green();
        QTest::newRow("video") << type("video/mp4") << u"video"_s << SystemColors::purple();
        QTest::newRow("audio") << type("audio/mpeg") << u"music.note"_s << SystemColors::orange();
        QTest::newRow("pdf") << type("application/pdf") << u"doc.richtext"_s << SystemColors::red();
        QTest::newRow("zip") << type("application/zip") << u"doc.zipper"_s << SystemColors::blue();
        QTest::newRow("rar") << type("application/x-rar-compressed") << u"doc.zipper"_s << SystemColors::blue();
        QTest::newRow("other") << type("text/plain") << u"doc"_s << SystemColors::blue();
    }
    void fileIcon()
    {
        QFETCH(std::optional<QString>, mimeType);
        QFETCH(QString, symbol);
        QFETCH(QColor, color);
        QCOMPARE(FileManagementRow::iconName(mimeType), symbol);
        QCOMPARE(FileManagementRow::iconColor(mimeType), color);
        QVERIFY(!Icons::themeName(symbol).isEmpty());
    }

    // Paging as the server sees it, the preview button's conditions, the
    // download reaching the desktop, and the preview sheet.
    void filesScreen()
    {
        AccountStack s;
        const QByteArray first = "[{\"id\":1,\"fileName\":\"a.png\",\"mimeType\":\"image/png\",\"fileUrl\":\"/uploads/a.png\",\"fileSize\":1536,"
                                 "\"createdAt\":\"2024-05-01T10:20:30Z\"},"
                                 "{\"id\":2,\"mimeType\":\"image/png\",\"fileUrl\":\"/uploads/missing.png\"},"
                                 "{\"id\":3,\"mimeType\":\"image/png\"},"
                                 "{\"id\":4,\"mimeType\":\"application/pdf\",\"fileUrl\":\"/uploads/b.pdf\"}]";
        s.reply("files.getMyFiles", 200, first);
        s.server.respond(u"/uploads/a.png"_s, Reply { 200, png(), { { "Content-Type", "image/png" } } });
        s.server.respond(u"/uploads/missing.png"_s, Reply { 404, "not here" });
        FileManagementView view(std::make_unique<FileManagementViewModel>(&s.files));
        view.resize(420, 500);
        view.show();
        auto* list = child<QListView>(&view, "fileRows");
        const QAbstractItemModel* rows = list->model();
        QTRY_COMPARE(rows->rowCount(), 4);
        QTRY_VERIFY(list->viewport()->rect().contains(list->visualRect(rows->index(3, 0))));
        QCOMPARE(testsupport::rowsLeavingPainterChanged(list), QString());
        QCOMPARE(list->verticalScrollBar()->maximum(), 0);
        QVERIFY(child<QPushButton>(&view, "loadMoreButton")->geometry().top() >= list->geometry().bottom());
        QCOMPARE(rows->index(0, 0).data(FileListModel::SizeRole).toString(), u"1.5 KB"_s);
        QCOMPARE(rows->index(0, 0).data(FileListModel::DateRole).toString(), u"2024-05-01"_s);
        QCOMPARE(rows->index(1, 0).data(Qt::DisplayRole).toString(), Localized::text("files.unknown_file"));
        QList<bool> previewable;
        for (int row = 0; row < rows->rowCount(); ++row)
            previewable << rows->index(row, 0).data(FileListModel::PreviewUrlRole).toUrl().isValid();
        QCOMPARE(previewable, (QList<bool> { true, true, false, false }));
        {
            // As painted: the kind's symbol in a frame 36 wide, 12 to its right the name in
            // body type over the grey caption size and day, 2 apart, the two 8 apart; at the
            // trailing edge preview then download, 8 apart.
            const QRect row = list->visualRect(rows->index(0, 0));
            const Painting painting = paintedRow(list, rows->index(0, 0));
            std::optional<PaintedItem> name, size, day;
            for (const PaintedItem& text : painting.texts()) {
                if (!row.contains(text.rect.center().toPoint()))
                    continue;
                if (text.text == u"a.png"_s)
                    name = text;
                else if (text.text == u"1.5 KB"_s)
                    size = text;
                else if (text.text == u"2024-05-01"_s)
                    day = text;
            }
            QVERIFY2(name && size && day, qPrintable(painting.allText()));
            QCOMPARE(name->font.pixelSize(), Appearance::font(Appearance::TextStyle::Body).pixelSize());
            QCOMPARE(name->pen, QApplication::palette().color(QPalette::Text));
            for (const PaintedItem& detail : { *size, *day }) {
                QCOMPARE(detail.font.pixelSize(), Appearance::font(Appearance::TextStyle::Caption).pixelSize());
                QCOMPARE(detail.pen, Appearance::secondaryText());
                QVERIFY2(qAbs(detail.rect.top() - name->rect.bottom() - 2) <= 1.5, qPrintable(QDebug::toString(detail.rect)));
            }
            QVERIFY(qAbs(size->rect.left() - name->rect.left()) <= 0.5);
            QVERIFY2(qAbs(day->rect.left() - size->rect.right() - 8) <= 1, qPrintable(QDebug::toString(day->rect)));
            QVERIFY(qAbs((name->rect.top() + size->rect.bottom()) / 2 - row.center().y()) <= 1.5);
            QList<PaintedItem> pictures;
            for (const PaintedItem& picture : painting.pictures()) {
                if (row.contains(picture.rect.center().toPoint()))
                    pictures << picture;
            }
            QVERIFY(!pictures.isEmpty());
            std::ranges::sort(pictures, {}, [](const PaintedItem& p) { return p.rect.left(); });
            // The kind's symbol is centred in its 36-wide frame, which the name follows at 12.
            QVERIFY2(qAbs(pictures.first().rect.center().x() + 18 + 12 - name->rect.left()) <= 0.5,
                     qPrintable(QDebug::toString(pictures.first().rect)));
            QVERIFY(qAbs(pictures.first().rect.center().y() - row.center().y()) <= 1.5);
            QCOMPARE(FileManagementRow::downloadRect(row).left() - FileManagementRow::previewRect(row).right() - 1, 8);
            // The two buttons side by side on one line, where their symbols are drawn.
            QCOMPARE(FileManagementRow::previewRect(row).top(), FileManagementRow::downloadRect(row).top());
            if (pictures.size() >= 3) {
                const QRectF eye = pictures.at(pictures.size() - 2).rect;
                const QRectF arrow = pictures.last().rect;
                QVERIFY(FileManagementRow::previewRect(row).contains(eye.center().toPoint()));
                QVERIFY(FileManagementRow::downloadRect(row).contains(arrow.center().toPoint()));
                QCOMPARE(eye.center().y(), arrow.center().y());
            }
            QVERIFY(FileManagementRow::downloadRect(row).right() <= row.right());
        }
        VERIFY_SNAPSHOT(&view, u"files"_s);
        // Clicks land on a row's own buttons, where the row draws them.
        auto clickOn = [list, rows](int row, QRect (*button)(const QRect&)) {
            QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, button(list->visualRect(rows->index(row, 0))).center());
        };
        auto downloading = [rows](int row) { return rows->index(row, 0).data(FileListModel::DownloadingRole).toBool(); };

        // Load more: page 2 fails, so the next press asks for page 2 again.
        auto* more = child<QPushButton>(&view, "loadMoreButton");
        QVERIFY(more && more->isEnabled());
        s.reply("files.getMyFiles", 500, "{}");
        QTest::mouseClick(more, Qt::LeftButton);
        QTRY_VERIFY(child<QPushButton>(&view, "loadMoreButton")->isEnabled());
        s.reply("files.getMyFiles", 200, filePage(5, 1));
        QTest::mouseClick(child<QPushButton>(&view, "loadMoreButton"), Qt::LeftButton);
        QTRY_COMPARE(rows->rowCount(), 5);
        QStringList pages;
        for (const auto& request : s.server.requestsTo(AccountStack::path("files.getMyFiles")))
            pages << request.queryValue(u"input"_s);
        QCOMPARE(pages, (QStringList { u"{\"json\":{\"limit\":50,\"page\":1}}"_s, u"{\"json\":{\"limit\":50,\"page\":2}}"_s,
                                       u"{\"json\":{\"limit\":50,\"page\":2}}"_s }));
        QVERIFY(!child<ErrorAlert>(&view, "errorAlert")->isVisible());

        // The download opens the signed address on the desktop.
        UrlSink sink;
        QDesktopServices::setUrlHandler(u"https"_s, &sink, "open");
        FileService::setUrlOpener([](const QUrl& url) { QDesktopServices::openUrl(url); });
        s.server.respond(AccountStack::path("files.getDownloadUrl"),
                         Reply { 200, AccountStack::envelope("{\"id\":4,\"signedUrl\":\"https://files.example/4?signature=x\"}"), {}, true });
        clickOn(3, &FileManagementRow::downloadRect);
        QTRY_VERIFY(downloading(3));
        // A second click while the link is fetched asks nothing more.
        clickOn(3, &FileManagementRow::downloadRect);
        QTRY_VERIFY(!s.server.requestsTo(AccountStack::path("files.getDownloadUrl")).isEmpty());
        s.server.release(AccountStack::path("files.getDownloadUrl"));
        QTRY_COMPARE(sink.opened.size(), 1);
        QCOMPARE(s.server.requestsTo(AccountStack::path("files.getDownloadUrl")).size(), 1);
        QCOMPARE(sink.opened.at(0), QUrl(u"https://files.example/4?signature=x"_s));
        QCOMPARE(s.calls().last(), u"POST files.getDownloadUrl {\"fileId\":4}"_s);
        QTRY_VERIFY(!downloading(3));
        s.reply("files.getDownloadUrl", 200, "{\"id\":4,\"signedUrl\":\"file:///etc/passwd\"}");
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression(u"^\\[FileManagement\\] Refused"_s));
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression(u"^\\[FileManagement\\] Download failed: "_s));
        clickOn(3, &FileManagementRow::downloadRect);
        QTRY_COMPARE(s.server.requestsTo(AccountStack::path("files.getDownloadUrl")).size(), 2);
        QTRY_VERIFY(!downloading(3));
        QCOMPARE(sink.opened.size(), 1);
        QDesktopServices::unsetUrlHandler(u"https"_s);
        FileService::setUrlOpener({});

        // A served picture shows; a missing one says it cannot be shown; Escape closes.
        clickOn(0, &FileManagementRow::previewRect);
        QCOMPARE(view.previewURL(), std::optional<QUrl>(QUrl(s.server.baseUrl() + u"/uploads/a.png"_s)));
        ImagePreviewView* sheet = view.previewSheet();
        QTRY_COMPARE(sheet->phase(), u"loaded"_s);
        QVERIFY(!child<QLabel>(sheet, "previewImage")->pixmap().isNull());
        QVERIFY(!s.server.requestsTo(u"/uploads/a.png"_s).at(0).hasHeader("Authorization"));
        QVERIFY(QTest::qWaitForWindowExposed(sheet));
        VERIFY_SNAPSHOT(sheet, u"file-preview"_s);
        QTest::keyClick(sheet, Qt::Key_Escape);
        QTRY_VERIFY(!view.previewURL());

        clickOn(1, &FileManagementRow::previewRect);
        sheet = view.previewSheet();
        QTRY_COMPARE(sheet->phase(), u"failed"_s);
        QVERIFY(child<QLabel>(sheet, "previewFailedText")->isVisible());
        QCOMPARE(child<QLabel>(sheet, "previewFailedText")->text(), Localized::text("files.preview_failed"));
        {
            // The grey warning sign 8 over the grey words, both centred.
            auto* words = child<QLabel>(sheet, "previewFailedText");
            QLabel* sign = nullptr;
            for (QLabel* label : words->parentWidget()->findChildren<QLabel*>()) {
                if (label->property("symbol").toString() == u"exclamationmark.triangle"_s)
                    sign = label;
            }
            QVERIFY(sign && sign->isVisible());
            QCOMPARE(words->palette().color(QPalette::WindowText), Appearance::secondaryText());
            QCOMPARE(words->geometry().top() - sign->geometry().bottom() - 1, 8);
            QVERIFY(qAbs(words->geometry().center().x() - sign->geometry().center().x()) <= 1);
        }
        VERIFY_SNAPSHOT(sheet, u"file-preview-failed"_s);
        QTest::mouseClick(child<QPushButton>(sheet, "previewCloseButton"), Qt::LeftButton);
        QTRY_VERIFY(!view.previewURL());
    }

    // Files by keyboard: Return previews a picture and downloads anything else, the
    // row menu holds both buttons (download greyed while its link is fetched), and
    // the rows and buttons are named for screen readers.
    void filesKeyboard()
    {
        AccountStack s;
        QByteArray page = "[{\"id\":1,\"fileName\":\"a.png\",\"mimeType\":\"image/png\",\"fileUrl\":\"/uploads/a.png\",\"fileSize\":1536,"
                          "\"createdAt\":\"2024-05-01T10:20:30Z\"}";
        for (int id = 2; id <= 30; ++id)
            page += ",{\"id\":" + QByteArray::number(id) + ",\"fileName\":\"f" + QByteArray::number(id) + ".pdf\",\"mimeType\":\"application/pdf\"}";
        s.reply("files.getMyFiles", 200, page + "]");
        s.server.respond(u"/uploads/a.png"_s, Reply { 200, png(), { { "Content-Type", "image/png" } } });
        FileManagementView view(std::make_unique<FileManagementViewModel>(&s.files));
        view.resize(420, 400);
        view.show();
        auto* list = child<QListView>(&view, "fileRows");
        QTRY_COMPARE(list->model()->rowCount(), 30);
        // It scrolls by the pixel, not a whole row at a time: its range is the rows' height.
        QTRY_VERIFY(list->verticalScrollBar()->maximum() > 2 * list->model()->rowCount());
        LISTKEYS(listkeys::walkWholeList(list));
        LISTKEYS(listkeys::tabsThrough(list));

        const QModelIndex picture = list->model()->index(0, 0);
        QCOMPARE(picture.data(Qt::AccessibleTextRole).toString(), u"a.png, 1.5 KB, 2024-05-01"_s);
        QCOMPARE(picture.data(Qt::AccessibleDescriptionRole).toString(),
                 Localized::text("files.preview") + u", "_s + Localized::text("files.download"));
        QCOMPARE(listkeys::menuOf(list), (QStringList { u"preview"_s, u"download"_s }));
        listkeys::key(list, Qt::Key_Return);
        QCOMPARE(view.previewURL(), std::optional<QUrl>(QUrl(s.server.baseUrl() + u"/uploads/a.png"_s)));
        QTRY_COMPARE(view.previewSheet()->phase(), u"loaded"_s);
        const QString walked = keyboardwalk::problems(view.previewSheet());
        QVERIFY2(walked.isEmpty(), qPrintable(walked));
        QTest::keyClick(view.previewSheet(), Qt::Key_Escape);
        QTRY_VERIFY(!view.previewURL());
        // Closed, the sheet hands the keyboard back to the list it was opened from.
        QTRY_COMPARE(QApplication::focusWidget(), list);

        s.server.respond(AccountStack::path("files.getDownloadUrl"),
                         Reply { 200, AccountStack::envelope("{\"id\":2,\"signedUrl\":\"https://files.example/2\"}"), {}, true });
        UrlSink sink;
        QDesktopServices::setUrlHandler(u"https"_s, &sink, "open");
        FileService::setUrlOpener([](const QUrl& url) { QDesktopServices::openUrl(url); });
        listkeys::key(list, Qt::Key_Down);
        listkeys::key(list, Qt::Key_Return);
        QTRY_VERIFY(list->currentIndex().data(FileListModel::DownloadingRole).toBool());
        QCOMPARE(listkeys::menuOf(list, true), QStringList { u"download (off)"_s });
        listkeys::key(list, Qt::Key_Return);
        QTRY_VERIFY(!s.server.requestsTo(AccountStack::path("files.getDownloadUrl")).isEmpty());
        s.server.release(AccountStack::path("files.getDownloadUrl"));
        QTRY_COMPARE(sink.opened.size(), 1);
        QCOMPARE(s.server.requestsTo(AccountStack::path("files.getDownloadUrl")).size(), 1);
        QCOMPARE(s.calls().last(), u"POST files.getDownloadUrl {\"fileId\":2}"_s);
        QDesktopServices::unsetUrlHandler(u"https"_s);
        FileService::setUrlOpener({});
        QVERIFY(!view.previewURL());
    }

    // The hover help of a file row's buttons, in the language in force.
    void fileButtonHelp_data()
    {
        QTest::addColumn<int>("language");
        QTest::addColumn<bool>("preview");
        QTest::addColumn<QString>("key");
        const QList<std::pair<AppLanguage, QByteArray>> languages { { AppLanguage::en, "en" }, { AppLanguage::zhHans, "zh" }, { AppLanguage::vi, "vi" } };
        for (const auto& [language, name] : languages) {
            QTest::newRow(name + " preview") << int(language) << true << u"files.preview"_s;
            QTest::newRow(name + " download") << int(language) << false << u"files.download"_s;
        }
    }
    void fileButtonHelp()
    {
        QFETCH(int, language);
        QFETCH(bool, preview);
        QFETCH(QString, key);
        AccountStack s;
        s.reply("files.getMyFiles", 200, "[{\"id\":1,\"fileName\":\"a.png\",\"mimeType\":\"image/png\",\"fileUrl\":\"/uploads/a.png\"}]");
        FileManagementView view(std::make_unique<FileManagementViewModel>(&s.files));
        view.resize(420, 400);
        view.show();
        auto* list = child<QListView>(&view, "fileRows");
        QTRY_COMPARE(list->model()->rowCount(), 1);
        LocalizationManager::shared().setLanguage(AppLanguage(language));
        const QRect row = list->visualRect(list->model()->index(0, 0));
        const QPoint at = (preview ? FileManagementRow::previewRect(row) : FileManagementRow::downloadRect(row)).center();
        QHelpEvent help(QEvent::ToolTip, at, list->viewport()->mapToGlobal(at));
        QApplication::sendEvent(list->viewport(), &help);
        const QString shown = QToolTip::text();
        QToolTip::hideText();
        LocalizationManager::shared().setLanguage(AppLanguage::en);
        QCOMPARE(shown, LocalizationManager::shared().bundle(AppLanguage(language)).localizedString(key));
    }

    // Devices by keyboard: headings are passed over, this device offers nothing,
    // another device's row menu signs it out (never Return), greyed while it runs.
    void devicesKeyboard()
    {
        AccountStack s;
        QByteArray list = "[{\"id\":1,\"deviceId\":\"a\",\"deviceName\":\"Mine\",\"isCurrent\":true}";
        for (int id = 2; id <= 25; ++id)
            list += ",{\"id\":" + QByteArray::number(id) + ",\"deviceId\":\"d" + QByteArray::number(id) + "\",\"deviceName\":\"PC"
                + QByteArray::number(id) + "\",\"lastIp\":\"10.0.0." + QByteArray::number(id) + "\"}";
        s.reply("session.myDevices", 200, list + "]");
        DeviceManagementView view(std::make_unique<DeviceManagementViewModel>(&s.sessions));
        view.resize(520, 400);
        view.show();
        auto* deviceList = child<QListView>(&view, "deviceList");
        QTRY_COMPARE(deviceList->model()->rowCount(), 27);
        // It scrolls by the pixel, not a whole row at a time: its range is the rows' height.
        QTRY_VERIFY(deviceList->verticalScrollBar()->maximum() > 2 * deviceList->model()->rowCount());
        LISTKEYS(listkeys::walkWholeList(deviceList));
        LISTKEYS(listkeys::tabsThrough(deviceList));

        listkeys::key(deviceList, Qt::Key_Home);
        QCOMPARE(deviceList->currentIndex().row(), 1);
        QCOMPARE(deviceList->currentIndex().data(Qt::AccessibleTextRole).toString(), u"Mine, "_s + Localized::text("devices.current_label"));
        QVERIFY2(!listkeys::openMenu(deviceList), "this device has no sign-out");
        listkeys::key(deviceList, Qt::Key_Down);
        QCOMPARE(deviceList->currentIndex().row(), 3);
        const QModelIndex other = deviceList->currentIndex();
        QCOMPARE(other.data(Qt::AccessibleTextRole).toString(), u"PC2, 10.0.0.2"_s);
        QCOMPARE(other.data(Qt::AccessibleDescriptionRole).toString(), Localized::text("devices.logout"));
        // Return opens the row's actions, with nothing current: a second Return signs nobody out.
        listkeys::key(deviceList, Qt::Key_Return);
        auto* actions = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        QVERIFY(actions && child<QAction>(actions, "logout"));
        QCOMPARE(actions->activeAction(), nullptr);
        QTest::keyClick(actions, Qt::Key_Return);
        if (QApplication::activePopupWidget() == actions)
            QTest::keyClick(actions, Qt::Key_Escape);
        QVERIFY(s.roundTrip());
        QVERIFY(s.server.requestsTo(AccountStack::path("session.logout")).isEmpty());

        s.server.respond(AccountStack::path("session.logout"), Reply { 200, AccountStack::envelope("null"), {}, true });
        QCOMPARE(listkeys::menuOf(deviceList), QStringList { u"logout (red)"_s });
        QVERIFY(listkeys::choose(deviceList, u"logout"_s));
        QTRY_VERIFY(other.data(DeviceListModel::LoggingOutRole).toBool());
        QCOMPARE(listkeys::menuOf(deviceList, true), QStringList { u"logout (off) (red)"_s });
        QTRY_VERIFY(!s.server.requestsTo(AccountStack::path("session.logout")).isEmpty());
        s.server.release(AccountStack::path("session.logout"));
        QTRY_COMPARE(deviceList->model()->rowCount(), 26);
        // The list was filled anew: the keyboard stays where the signed-out device was.
        QApplication::setActiveWindow(&view);
        QTRY_VERIFY(deviceList->hasFocus());
        QCOMPARE(deviceList->currentIndex().row(), 3);
        QCOMPARE(s.server.requestsTo(AccountStack::path("session.logout")).size(), 1);
        QCOMPARE(s.calls().last(), u"POST session.logout {\"token\":\"d2\"}"_s);

        // Refresh waits greyed while the list loads, and keeps the keyboard: it never
        // passes down to the sign-out buttons under the list.
        const QString devicesPath = AccountStack::path("session.myDevices");
        s.server.respond(devicesPath, Reply { 200, AccountStack::envelope(list + "]"), {}, true });
        auto* refresh = child<QToolButton>(&view, "refreshButton");
        refresh->setFocus(Qt::TabFocusReason);
        QTest::keyClick(refresh, Qt::Key_Space);
        QTRY_COMPARE(s.server.requestsTo(devicesPath).size(), 2);
        QVERIFY(!refresh->isEnabled());
        QVERIFY(view.hasFocus());
        s.server.release(devicesPath);
        QTRY_VERIFY(refresh->isEnabled());
        QVERIFY(refresh->hasFocus());
    }

    // The files list changes only the rows a load or a download touches: a next
    // page adds its rows, the same first page again changes nothing, a download
    // repaints its own row.
    void fileRowsChangeOnlyWhereTouched()
    {
        AccountStack s;
        FileManagementViewModel vm(&s.files);
        FileListModel model(&vm);
        QSignalSpy reset(&model, &QAbstractItemModel::modelReset);
        QSignalSpy inserted(&model, &QAbstractItemModel::rowsInserted);
        QSignalSpy removed(&model, &QAbstractItemModel::rowsRemoved);
        QSignalSpy changed(&model, &QAbstractItemModel::dataChanged);
        s.reply("files.getMyFiles", 200, filePage(1, 3));
        testsupport::runTask(vm.loadFiles());
        QCOMPARE(model.rowCount(), 3);
        QCOMPARE(inserted.size(), 1);
        s.reply("files.getMyFiles", 200, filePage(4, 2));
        testsupport::runTask(vm.loadMore());
        QCOMPARE(model.rowCount(), 5);
        QCOMPARE(inserted.size(), 2);
        QCOMPARE(inserted.last().at(1).toInt(), 3);
        s.reply("files.getMyFiles", 200, filePage(1, 3));
        testsupport::runTask(vm.loadFiles());
        QCOMPARE(model.rowCount(), 3);
        QCOMPARE(removed.size(), 1);
        s.reply("files.getMyFiles", 200, filePage(1, 3));
        testsupport::runTask(vm.loadFiles());
        QCOMPARE(reset.size(), 0);
        QCOMPARE(inserted.size(), 2);
        QCOMPARE(removed.size(), 1);
        QCOMPARE(changed.size(), 0);

        s.reply("files.getDownloadUrl", 500, "{}");
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression(u"^\\[FileManagement\\] Download failed: "_s));
        testsupport::runTask(vm.download(2));
        QCOMPARE(changed.size(), 2); // started, ended
        for (const QList<QVariant>& signal : changed) {
            QCOMPARE(signal.at(0).toModelIndex().row(), 1);
            QCOMPARE(signal.at(1).toModelIndex().row(), 1);
        }
    }

    // A reload that brings the same files redraws a row whose shown fields changed,
    // and only that row; the row then shows the new fields.
    void fileReloadRedrawsChangedRows_data()
    {
        QTest::addColumn<QByteArray>("second"); // the second file as the reload has it
        QTest::addColumn<bool>("redrawn");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("size");
        QTest::newRow("unchanged") << QByteArray(R"({"id":2,"fileName":"b.pdf","fileSize":10,"fileUrl":"/b.png"})") << false << u"b.pdf"_s << u"10 B"_s;
        QTest::newRow("renamed") << QByteArray(R"({"id":2,"fileName":"c.pdf","fileSize":10,"fileUrl":"/b.png"})") << true << u"c.pdf"_s << u"10 B"_s;
        QTest::newRow("resized") << QByteArray(R"({"id":2,"fileName":"b.pdf","fileSize":2048,"fileUrl":"/b.png"})") << true << u"b.pdf"_s << u"2.0 KB"_s;
        QTest::newRow("dated") << QByteArray(R"({"id":2,"fileName":"b.pdf","fileSize":10,"fileUrl":"/b.png","createdAt":"2024-05-01T00:00:00Z"})") << true
                               << u"b.pdf"_s << u"10 B"_s;
        QTest::newRow("now an image") << QByteArray(R"({"id":2,"fileName":"b.pdf","fileSize":10,"mimeType":"image/png","fileUrl":"/b.png"})")
                                      << true << u"b.pdf"_s << u"10 B"_s;
    }
    void fileReloadRedrawsChangedRows()
    {
        QFETCH(QByteArray, second);
        QFETCH(bool, redrawn);
        QFETCH(QString, name);
        QFETCH(QString, size);
        AccountStack s;
        s.reply("files.getMyFiles", 200, R"([{"id":1,"fileName":"a.pdf"},{"id":2,"fileName":"b.pdf","fileSize":10,"fileUrl":"/b.png"}])");
        FileManagementView view(std::make_unique<FileManagementViewModel>(&s.files));
        view.resize(420, 500);
        view.show();
        auto* list = child<QListView>(&view, "fileRows");
        const QAbstractItemModel* rows = list->model();
        QTRY_COMPARE(rows->rowCount(), 2);
        QTRY_VERIFY(!view.viewModel()->isLoading());
        QSignalSpy changed(rows, &QAbstractItemModel::dataChanged);
        QSignalSpy reset(rows, &QAbstractItemModel::modelReset);
        s.reply("files.getMyFiles", 200, R"([{"id":1,"fileName":"a.pdf"},)" + second + "]");
        // The screen shown again reads the first page again.
        view.hide();
        view.show();
        QVERIFY(view.viewModel()->isLoading());
        QTRY_VERIFY(!view.viewModel()->isLoading());
        QCOMPARE(reset.count(), 0);
        QCOMPARE(coversRow(changed, 1), redrawn);
        QVERIFY(!coversRow(changed, 0));
        const QModelIndex row = rows->index(1, 0);
        QCOMPARE(row.data(Qt::DisplayRole).toString(), name);
        QCOMPARE(row.data(FileListModel::SizeRole).toString(), size);
        QCOMPARE(row.data(FileListModel::PreviewUrlRole).toUrl().isValid(), second.contains("image/png"));
        QCOMPARE(!row.data(FileListModel::DateRole).toString().isEmpty(), second.contains("createdAt"));
    }

    void emptyFiles()
    {
        AccountStack s;
        s.reply("files.getMyFiles", 200, "[]");
        FileManagementView view(std::make_unique<FileManagementViewModel>(&s.files));
        view.resize(420, 500);
        view.show();
        QVERIFY(view.viewModel()->isLoading());
        QTRY_VERIFY(!view.viewModel()->isLoading());
        QVERIFY(child<QWidget>(&view, "filesEmpty")->isVisible());
        QCOMPARE(symbolOf(child<QLabel>(&view, "filesEmptyIcon")), u"folder"_s);
        QVERIFY(child<QPushButton>(&view, "loadMoreButton")->isHidden());
        VERIFY_SNAPSHOT(&view, u"files-empty"_s);
        // Centred over the list, whatever the column's size.
        for (const QSize size : { QSize(420, 500), QSize(300, 700) }) {
            view.resize(size);
            QWidget* empty = child<QWidget>(&view, "filesEmpty");
            const QPoint offset = empty->mapTo(&view, empty->rect().center()) - view.rect().center();
            QVERIFY2(offset.manhattanLength() <= 2, qPrintable(u"off by %1,%2"_s.arg(offset.x()).arg(offset.y())));
        }
    }

    // A list that could not be read says why and offers a retry; it never claims
    // to be empty, and its spinner stops. The retry loads again.
    void failedLoadOffersRetry_data()
    {
        QTest::addColumn<QString>("screen");
        QTest::addColumn<QString>("procedure");
        QTest::addColumn<QByteArray>("oneRow");
        QTest::addColumn<QString>("failureKey");
        QTest::newRow("favorites") << u"favorites"_s << u"favorites.list"_s
                                   << QByteArray(R"([{"message":{"id":7,"conversationId":1,"senderId":2,"type":"text","content":"hi"}}])")
                                   << u"favorites.load_failed"_s;
        QTest::newRow("files") << u"files"_s << u"files.getMyFiles"_s << QByteArray(R"([{"id":1,"fileName":"a.pdf"}])")
                               << u"files.load_failed"_s;
        QTest::newRow("devices") << u"devices"_s << u"session.myDevices"_s << QByteArray(R"([{"id":1,"deviceId":"a","isCurrent":true}])")
                                 << u"devices.load_failed"_s;
    }
    void failedLoadOffersRetry()
    {
        QFETCH(QString, screen);
        QFETCH(QString, procedure);
        QFETCH(QByteArray, oneRow);
        QFETCH(QString, failureKey);
        AccountStack s;
        // A reason longer than the column is wide.
        s.server.respond(AccountStack::path(qPrintable(procedure)),
            Reply { 500, R"({"error":"the list could not be read while its store moves to another disk, boom"})", {}, true });
        std::unique_ptr<QWidget> view;
        if (screen == u"favorites")
            view = std::make_unique<FavoritesView>(std::make_unique<FavoritesViewModel>(&s.chat));
        else if (screen == u"files")
            view = std::make_unique<FileManagementView>(std::make_unique<FileManagementViewModel>(&s.files));
        else
            view = std::make_unique<DeviceManagementView>(std::make_unique<DeviceManagementViewModel>(&s.sessions));
        view->resize(360, 500);
        view->show();
        const QByteArray prefix = screen.toLatin1();
        // While the list loads: the spinner, never the empty text.
        QTRY_COMPARE(s.server.requestsTo(AccountStack::path(qPrintable(procedure))).size(), 1);
        QVERIFY(child<QWidget>(view.get(), prefix + "Empty")->isHidden());
        QVERIFY(child<QWidget>(view.get(), prefix + "Failure")->isHidden());
        QCOMPARE(view->findChildren<Spinner*>().size(), 1);
        QVERIFY(view->findChild<Spinner*>()->isVisible());
        s.server.release(AccountStack::path(qPrintable(procedure)));
        auto* alert = child<ErrorAlert>(view.get(), "errorAlert");
        QTRY_VERIFY(alert->isVisible());
        const QString reason = alert->text();
        QVERIFY(reason.startsWith(Localized::text(failureKey.toLatin1().constData())) && reason.endsWith(u"boom"_s));
        alert->accept();
        QWidget* failure = child<QWidget>(view.get(), prefix + "Failure");
        QVERIFY(failure->isVisible());
        auto* failureText = child<QLabel>(failure, prefix + "FailureText");
        QCOMPARE(failureText->text(), reason);
        // It wraps within the column, on more than one line, rather than run past it.
        const QRect shown(failureText->mapTo(view.get(), QPoint(0, 0)), failureText->size());
        QVERIFY2(view->rect().contains(shown), qPrintable(QDebug::toString(shown)));
        QVERIFY(failureText->height() >= 2 * failureText->fontMetrics().height());
        QVERIFY(child<QWidget>(view.get(), prefix + "Empty")->isHidden());
        for (Spinner* spinner : view->findChildren<Spinner*>())
            QVERIFY(spinner->isHidden());
        VERIFY_SNAPSHOT(view.get(), screen + u"-failed"_s);

        s.reply(qPrintable(procedure), 200, oneRow);
        QTest::mouseClick(child<QPushButton>(failure, prefix + "RetryButton"), Qt::LeftButton);
        QTRY_VERIFY(failure->isHidden());
        QTRY_COMPARE(rowCount(view.get(), screen), 1);
        QVERIFY(child<QWidget>(view.get(), prefix + "Empty")->isHidden());
        QCOMPARE(s.calls().filter(procedure).size(), 2);
    }

    // Every screen relabels when the language changes.
    void languageSwitch()
    {
        AccountStack s;
        TwoFactorView twoFactor(std::make_unique<TwoFactorViewModel>(&s.mfa));
        DeviceManagementView devices(std::make_unique<DeviceManagementViewModel>(&s.sessions));
        FavoritesView favorites(std::make_unique<FavoritesViewModel>(&s.chat));
        FileManagementView files(std::make_unique<FileManagementViewModel>(&s.files));
        const QList<std::pair<QLabel*, const char*>> labels {
            { child<QLabel>(&twoFactor, "twoFactorTitle"), "2fa.title" },
            { child<QLabel>(&devices, "devicesTitle"), "devices.title" },
            { child<QLabel>(&favorites, "favoritesTitle"), "favorites.title" },
            { child<QLabel>(&files, "filesTitle"), "files.title" },
        };
        // An open alert's text follows too.
        s.reply("session.myDevices", 500, R"({"error":"boom"})");
        devices.show();
        auto* alert = child<ErrorAlert>(&devices, "errorAlert");
        QTRY_VERIFY(alert->isVisible());
        QCOMPARE(alert->text(), Localized::text("devices.load_failed") + u"boom"_s);
        LocalizationManager::shared().setLanguage(AppLanguage::vi);
        QCOMPARE(alert->text(), Localized::text("devices.load_failed") + u"boom"_s);
        QCOMPARE(alert->windowTitle(), Localized::text("common.error"));
        for (const auto& [label, key] : labels)
            QCOMPARE(label->text(), LocalizationManager::shared().localizedString(QString::fromLatin1(key)));
        LocalizationManager::shared().setLanguage(AppLanguage::zhHans);
        for (const auto& [label, key] : labels)
            QCOMPARE(label->text(), LocalizationManager::shared().localizedString(QString::fromLatin1(key)));
        QCOMPARE(child<QLabel>(&twoFactor, "twoFactorTitle")->text(), u"两步验证"_s);
        LocalizationManager::shared().setLanguage(AppLanguage::en);
    }
};

QTEST_MAIN(TestAccountViews)
#include "tst_account_views.moc"
