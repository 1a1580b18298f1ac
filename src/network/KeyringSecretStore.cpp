#include "network/KeyringSecretStore.h"

#include <qt6keychain/keychain.h>

#include <QDebug>
#include <QEventLoop>
#include <QPointer>
#include <QTimer>

#include <memory>
#include <utility>

namespace {

const QString probeAccount = QStringLiteral("morvane_probe");
const QByteArray probeMarker = QByteArrayLiteral("probe");

struct JobOutcome {
    bool finished = false;
    QKeychain::Error error = QKeychain::OtherError;
    QByteArray data;
};

// Runs one job to its end or to the time-out. The job deletes itself when it
// finishes, also when that happens after we stopped waiting.
JobOutcome runJob(QKeychain::Job* job)
{
    auto outcome = std::make_shared<JobOutcome>();
    QEventLoop loop;
    QPointer<QEventLoop> loopGuard(&loop);
    job->setAutoDelete(true);
    QObject::connect(job, &QKeychain::Job::finished, job, [outcome, loopGuard](QKeychain::Job* done) {
        outcome->finished = true;
        outcome->error = done->error();
        if (auto* reading = qobject_cast<QKeychain::ReadPasswordJob*>(done))
            outcome->data = reading->binaryData();
        if (loopGuard)
            loopGuard->quit();
    });
    job->start();
    if (!outcome->finished) {
        QTimer::singleShot(KeyringSecretStore::jobTimeout, &loop, &QEventLoop::quit);
        loop.exec(QEventLoop::ExcludeUserInputEvents);
    }
    if (!outcome->finished)
        qWarning() << "[Keychain] keyring did not answer in time";
    return *outcome;
}

} // namespace

KeyringSecretStore::KeyringSecretStore(QString service)
    : m_service(std::move(service))
{
}

bool KeyringSecretStore::write(const QString& account, const QByteArray& data)
{
    auto* job = new QKeychain::WritePasswordJob(m_service);
    job->setKey(account);
    job->setBinaryData(data);
    const JobOutcome outcome = runJob(job);
    return outcome.finished && outcome.error == QKeychain::NoError;
}

SecretStore::Loaded KeyringSecretStore::read(const QString& account)
{
    auto* job = new QKeychain::ReadPasswordJob(m_service);
    job->setKey(account);
    const JobOutcome outcome = runJob(job);
    if (outcome.finished && outcome.error == QKeychain::NoError)
        return { Status::Found, outcome.data };
    if (outcome.finished && outcome.error == QKeychain::EntryNotFound) {
        // A locked keyring says "not found" even for entries it holds: only one that
        // still takes a write really has nothing under this name.
        if (account != probeAccount && !(write(probeAccount, probeMarker) && remove(probeAccount)))
            return { Status::Failed, {} };
        return { Status::NotFound, {} };
    }
    return { Status::Failed, {} };
}

bool KeyringSecretStore::remove(const QString& account)
{
    auto* job = new QKeychain::DeletePasswordJob(m_service);
    job->setKey(account);
    const JobOutcome outcome = runJob(job);
    return outcome.finished && (outcome.error == QKeychain::NoError || outcome.error == QKeychain::EntryNotFound);
}

bool KeyringSecretStore::probe()
{
    if (!write(probeAccount, probeMarker))
        return false;
    const Loaded back = read(probeAccount);
    const bool removed = remove(probeAccount);
    return back.status == Status::Found && back.data == probeMarker && removed;
}
