#include "mgmt/remote/SshConnector.h"
#include "mgmt/Error.h"
#include "mgmt/Instance.h"

#include <libssh/callbacks.h>
#include <libssh/libssh.h>

#include <chrono>
#include <condition_variable>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <fcntl.h>
#include <fstream>
#include <mutex>
#include <optional>
#include <pthread.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <thread>
#include <unistd.h>
#include <utility>

namespace quorvin::mgmt::remote {

namespace {

using Clock = std::chrono::steady_clock;
// How long the caller waits before its window gets a turn.
constexpr auto WaitSlice = std::chrono::milliseconds(100);
constexpr long LibsshGraceSeconds = 5;

// In the order they are taken; libssh reports the first three through its status callback.
enum class Step {
    LookingUp,
    Connecting,
    ExchangingKeys,
    CheckingHostKey,
    SigningInWithAgent,
    SigningInWithFiles
};

const char *describe(Step step)
{
    switch (step) {
    case Step::LookingUp:
        return "looking up its name";
    case Step::Connecting:
        return "connecting";
    case Step::ExchangingKeys:
        return "exchanging keys";
    case Step::CheckingHostKey:
        return "checking its host key";
    case Step::SigningInWithAgent:
        return "signing in with the keys of the SSH agent";
    case Step::SigningInWithFiles:
        return "signing in with the identity files";
    }
    return "connecting";
}

bool readable(const std::string &path)
{
    return !path.empty() && ::access(path.c_str(), R_OK) == 0;
}

// libssh cannot say which agent a configuration's IdentityAgent names: where one is named, libssh reaches the
// agent itself, bounded by the deadline alone.
bool namesIdentityAgent(const std::string &config)
{
    constexpr std::string_view Keyword = "identityagent";
    std::ifstream in(config);
    std::string line;
    while (std::getline(in, line)) {
        const std::size_t start = line.find_first_not_of(" \t");
        if (start != std::string::npos &&
            equalsIgnoringCase(std::string_view(line).substr(start, Keyword.size()), Keyword))
            return true;
    }
    return false;
}

// The agent SSH_AUTH_SOCK names, connected here so that a silent one can be cut off; -1 without one. One that
// cannot be connected (not even queued) is given to libssh as a socket whose other end is closed, so that
// libssh does not try it again with a connect that may block.
int connectAgent()
{
    const char *path = std::getenv("SSH_AUTH_SOCK");
    if (!path || !*path)
        return -1;
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd >= 0 && std::strlen(path) < sizeof address.sun_path) {
        std::strcpy(address.sun_path, path);
        if (::connect(fd, reinterpret_cast<const sockaddr *>(&address), sizeof address) == 0) {
            ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
            return fd;
        }
    }
    if (fd >= 0)
        ::close(fd);
    int ends[2];
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, ends) != 0)
        return -1;
    ::close(ends[1]);
    return ends[0];
}

std::string fingerprintOf(ssh_key key)
{
    unsigned char *hash = nullptr;
    size_t length = 0;
    if (ssh_get_publickey_hash(key, SSH_PUBLICKEY_HASH_SHA256, &hash, &length) != SSH_OK)
        return "(no fingerprint)";
    char *text = ssh_get_fingerprint_hash(SSH_PUBLICKEY_HASH_SHA256, hash, length);
    std::string fingerprint = text ? text : "(no fingerprint)";
    ssh_string_free_char(text);
    ssh_clean_pubkey_hash(&hash);
    return fingerprint;
}

// What the worker and the waiting caller share; it outlives a caller that gave up.
class Attempt final {
public:
    Attempt(std::string computer, const SshSettings &settings)
        : m_computer(std::move(computer)), m_settings(settings), m_stepStarted(Clock::now())
    {
        ssh_callbacks_init(&m_callbacks);
        m_callbacks.userdata = this;
        m_callbacks.connect_status_function = [](void *attempt, float status) {
            static_cast<Attempt *>(attempt)->enter(status < 0.4f ? Step::Connecting : Step::ExchangingKeys);
        };
    }

