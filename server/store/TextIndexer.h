#pragma once

// Keeps the text index (TextIndex) up to date on a thread and connection of its own: it
// looks every kPollMs whether messages were stored or texts changed since, and takes them
// in, in transactions of at most TextIndex::kMaxChunk messages that lock the index file
// alone, kChunkPauseMs apart. A burst of sends is indexed together once it has been
// stored; searches meanwhile read what the index does not hold yet directly.

#include <QMutex>
#include <QString>
#include <QThread>
#include <QWaitCondition>

class TextIndexer : public QThread {
    Q_OBJECT
public:
    static constexpr int kPollMs = 100;
    static constexpr int kChunkPauseMs = 30;
    // As the message writer's: the index file's WAL is copied into it after this many pages,
    // and emptied once the indexer has had nothing to do for kIdleCheckpointMs.
    static constexpr int kCheckpointPages = 10000;
    static constexpr int kIdleCheckpointMs = 1000;
    // After a failure (the file cannot be opened, the disk is full) it tries again this much later.
    static constexpr int kRetryMs = 10000;
    // Its scheduling niceness: the sends' threads have 0.
    static constexpr int kNiceness = 10;

    // Returns once the thread runs (see the constructor).
    explicit TextIndexer(const QString& databasePath, QObject* parent = nullptr);
    // Stops after the transaction under way; what is left is taken in at the next start.
    ~TextIndexer() override;

protected:
    void run() override;

private:
    // Waits up to ms; returns false once it is to stop.
    bool pause(int ms);

    const QString m_databasePath;
    QMutex m_mutex;
    QWaitCondition m_stop;
    QWaitCondition m_started;
    bool m_running = false;
    bool m_stopping = false;
};
