#include "app/LogOutput.h"

#include <QTest>

#include <cstdio>

class TestLogOutput : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // Lines reach standard output through the one handler, at every level, and a
    // credential never does.
    void linesReachTheSink_data()
    {
        QTest::addColumn<int>("level");
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("written");
        QTest::newRow("info") << int(QtInfoMsg) << QStringLiteral("[WS] Connected") << QStringLiteral("[WS] Connected");
        QTest::newRow("warning") << int(QtWarningMsg) << QStringLiteral("[FileImporter] Failed to copy file: gone")
                                 << QStringLiteral("[FileImporter] Failed to copy file: gone");
        QTest::newRow("auth frame") << int(QtInfoMsg)
                                    << QStringLiteral("[WS] Sending: {\"payload\":{\"token\":\"eyJhbGci.x.y\",\"userId\":1},\"type\":\"auth\"}")
                                    << QStringLiteral("[WS] Sending: {\"payload\":{\"token\":\"***\",\"userId\":1},\"type\":\"auth\"}");
        QTest::newRow("reply with tokens") << int(QtInfoMsg)
                                           << QStringLiteral("{\"refreshToken\": \"r-1\\\"x\", \"accessToken\":\"a-2\", \"name\":\"Ann\"}")
                                           << QStringLiteral("{\"refreshToken\": \"***\", \"accessToken\":\"***\", \"name\":\"Ann\"}");
        QTest::newRow("password") << int(QtWarningMsg) << QStringLiteral("{\"username\":\"ann\",\"password\":\"hunter2\"}")
                                  << QStringLiteral("{\"username\":\"ann\",\"password\":\"***\"}");
        QTest::newRow("bearer header") << int(QtInfoMsg) << QStringLiteral("Authorization: Bearer abc.DEF-123_x")
                                       << QStringLiteral("Authorization: Bearer ***");
        QTest::newRow("cjk text kept") << int(QtInfoMsg) << QStringLiteral("[Chat] 消息未发送 token 这个词")
                                       << QStringLiteral("[Chat] 消息未发送 token 这个词");
    }
    void linesReachTheSink()
    {
        QFETCH(int, level);
        QFETCH(QString, message);
        QFETCH(QString, written);
        std::FILE* file = std::tmpfile();
        QVERIFY(file);
        LogOutput::install(file);
        switch (QtMsgType(level)) {
        case QtWarningMsg:
            qWarning().noquote() << message;
            break;
        default:
            qInfo().noquote() << message;
            break;
        }
        qInstallMessageHandler(nullptr);
        std::rewind(file);
        QByteArray content(4096, '\0');
        content.resize(qsizetype(std::fread(content.data(), 1, size_t(content.size()), file)));
        std::fclose(file);
        QCOMPARE(QString::fromUtf8(content), written + QLatin1Char('\n'));
    }
};

QTEST_GUILESS_MAIN(TestLogOutput)
#include "tst_log_output.moc"
