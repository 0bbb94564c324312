#include "fleet/HostKeyRelay.h"
#include "app/HostKeyQuestion.h"

#include <QMetaObject>

namespace quorvin::fleet {

struct HostKeyRelay::Pending {
    std::string computer, keyType, fingerprint;
    std::optional<bool> answer;
};

struct HostKeyRelay::Shared {
    std::mutex mutex;
    std::condition_variable answered;
    std::deque<std::shared_ptr<Pending>> waiting;
    std::set<std::pair<std::string, std::string>> refused; // computer and fingerprint
    bool closed = false;
};

HostKeyRelay::HostKeyRelay(Dialogs &dialogs, QObject *parent)
    : QObject(parent), m_dialogs(dialogs), m_shared(std::make_shared<Shared>())
{
}

HostKeyRelay::~HostKeyRelay()
{
    close();
}

mgmt::remote::HostKeyQuestion HostKeyRelay::question()
{
    // The relay is alive while a question is handed to it: its destructor closes it, which waits for the lock
    // held from the check of `closed` to the hand-over.
    return [shared = m_shared, relay = this](const std::string &computer, const std::string &keyType,
                                             const std::string &fingerprint) {
        const auto pending = std::make_shared<Pending>(Pending{computer, keyType, fingerprint, std::nullopt});
        std::unique_lock lock(shared->mutex);
        if (shared->closed || shared->refused.count({computer, fingerprint}))
            return false;
        shared->waiting.push_back(pending);
        QMetaObject::invokeMethod(relay, &HostKeyRelay::askNext, Qt::QueuedConnection);
        shared->answered.wait(lock, [&] { return pending->answer.has_value(); });
        return *pending->answer;
    };
}

void HostKeyRelay::askNext()
{
    // A box's own event loop may bring the next question here: it waits until this one is answered.
    if (m_asking)
        return;
    m_asking = true;
    for (;;) {
        std::shared_ptr<Pending> next;
        {
            const std::lock_guard lock(m_shared->mutex);
            if (m_shared->waiting.empty() || m_shared->closed)
                break;
            next = m_shared->waiting.front();
        }
        const bool yes = HostKeyQuestion(m_dialogs)(next->computer, next->keyType, next->fingerprint);
        const std::lock_guard lock(m_shared->mutex);
        if (m_shared->waiting.empty() || m_shared->waiting.front() != next)
            continue; // answered No by close() meanwhile
        m_shared->waiting.pop_front();
        if (!yes)
            m_shared->refused.insert({next->computer, next->fingerprint});
        next->answer = yes && !m_shared->closed;
        m_shared->answered.notify_all();
    }
    m_asking = false;
}

void HostKeyRelay::close()
{
    const std::lock_guard lock(m_shared->mutex);
    m_shared->closed = true;
    for (const std::shared_ptr<Pending> &pending : m_shared->waiting)
        pending->answer = false;
    m_shared->waiting.clear();
    m_shared->answered.notify_all();
}

} // namespace quorvin::fleet