    // On the worker. Never throws: the outcome is left for the caller.
    void run() noexcept;

    // On the caller: waits for the outcome, answering the host-key question and cutting a silent agent off
    // meanwhile. Throws what the worker failed with, or the timeout.
    ssh_session takeSession(const HostKeyQuestion &question, const std::function<void()> &whileWaiting);
    // The caller leaves without the session: a worker that still runs frees what it made once it ends. True
    // while it runs.
    bool giveUp();

private:
    struct KeyQuestion {
        std::string type;
        std::string fingerprint;
    };

    void enter(Step step);
    void configure();
    void checkHostKey();
    bool ask(const KeyQuestion &question);
    void signIn();
    [[noreturn]] void raiseTimeout(Step step) const;

    const std::string m_computer;
    const SshSettings m_settings;
    ssh_callbacks_struct m_callbacks{};
    ssh_session m_session = nullptr; // the worker's until it is handed over

    std::mutex m_mutex;
    std::condition_variable m_changed;
    Step m_step = Step::LookingUp;
    Clock::time_point m_stepStarted;
    std::optional<KeyQuestion> m_question;
    std::optional<bool> m_answer;
    int m_agent = -1; // ours to cut off while signing in with the agent; libssh's to close
    bool m_agentPassedOver = false;
    bool m_finished = false;
    bool m_abandoned = false;
    std::exception_ptr m_failure;
};

void Attempt::enter(Step step)
{
    const std::lock_guard lock(m_mutex);
    if (step > m_step) {
        m_step = step;
        m_stepStarted = Clock::now();
    }
}

void Attempt::run() noexcept
{
    // A silent agent is cut off by shutting its socket: libssh then writes to it, which must not raise
    // SIGPIPE.
    sigset_t pipe;
    sigemptyset(&pipe);
    sigaddset(&pipe, SIGPIPE);
    pthread_sigmask(SIG_BLOCK, &pipe, nullptr);
    std::exception_ptr failure;
    try {
        configure();
        if (ssh_connect(m_session) != SSH_OK)
            throw Error(err::RemoteServerUnavailable,
                        Error::standardDescription(err::RemoteServerUnavailable) + " (" +
                            ssh_get_error(m_session) + ")");
        // A re-keying reports its progress as well; nothing listens to it any more.
        static ssh_callbacks_struct silent = [] {
            ssh_callbacks_struct callbacks{};
            ssh_callbacks_init(&callbacks);
            return callbacks;
        }();
        ssh_set_callbacks(m_session, &silent);
        enter(Step::CheckingHostKey);
        checkHostKey();
        signIn();
        // The connection's own requests from now on.
        const long timeout = m_settings.connectTimeoutSeconds;
        ssh_options_set(m_session, SSH_OPTIONS_TIMEOUT, &timeout);
    } catch (...) {
        failure = std::current_exception();
    }
    const std::lock_guard lock(m_mutex);
    if ((failure || m_abandoned) && m_session) {
        ssh_disconnect(m_session);
        ssh_free(m_session);
        m_session = nullptr;
    }
    m_failure = failure;
    m_finished = true;
    m_changed.notify_all();
}

