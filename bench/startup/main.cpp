// Start-up time: from process start to the login window shown, against a bare Qt
// Widgets window shown by a trivial program, both measured the same way in one run:
// this program starts itself as a child in "--bare" or "--app" mode and times from
// starting the process to the child's "shown" line, printed on its first paint.
// Run from the build directory with a display, e.g. xvfb-run -a bench/startup/bench_startup

#include "app/MorvaneApp.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QMainWindow>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <vector>

namespace {

// Reports the first paint of a window, then ends the process.
class FirstPaint : public QObject {
public:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Paint && !m_done) {
            m_done = true;
            std::printf("shown\n");
            std::fflush(stdout);
            QMetaObject::invokeMethod(qApp, &QCoreApplication::quit, Qt::QueuedConnection);
        }
        return QObject::eventFilter(watched, event);
    }

private:
    bool m_done = false;
};

int child(int argc, char* argv[], const QByteArray& mode)
{
    QApplication app(argc, argv);
    QStandardPaths::setTestModeEnabled(true);
    FirstPaint watcher;
    if (mode != "--app") {
        QMainWindow window;
        window.resize(1100, 700);
        // For context only: the same bare window with one line of text pays the
        // font set-up that a window without text never needs.
        if (mode == "--bare-text")
            window.setCentralWidget(new QLabel(QStringLiteral("Morvane 消息 👋")));
        window.installEventFilter(&watcher);
        window.show();
        return QApplication::exec();
    }
    MorvaneApp morvane;
    morvane.mainWindow()->installEventFilter(&watcher);
    morvane.show();
    return QApplication::exec();
}

// Milliseconds until the child painted, or nothing when it never did (no display,
// a crash): a child that failed must not pass for a fast one.
std::optional<double> runOnce(const QString& program, const QString& mode, const QString& home)
{
    QProcess process;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("HOME"), home);
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), home + QStringLiteral("/config"));
    env.insert(QStringLiteral("XDG_DATA_HOME"), home + QStringLiteral("/data"));
    env.insert(QStringLiteral("MORVANE_SECRET_STORE"), QStringLiteral("file"));
    process.setProcessEnvironment(env);
    QElapsedTimer timer;
    timer.start();
    process.start(program, { mode });
    bool shown = false;
    while (!shown && process.waitForReadyRead(10000))
        shown = process.readAllStandardOutput().contains("shown");
    const double ms = double(timer.nsecsElapsed()) / 1e6;
    process.waitForFinished(10000);
    if (!shown)
        return std::nullopt;
    return ms;
}

double measured(const QString& program, const QString& mode, const QString& home)
{
    const std::optional<double> ms = runOnce(program, mode, home);
    if (!ms) {
        std::fprintf(stderr, "the %s window was never shown; is a display available? "
                             "(try xvfb-run -a, or QT_QPA_PLATFORM=offscreen)\n", qPrintable(mode));
        std::exit(1);
    }
    return *ms;
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

} // namespace

int main(int argc, char* argv[])
{
    if (argc > 1 && QByteArray(argv[1]).startsWith("--"))
        return child(argc, argv, QByteArray(argv[1]));

    QCoreApplication app(argc, argv);
    QTemporaryDir home;
    const QString program = QCoreApplication::applicationFilePath();
    measured(program, QStringLiteral("--bare"), home.path()); // warm the disk cache
    measured(program, QStringLiteral("--app"), home.path());
    std::vector<double> bare;
    std::vector<double> bareText;
    std::vector<double> morvane;
    for (int i = 0; i < 9; ++i) {
        bare.push_back(measured(program, QStringLiteral("--bare"), home.path()));
        bareText.push_back(measured(program, QStringLiteral("--bare-text"), home.path()));
        morvane.push_back(measured(program, QStringLiteral("--app"), home.path()));
    }
    const double bareMs = median(bare);
    const double appMs = median(morvane);
    std::printf("bare Qt window shown:           %8.1f ms (median of 9)\n", bareMs);
    std::printf("bare window with a text label:  %8.1f ms (context)\n", median(bareText));
    std::printf("login window shown:             %8.1f ms (median of 9)\n", appMs);
    std::printf("ratio login/bare: %.2f (target <= 1.5)\n", appMs / bareMs);
    std::printf("ratio login/bare with text: %.2f\n", appMs / median(bareText));
    return 0;
}
