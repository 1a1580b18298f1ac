#include "state/CallViewModel.h"

#include <QSignalSpy>
#include <QTest>

using namespace Qt::StringLiterals;

class TestCallState : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void equality_data()
    {
        QTest::addColumn<CallState>("a");
        QTest::addColumn<CallState>("b");
        QTest::addColumn<bool>("equal");

        QTest::newRow("same plain case") << CallState::connected() << CallState::connected() << true;
        QTest::newRow("different plain cases") << CallState::idle() << CallState::outgoing() << false;
        QTest::newRow("ended, same reason") << CallState::ended(u"busy"_s) << CallState::ended(u"busy"_s) << true;
        QTest::newRow("ended, other reason") << CallState::ended(u"busy"_s) << CallState::ended(u"Busy"_s) << false;
        QTest::newRow("ended with empty reason vs idle") << CallState::ended(u""_s) << CallState::idle() << false;
    }

    void equality()
    {
        QFETCH(CallState, a);
        QFETCH(CallState, b);
        QFETCH(bool, equal);
        QCOMPARE(a == b, equal);
        QCOMPARE(b == a, equal);
    }
};

QTEST_GUILESS_MAIN(TestCallState)
#include "tst_call_state.moc"