void Attempt::configure()
{
    m_session = ssh_new();
    if (!m_session)
        throw Error(err::Failed, "An SSH connection cannot be set up.");
    ssh_set_callbacks(m_session, &m_callbacks);
    const std::string host = withHostInLowerCase(m_computer);
    ssh_options_set(m_session, SSH_OPTIONS_HOST, host.c_str());
    if (!m_settings.sshDirectory.empty())
        ssh_options_set(m_session, SSH_OPTIONS_SSH_DIR, m_settings.sshDirectory.c_str());
    if (!m_settings.knownHosts.empty())
        ssh_options_set(m_session, SSH_OPTIONS_KNOWNHOSTS, m_settings.knownHosts.c_str());
    // libssh's own waits end a little after the deadline: the deadline, which names its step, comes first,
    // and a worker left behind ends soon after it.
    const long timeout = m_settings.connectTimeoutSeconds + LibsshGraceSeconds;
    ssh_options_set(m_session, SSH_OPTIONS_TIMEOUT, &timeout);
    const int yes = 1, no = 0;
    ssh_options_set(m_session, SSH_OPTIONS_NODELAY, &yes);
    // The user's configuration first, then the system's, as ssh reads them: aliases, users, ports, keys.
    bool identityAgentNamed = false;
    for (const std::string &config : {m_settings.userConfig, m_settings.globalConfig}) {
        if (!readable(config))
            continue;
        if (ssh_options_parse_config(m_session, config.c_str()) != SSH_OK)
            throw Error(err::Failed,
                        "The SSH configuration " + config + " cannot be read: " + ssh_get_error(m_session));
        identityAgentNamed = identityAgentNamed || namesIdentityAgent(config);
    }
    ssh_options_set(m_session, SSH_OPTIONS_PROCESS_CONFIG, &no);
    requireReadableKnownHosts(m_settings.knownHosts);
    char *configured = nullptr;
    if (ssh_options_get(m_session, SSH_OPTIONS_KNOWNHOSTS, &configured) == SSH_OK && configured) {
        const std::string path = configured;
        ssh_string_free_char(configured);
        if (path.starts_with('/'))
            requireReadableKnownHosts(path);
    }
    if (!identityAgentNamed) {
        const int agent = connectAgent();
        if (agent >= 0 && ssh_set_agent_socket(m_session, agent) != SSH_OK) {
            ::close(agent);
        } else if (agent >= 0) {
            const std::lock_guard lock(m_mutex);
            m_agent = agent;
        }
    }
}

void Attempt::checkHostKey()
{
    const ssh_known_hosts_e state = ssh_session_is_known_server(m_session);
    if (state == SSH_KNOWN_HOSTS_OK)
        return;
    const std::string where =
        m_settings.knownHosts.empty() ? std::string("known_hosts") : m_settings.knownHosts;
    if (state == SSH_KNOWN_HOSTS_CHANGED || state == SSH_KNOWN_HOSTS_OTHER)
        throw Error(
            err::AccessDenied,
            "WARNING: the host key of " + m_computer + " is not the one recorded in " + where +
                ". Someone may be intercepting the connection (a man-in-the-middle attack), or the computer "
                "was set up anew. Quorvin did not connect. If the change is expected, remove the old key "
                "from " +
                where + " and connect again.");
    if (state == SSH_KNOWN_HOSTS_ERROR)
        throw Error(err::Failed,
                    "The host key of " + m_computer + " cannot be checked: " + ssh_get_error(m_session));

    ssh_key key = nullptr;
    if (ssh_get_server_publickey(m_session, &key) != SSH_OK)
        throw Error(err::Failed,
                    "The host key of " + m_computer + " cannot be read: " + ssh_get_error(m_session));
    const KeyQuestion question{ssh_key_type_to_char(ssh_key_type(key)), fingerprintOf(key)};
    ssh_key_free(key);
    if (!ask(question))
        throw Error(err::AccessDenied, "The host key of " + m_computer + " (" + question.type + " " +
                                           question.fingerprint +
                                           ") was not accepted. Quorvin did not connect.");
    if (ssh_session_update_known_hosts(m_session) != SSH_OK)
        throw Error(err::Failed, "The host key of " + m_computer + " cannot be recorded in " + where + ": " +
                                     ssh_get_error(m_session));
}

// The question goes to the caller, which alone may show a box; a caller that gave up answers no.
bool Attempt::ask(const KeyQuestion &question)
{
    std::unique_lock lock(m_mutex);
    m_question = question;
    m_changed.notify_all();
    m_changed.wait(lock, [this] { return m_answer.has_value() || m_abandoned; });
    return m_answer.value_or(false) && !m_abandoned;
}

