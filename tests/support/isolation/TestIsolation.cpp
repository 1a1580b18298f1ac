// Linked into every test program. Before main() runs, it moves the program into a
// home of its own that lives as long as the process: settings, stored tokens, caches
// and data folders of one run never reach the user's own, another test program, or
// the next run of the same program (a language stored by a failed run once made the
// next run fail). Running a test binary by hand is as safe as running it from ctest.
#include <QByteArray>
#include <QDir>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <memory>

namespace {

void setDefault(const char* name, const QByteArray& value)
{
    if (!qEnvironmentVariableIsSet(name))
        qputenv(name, value);
}

// Names the home a test program made, for the processes it starts itself: they live
// in their parent's home (and leave nothing behind when they end abruptly).
constexpr const char* homeVariable = "MORVANE_TEST_HOME";

class TestIsolation {
public:
    TestIsolation()
    {
        QByteArray home = qgetenv(homeVariable);
        if (home.isEmpty() || !QDir(QFile::decodeName(home)).exists()) {
            m_home = std::make_unique<QTemporaryDir>(QDir::tempPath() + QStringLiteral("/morvane-")
                                                     + QString::fromLocal8Bit(program_invocation_short_name)
                                                     + QStringLiteral("-XXXXXX"));
            if (!m_home->isValid()) {
                std::fprintf(stderr, "TestIsolation: no private home (%s)\n", qPrintable(m_home->errorString()));
                std::abort();
            }
            home = QFile::encodeName(m_home->path());
            qputenv(homeVariable, home);
        }
        qputenv("HOME", home);
        qputenv("XDG_CONFIG_HOME", home + "/.config");
        qputenv("XDG_DATA_HOME", home + "/.local/share");
        qputenv("XDG_CACHE_HOME", home + "/.cache");
        qputenv("XDG_STATE_HOME", home + "/.local/state");
        QStandardPaths::setTestModeEnabled(true);
        // Tokens go to files in that home; only the keyring test, inside the private
        // D-Bus session its script starts, may reach a secret service.
        if (!qEnvironmentVariableIsSet("MORVANE_TEST_PRIVATE_KEYRING"))
            qputenv("MORVANE_SECRET_STORE", "file");
        setDefault("QT_QPA_PLATFORM", "offscreen");
        setDefault("QT_LOGGING_RULES", "*.debug=false");
    }

private:
    std::unique_ptr<QTemporaryDir> m_home; // none in a process a test program started
};

const TestIsolation isolation;

} // namespace
