#include "store/TextIndexer.h"

#include "store/Database.h"
#include "store/TextIndex.h"

#include <QDebug>
#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QMutexLocker>

#include <memory>

#ifdef Q_OS_LINUX
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>
#endif

TextIndexer::TextIndexer(const QString& databasePath, QObject* parent)
    : QThread(parent)
    , m_databasePath(databasePath)
{
    setObjectName(QStringLiteral("text indexer"));
    start();
    // Running before the server listens: a thread takes descriptors as it starts (its
    // event dispatcher's wake-up pipe), which a crowd of connections may have taken by
    // then, and without them Qt ends the whole process.
    QMutexLocker lock(&m_mutex);
    while (!m_running)
        m_started.wait(&m_mutex);
}

TextIndexer::~TextIndexer()
{
    {
        const QMutexLocker lock(&m_mutex);
        m_stopping = true;
        m_stop.wakeAll();
    }
    wait();
}

bool TextIndexer::pause(int ms)
{
    QMutexLocker lock(&m_mutex);
    if (!m_stopping)
        m_stop.wait(&m_mutex, QDeadlineTimer(ms));
    return !m_stopping;
}

void TextIndexer::run()
{
    {
        const QMutexLocker lock(&m_mutex);
        m_running = true;
        m_started.wakeAll();
    }
#ifdef Q_OS_LINUX
    // Background work: on a busy machine the event loop and the writer go first (a thread
    // of Linux has a niceness of its own).
    setpriority(PRIO_PROCESS, id_t(syscall(SYS_gettid)), kNiceness);
#endif
    // A connection may only be used on the thread that opened it.
    std::unique_ptr<Database> db;
    std::unique_ptr<TextIndex> index;
    // Since when there was nothing to take in, and whether the index file's WAL was copied
    // into it since it was last written.
    QElapsedTimer idle;
    bool checkpointed = true;
    int nextLookMs = kPollMs;
    do {
        nextLookMs = kPollMs;
        try {
            if (!index) {
                db = std::make_unique<Database>(m_databasePath);
                index = std::make_unique<TextIndex>(*db);
                // Copying the WAL into the file syncs it: seldom while sends are written.
                db->setCheckpointPages(kCheckpointPages);
            }
            if (index->behind()) {
                // A pause between chunks lets the sends' own writes through.
                while (index->catchUp() && pause(kChunkPauseMs)) {
                }
                checkpointed = false;
                idle.start();
            } else if (!checkpointed && idle.hasExpired(kIdleCheckpointMs)) {
                checkpointed = index->checkpointAndTruncate();
            }
        } catch (const std::exception& error) {
            // Searches stay right without the index, only slower: try again later.
            qWarning().noquote() << "[Server] Indexing message texts failed:" << error.what();
            index.reset();
            db.reset();
            nextLookMs = kRetryMs;
        }
    } while (pause(nextLookMs));
}