void Attempt::signIn()
{
    enter(Step::SigningInWithAgent);
    // The agent's keys, then the identity files the configuration names or the default ones; never a
    // password. libssh goes on to the files when the agent fails, as it does once its socket is cut off.
    const int result = ssh_userauth_publickey_auto(m_session, nullptr, nullptr);
    bool passedOver = false;
    {
        const std::lock_guard lock(m_mutex);
        passedOver = m_agentPassedOver;
        m_agent = -1;
    }
    if (result == SSH_AUTH_SUCCESS)
        return;
    const std::string why = ssh_get_error(m_session);
    if (passedOver)
        throw Error(err::AccessDenied,
                    "Access is denied. " + m_computer + " accepted none of the keys of the identity files (" +
                        why + "); the SSH agent did not answer within " +
                        std::to_string(m_settings.agentTimeoutSeconds) + " seconds and was passed over.");
    throw Error(err::AccessDenied, "Access is denied. " + m_computer +
                                       " accepted none of the keys offered by the SSH agent and the identity "
                                       "files (" +
                                       why + ").");
}

void Attempt::raiseTimeout(Step step) const
{
    const std::string what = "no answer within " + std::to_string(m_settings.connectTimeoutSeconds) +
                             " seconds while " + describe(step);
    if (step >= Step::SigningInWithAgent)
        throw Error(err::AccessDenied,
                    "Access is denied. Signing in to " + m_computer + " did not finish: " + what + ".");
    throw Error(err::RemoteServerUnavailable,
                Error::standardDescription(err::RemoteServerUnavailable) + " (" + what + ")");
}

bool Attempt::giveUp()
{
    const std::lock_guard lock(m_mutex);
    if (m_finished) {
        if (m_session) {
            ssh_disconnect(m_session);
            ssh_free(m_session);
            m_session = nullptr;
        }
        return false;
    }
    m_abandoned = true;
    m_changed.notify_all();
    return true;
}

ssh_session Attempt::takeSession(const HostKeyQuestion &question, const std::function<void()> &whileWaiting)
{
    auto deadline = Clock::now() + std::chrono::seconds(m_settings.connectTimeoutSeconds);
    const auto agentLimit = std::chrono::seconds(m_settings.agentTimeoutSeconds);
    std::unique_lock lock(m_mutex);
    for (;;) {
        if (m_finished) {
            if (m_failure)
                std::rethrow_exception(m_failure);
            return std::exchange(m_session, nullptr);
        }
        if (m_question && !m_answer) {
            const KeyQuestion asked = *m_question;
            lock.unlock();
            const auto shown = Clock::now();
            const bool yes = question && question(m_computer, asked.type, asked.fingerprint);
            deadline += Clock::now() - shown; // the user's time does not count
            lock.lock();
            m_answer = yes;
            m_changed.notify_all();
            continue;
        }
        const auto now = Clock::now();
        if (m_step == Step::SigningInWithAgent && m_agent >= 0 && !m_agentPassedOver &&
            now - m_stepStarted >= agentLimit) {
            ::shutdown(m_agent, SHUT_RDWR); // libssh fails to read it at once and goes on to the files
            m_agentPassedOver = true;
            m_step = Step::SigningInWithFiles;
        }
        if (now >= deadline)
            raiseTimeout(m_step);
        m_changed.wait_for(lock, WaitSlice);
        if (!m_finished && whileWaiting) {
            lock.unlock();
            whileWaiting();
            lock.lock();
        }
    }
}

} // namespace

SshConnector::SshConnector(std::string computer, const SshSettings &settings, HostKeyQuestion question,
                           std::function<void()> whileWaiting)
    : m_computer(std::move(computer)), m_settings(settings), m_question(std::move(question)),
      m_whileWaiting(std::move(whileWaiting))
{
}

ssh_session_struct *SshConnector::open()
{
    auto attempt = std::make_shared<Attempt>(m_computer, m_settings);
    std::thread worker([attempt] { attempt->run(); });
    try {
        ssh_session session = attempt->takeSession(m_question, m_whileWaiting);
        worker.join();
        return session;
    } catch (...) {
        // A failure ended the worker; a timeout leaves it to end by itself.
        if (attempt->giveUp())
            worker.detach();
        else
            worker.join();
        throw;
    }
}

} // namespace quorvin::mgmt::remote
