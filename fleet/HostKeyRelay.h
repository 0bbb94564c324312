#pragma once
#include "mgmt/remote/SshSettings.h"

#include <QObject>

#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <set>
#include <string>

namespace quorvin {
class Dialogs;
}

namespace quorvin::fleet {

// Brings the host-key questions of the workers to the window's thread, where only a box may be shown: one
// at a time, modal, with No as the default, never answered by itself. The worker waits for the answer, and
// the pool lets the others go on meanwhile. A key refused once is refused again without asking, so that
// retries do not ask again; once closed, every question is answered No.
class HostKeyRelay final : public QObject {
    Q_OBJECT

public:
    explicit HostKeyRelay(Dialogs &dialogs, QObject *parent = nullptr);
    ~HostKeyRelay() override;

    // The question for the sources; callable on any thread but this one.
    mgmt::remote::HostKeyQuestion question();
    // Answers No to the questions waiting and to any later one.
    void close();

private:
    struct Pending;
    struct Shared;

    void askNext();

    Dialogs &m_dialogs;
    std::shared_ptr<Shared> m_shared; // with the questions, which may outlive this
    bool m_asking = false;
};

} // namespace quorvin::fleet
