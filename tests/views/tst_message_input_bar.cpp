#include "state/chat/ChatViewModel.h"
#include "state/common/LocalizationManager.h"
#include "views/chat/MessageInputBar.h"
#include "views/common/Appearance.h"
#include "views/common/Localized.h"

#include <QCoroSignal>
#include <QDialogButtonBox>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QPushButton>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextLayout>
#include <QApplication>
#include <QFileInfo>
#include <QPlainTextEdit>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>

class TestMessageInputBar : public QObject {
    Q_OBJECT

    QStringList m_sent;
    QList<QUrl> m_files;
    QList<QByteArray> m_fileContents;
    int m_typing = 0;
    int m_tooLarge = 0;
    // When set, a send lasts until uploadFinished: the upload on its way.
    bool m_holdUploads = false;

    QCoro::Task<> upload(QUrl url)
    {
        m_files << url;
        QFile file(url.toLocalFile());
        m_fileContents << (file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>"));
        if (m_holdUploads)
            co_await qCoro(this, &TestMessageInputBar::uploadFinished);
    }

Q_SIGNALS:
    void uploadFinished();

private:

    std::unique_ptr<MessageInputBar> makeBar()
    {
        m_sent.clear();
        m_files.clear();
        m_fileContents.clear();
        m_typing = 0;
        m_tooLarge = 0;
        auto bar = std::make_unique<MessageInputBar>([this](const QString& text) { m_sent << text; },
            [this](const QUrl& url) { return upload(url); }, [this] { ++m_typing; });
        bar->setOnFileTooLarge([this] { ++m_tooLarge; });
        bar->resize(500, 60);
        bar->show();
        return bar;
    }

private Q_SLOTS:
    void initTestCase()
    {
        Appearance::install();
        // Qt's own file dialog, whatever the desktop offers.
        QCoreApplication::setAttribute(Qt::AA_DontUseNativeDialogs);
    }

    void keys_data()
    {
        QTest::addColumn<QString>("draft");
        QTest::addColumn<Qt::KeyboardModifiers>("modifiers");
        QTest::addColumn<QStringList>("sent");
        QTest::addColumn<QString>("remaining");
        QTest::newRow("blank draft is kept") << QStringLiteral("   ") << Qt::KeyboardModifiers() << QStringList() << QStringLiteral("   ");
        QTest::newRow("trimmed text is sent") << QStringLiteral("  word\n") << Qt::KeyboardModifiers()
                                              << QStringList { QStringLiteral("word") } << QString();
        QTest::newRow("shift-return adds a line") << QStringLiteral("a") << Qt::KeyboardModifiers(Qt::ShiftModifier)
                                                  << QStringList() << QStringLiteral("a\n");
    }
    void keys()
    {
        QFETCH(QString, draft);
        QFETCH(Qt::KeyboardModifiers, modifiers);
        QFETCH(QStringList, sent);
        QFETCH(QString, remaining);
        auto bar = makeBar();
        auto* field = bar->findChild<QPlainTextEdit*>(QStringLiteral("messageField"));
        bar->setText(draft);
        const int typingBefore = m_typing;
        QTest::keyClick(field, Qt::Key_Return, modifiers);
        QCOMPARE(m_sent, sent);
        QCOMPARE(bar->text(), remaining);
        // A new line is a change to a non-empty draft; clearing after a send is not.
        QCOMPARE(m_typing - typingBefore, remaining != draft && !remaining.isEmpty() ? 1 : 0);
    }

    // The field is never a trap: Tab and Shift+Tab leave it for the buttons beside it,
    // Ctrl+Tab types the tab a text may need.
    void tabLeavesTheField_data()
    {
        QTest::addColumn<int>("key");
        QTest::addColumn<Qt::KeyboardModifiers>("modifiers");
        QTest::addColumn<QString>("focus");
        QTest::addColumn<QString>("text");
        QTest::newRow("tab") << int(Qt::Key_Tab) << Qt::KeyboardModifiers() << QStringLiteral("sendButton") << QStringLiteral("ab");
        QTest::newRow("shift+tab") << int(Qt::Key_Backtab) << Qt::KeyboardModifiers(Qt::ShiftModifier) << QStringLiteral("attachButton")
                                   << QStringLiteral("ab");
        QTest::newRow("ctrl+tab") << int(Qt::Key_Tab) << Qt::KeyboardModifiers(Qt::ControlModifier) << QStringLiteral("messageField")
                                  << QStringLiteral("ab\t");
    }
    void tabLeavesTheField()
    {
        QFETCH(int, key);
        QFETCH(Qt::KeyboardModifiers, modifiers);
        QFETCH(QString, focus);
        QFETCH(QString, text);
        auto bar = makeBar();
        bar->show();
        QVERIFY(QTest::qWaitForWindowActive(bar.get()));
        bar->focusField();
        auto* field = bar->findChild<QPlainTextEdit*>(QStringLiteral("messageField"));
        QTest::keyClicks(field, QStringLiteral("ab"));
        QTest::keyClick(field, Qt::Key(key), modifiers);
        QCOMPARE(QApplication::focusWidget()->objectName(), focus);
        QCOMPARE(bar->text(), text);
    }

    // A draft put back in the field (a chat opened again) is continued where it ends.
    void typingContinuesAPutBackDraft()
    {
        auto bar = makeBar();
        auto* field = bar->findChild<QPlainTextEdit*>(QStringLiteral("messageField"));
        QTest::keyClicks(field, QStringLiteral("old"));
        bar->setText(QStringLiteral("see you\nat nine"));
        QTest::keyClicks(field, QStringLiteral("!"));
        QCOMPARE(bar->text(), QStringLiteral("see you\nat nine!"));
    }

    void sendButtonFollowsTrimmedDraft()
    {
        auto bar = makeBar();
        auto* send = bar->findChild<QToolButton*>(QStringLiteral("sendButton"));
        QCOMPARE(send->property("symbol").toString(), QStringLiteral("paperplane.fill"));
        QVERIFY(!send->isEnabled());
        bar->setText(QStringLiteral("   "));
        QVERIFY(!send->isEnabled());
        QTest::keyClicks(bar->findChild<QPlainTextEdit*>(QStringLiteral("messageField")), QStringLiteral("hi"));
        QVERIFY(send->isEnabled());
        QCOMPARE(m_typing, 3);
        QTest::mouseClick(send, Qt::LeftButton);
        QCOMPARE(m_sent, QStringList { QStringLiteral("hi") });
        QVERIFY(!send->isEnabled());
    }

    void fieldGrowsToFiveLines()
    {
        auto bar = makeBar();
        auto* field = bar->findChild<QPlainTextEdit*>(QStringLiteral("messageField"));
        const int one = field->height();
        bar->setText(QStringLiteral("1\n2\n3"));
        const int three = field->height();
        bar->setText(QStringLiteral("1\n2\n3\n4\n5"));
        const int five = field->height();
        bar->setText(QStringLiteral("1\n2\n3\n4\n5\n6\n7\n8"));
        QVERIFY(one < three);
        QVERIFY(three < five);
        QCOMPARE(field->height(), five);
    }

    // Wrapped lines count like typed line breaks: a long paragraph grows the field
    // line by line up to five lines, typed or pasted, and then it scrolls.
    void fieldGrowsWithWrappedLines_data()
    {
        QTest::addColumn<int>("words");
        QTest::addColumn<bool>("typed");
        QTest::addColumn<int>("narrowedTo");
        QTest::newRow("pasted paragraph") << 40 << false << 0;
        QTest::newRow("typed paragraph") << 40 << true << 0;
        QTest::newRow("pasted long text") << 400 << false << 0;
        QTest::newRow("window narrowed") << 14 << false << 260;
    }
    void fieldGrowsWithWrappedLines()
    {
        QFETCH(int, words);
        QFETCH(bool, typed);
        QFETCH(int, narrowedTo);
        auto bar = makeBar();
        auto* field = bar->findChild<QPlainTextEdit*>(QStringLiteral("messageField"));
        const int one = field->height();
        bar->setText(QStringLiteral("1\n2\n3\n4\n5\n6"));
        const int five = field->height();
        bar->setText(QString());
        QCOMPARE(field->height(), one);
        const QString paragraph = QStringLiteral("word ").repeated(words).trimmed();
        if (typed)
            QTest::keyClicks(field, paragraph);
        else
            bar->setText(paragraph);
        QApplication::processEvents();
        if (narrowedTo > 0) {
            bar->resize(narrowedTo, bar->height());
            QApplication::processEvents();
        }
        const int visualLines = [&] {
            int lines = 0;
            for (QTextBlock block = field->document()->begin(); block.isValid(); block = block.next())
                lines += block.layout()->lineCount();
            return lines;
        }();
        QVERIFY2(visualLines > 1, "the paragraph wraps");
        if (visualLines >= MessageInputBar::MaxVisibleLines) {
            QCOMPARE(field->height(), five);
        } else {
            QVERIFY(field->height() > one);
            QVERIFY(field->height() < five);
        }
        // Every wrapped line is visible until the field stops growing.
        QCOMPARE(field->verticalScrollBar()->maximum() > 0, visualLines > MessageInputBar::MaxVisibleLines);
    }

    // Qt's own dialog (the desktop has no native one, as under Xvfb) reports the
    // pick through fileSelected only; the file must still go out.
    void attachButtonSendsThePickedFile()
    {
        auto bar = makeBar();
        QTemporaryDir source;
        const QString path = source.filePath(QStringLiteral("photo.png"));
        {
            QFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write("png bytes");
        }
        QTest::mouseClick(bar->findChild<QToolButton*>(QStringLiteral("attachButton")), Qt::LeftButton);
        auto* picker = bar->findChild<QFileDialog*>(QStringLiteral("filePicker"));
        QVERIFY(picker);
        QTRY_VERIFY(picker->isVisible());
        picker->setDirectory(source.path());
        picker->selectFile(path);
        auto* buttons = picker->findChild<QDialogButtonBox*>();
        QVERIFY(buttons);
        QPushButton* open = buttons->button(QDialogButtonBox::Open);
        QVERIFY(open);
        QTRY_VERIFY(open->isEnabled());
        QTest::mouseClick(open, Qt::LeftButton);
        QTRY_COMPARE(m_files.size(), 1);
        QCOMPARE(QFileInfo(m_files.first().toLocalFile()).fileName(), QStringLiteral("photo.png"));
        QCOMPARE(QFileInfo(m_files.first().toLocalFile()).absolutePath(), MessageInputBar::privateTemporaryDirectory());
    }

    // The private copy lives as long as its upload, and a file over the cap is
    // refused before a byte of it is copied.
    void copiesLastAsLongAsTheirUpload()
    {
        auto bar = makeBar();
        QTemporaryDir source;
        const QString path = source.filePath(QStringLiteral("report.pdf"));
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("pdf");
        file.close();
        m_holdUploads = true;
        bar->handleImportedFile(QUrl::fromLocalFile(path));
        m_holdUploads = false;
        QCOMPARE(m_files.size(), 1);
        const QString copy = m_files.first().toLocalFile();
        QVERIFY(QFileInfo::exists(copy));
        Q_EMIT uploadFinished();
        QTRY_VERIFY(!QFileInfo::exists(copy));
        QVERIFY(QFileInfo::exists(path));

        const QString big = source.filePath(QStringLiteral("movie.mp4"));
        QFile large(big);
        QVERIFY(large.open(QIODevice::WriteOnly));
        QVERIFY(large.resize(ChatViewModel::maxFileBytes + 1)); // sparse: no 50 MiB written
        large.close();
        bar->handleImportedFile(QUrl::fromLocalFile(big));
        QCOMPARE(m_tooLarge, 1);
        QCOMPARE(m_files.size(), 1);
        QVERIFY(!QFileInfo::exists(QDir(MessageInputBar::privateTemporaryDirectory()).filePath(QStringLiteral("movie.mp4"))));
        // Exactly at the cap is still sent.
        QVERIFY(large.resize(ChatViewModel::maxFileBytes));
        bar->handleImportedFile(QUrl::fromLocalFile(big));
        QCOMPARE(m_tooLarge, 1);
        QCOMPARE(m_files.size(), 2);
    }

    // The picker's file-type names are ours and follow a language switch, keeping
    // the chosen type; the default admits any file.
    void pickerFiltersFollowTheLanguage()
    {
        auto bar = makeBar();
        QTest::mouseClick(bar->findChild<QToolButton*>(QStringLiteral("attachButton")), Qt::LeftButton);
        auto* picker = bar->findChild<QFileDialog*>(QStringLiteral("filePicker"));
        QVERIFY(picker);
        QCOMPARE(picker->selectedNameFilter(), Localized::text("input.files_all") + QStringLiteral(" (*)"));
        picker->selectNameFilter(picker->nameFilters().at(1));
        LocalizationManager& language = LocalizationManager::shared();
        const AppLanguage first = language.currentLanguage();
        for (AppLanguage next : { AppLanguage::vi, AppLanguage::en, AppLanguage::zhHans, first }) {
            language.setLanguage(next);
            QCOMPARE(picker->nameFilters().at(0), Localized::text("input.files_all") + QStringLiteral(" (*)"));
            QVERIFY(picker->selectedNameFilter().startsWith(Localized::text("input.files_images") + QStringLiteral(" (")));
        }
        picker->reject();
    }

    void pickedFileIsCopiedPrivately()
    {
        auto bar = makeBar();
        QTemporaryDir source;
        const QString path = source.filePath(QStringLiteral("notes.pdf"));
        auto write = [&](const QByteArray& bytes) {
            QFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
            file.write(bytes);
        };
        write("first");
        bar->handleImportedFile(QUrl::fromLocalFile(path));
        write("second");
        bar->handleImportedFile(QUrl::fromLocalFile(path));
        QCOMPARE(m_files.size(), 2);
        const QString copy = m_files.last().toLocalFile();
        QCOMPARE(QFileInfo(copy).fileName(), QStringLiteral("notes.pdf"));
        QVERIFY(copy != path);
        QCOMPARE(QFileInfo(copy).absolutePath(), MessageInputBar::privateTemporaryDirectory());
        QCOMPARE(QFileInfo(MessageInputBar::privateTemporaryDirectory()).permissions() & 0x0077, QFileDevice::Permissions());
        QCOMPARE(m_fileContents, (QList<QByteArray> { "first", "second" }));

        // Cancelling, an address that is no file on this machine (taken as it is, without
        // a failed copy to report), or a file that cannot be read, hands nothing on.
        {
            static QStringList logged;
            logged.clear();
            const QtMessageHandler previous = qInstallMessageHandler(
                [](QtMsgType, const QMessageLogContext&, const QString& text) { logged << text; });
            bar->handleImportedFile(QUrl(QStringLiteral("https://example.com/notes.pdf")));
            qInstallMessageHandler(previous);
            QCOMPARE(logged, QStringList());
        }
        bar->handleImportedFile(QUrl());
        bar->handleImportedFile(QUrl::fromLocalFile(source.filePath(QStringLiteral("missing.txt"))));
        QCOMPARE(m_files.size(), 2);
        QCOMPARE(m_sent, QStringList());
    }
};

QTEST_MAIN(TestMessageInputBar)
#include "tst_message_input_bar.moc"
