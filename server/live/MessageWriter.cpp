#include "live/MessageWriter.h"

#include "store/Conversations.h"
#include "store/Database.h"

#include <QMetaObject>
#include <QPromise>

#include <exception>

MessageWriter::MessageWriter(const QString& databasePath)
{
    m_thread.setObjectName(QStringLiteral("message writer"));
    m_thread.start();
    m_context = new QObject;
    m_context->moveToThread(&m_thread);
    QObject::connect(&m_thread, &QThread::finished, m_context, &QObject::deleteLater);

    // A connection may only be used on the thread that opened it.
    std::exception_ptr failure;
    QMetaObject::invokeMethod(m_context, [this, &databasePath, &failure] {
        try {
            m_store.db = std::make_unique<Database>(databasePath);
            m_store.conversations = std::make_unique<Conversations>(*m_store.db);
            m_store.messages = std::make_unique<Messages>(*m_store.db, *m_store.conversations);
        } catch (...) {
            failure = std::current_exception();
        }
    }, Qt::BlockingQueuedConnection);
    if (failure) {
        m_thread.quit();
        m_thread.wait();
        std::rethrow_exception(failure);
    }
}

MessageWriter::~MessageWriter()
{
    // Queued behind every batch already handed over, so those are stored first.
    QMetaObject::invokeMethod(m_context, [this] {
        m_store.messages.reset();
        m_store.conversations.reset();
        m_store.db.reset();
    }, Qt::BlockingQueuedConnection);
    m_thread.quit();
    m_thread.wait();
}

QFuture<QList<SendOutcome>> MessageWriter::write(QList<PendingMessage> batch)
{
    auto promise = std::make_shared<QPromise<QList<SendOutcome>>>();
    QFuture<QList<SendOutcome>> future = promise->future();
    promise->start();
    QMetaObject::invokeMethod(m_context, [this, promise, batch = std::move(batch)] {
        promise->addResult(m_store.messages->storeAll(batch));
        promise->finish();
    }, Qt::QueuedConnection);
    return future;
}
