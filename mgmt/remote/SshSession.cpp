#include "mgmt/remote/SshSession.h"
#include "mgmt/Error.h"
#include "mgmt/Instance.h"
#include "mgmt/remote/RemoteTexts.h"

#include <libssh/libssh.h>

#include <chrono>
#include <random>
#include <unistd.h>

namespace quorvin::mgmt::remote {

namespace {

bool readable(const std::string &path)
{
    return !path.empty() && ::access(path.c_str(), R_OK) == 0;
}

std::string randomMarker()
{
    std::random_device device;
    std::uniform_int_distribution<std::uint64_t> any;
    char text[48];
    std::snprintf(text, sizeof text, "\036quorvin-%016llx%016llx",
                  static_cast<unsigned long long>(any(device)), static_cast<unsigned long long>(any(device)));
    return text;
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

} // namespace

SshSession::SshSession(std::string computer, const SshSettings &settings, const HostKeyQuestion &question)
    : m_computer(std::move(computer)), m_marker(randomMarker()),
      m_answerTimeoutMs(settings.answerTimeoutSeconds * 1000)
{
    try {
        connect(settings);
        checkHostKey(settings, question);
        signIn();
        openShell();
    } catch (...) {
        close();
        throw;
    }
}

SshSession::~SshSession()
{
    close();
}

void SshSession::close() noexcept
{
    if (m_shell) {
        ssh_channel_close(m_shell);
        ssh_channel_free(m_shell);
        m_shell = nullptr;
    }
    if (m_session) {
        ssh_disconnect(m_session);
        ssh_free(m_session);
        m_session = nullptr;
    }
}

void SshSession::connect(const SshSettings &settings)
{
    m_session = ssh_new();
    if (!m_session)
        throw Error(err::Failed, "An SSH connection cannot be set up.");
    // Host names are not case-sensitive, but the configuration's patterns are matched as written.
    const std::string host = toLowerAscii(m_computer);
    ssh_options_set(m_session, SSH_OPTIONS_HOST, host.c_str());
    if (!settings.sshDirectory.empty())
        ssh_options_set(m_session, SSH_OPTIONS_SSH_DIR, settings.sshDirectory.c_str());
    if (!settings.knownHosts.empty())
        ssh_options_set(m_session, SSH_OPTIONS_KNOWNHOSTS, settings.knownHosts.c_str());
    const long timeout = settings.connectTimeoutSeconds;
    ssh_options_set(m_session, SSH_OPTIONS_TIMEOUT, &timeout);
    const int yes = 1, no = 0;
    ssh_options_set(m_session, SSH_OPTIONS_NODELAY, &yes);
    // The user's configuration first, then the system's, as ssh reads them: aliases, users, ports, keys.
    for (const std::string &config : {settings.userConfig, settings.globalConfig})
        if (readable(config) && ssh_options_parse_config(m_session, config.c_str()) != SSH_OK)
            throw Error(err::Failed,
                        "The SSH configuration " + config + " cannot be read: " + ssh_get_error(m_session));
    ssh_options_set(m_session, SSH_OPTIONS_PROCESS_CONFIG, &no);
    if (ssh_connect(m_session) != SSH_OK)
        throw Error(err::RemoteServerUnavailable, Error::standardDescription(err::RemoteServerUnavailable) +
                                                      " (" + ssh_get_error(m_session) + ")");
}

void SshSession::checkHostKey(const SshSettings &settings, const HostKeyQuestion &question)
{
    const ssh_known_hosts_e state = ssh_session_is_known_server(m_session);
    if (state == SSH_KNOWN_HOSTS_OK)
        return;
    const std::string where = settings.knownHosts.empty() ? std::string("known_hosts") : settings.knownHosts;
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
    const std::string type = ssh_key_type_to_char(ssh_key_type(key));
    const std::string fingerprint = fingerprintOf(key);
    ssh_key_free(key);
    if (!question || !question(m_computer, type, fingerprint))
        throw Error(err::AccessDenied, "The host key of " + m_computer + " (" + type + " " + fingerprint +
                                           ") was not accepted. Quorvin did not connect.");
    if (ssh_session_update_known_hosts(m_session) != SSH_OK)
        throw Error(err::Failed, "The host key of " + m_computer + " cannot be recorded in " + where + ": " +
                                     ssh_get_error(m_session));
}

void SshSession::signIn()
{
    // The agent's keys, then the identity files the configuration names or the default ones; never a
    // password.
    const int result = ssh_userauth_publickey_auto(m_session, nullptr, nullptr);
    if (result != SSH_AUTH_SUCCESS)
        throw Error(err::AccessDenied,
                    "Access is denied. " + m_computer +
                        " accepted none of the keys offered by the SSH agent and the identity "
                        "files (" +
                        ssh_get_error(m_session) + ").");
}

void SshSession::openShell()
{
    m_shell = ssh_channel_new(m_session);
    if (!m_shell || ssh_channel_open_session(m_shell) != SSH_OK ||
        ssh_channel_request_exec(m_shell, "exec /bin/sh") != SSH_OK)
        lost(std::string("no shell could be started: ") + ssh_get_error(m_session));
    // What the computer's shells count in; a greeting printed on start ends up here and is ignored.
    const RemoteTexts facts(
        run("echo \"=ticks $(getconf CLK_TCK)\"; echo \"=page $(getconf PAGESIZE)\"").output);
    if (const auto ticks = facts.value("ticks"); ticks && !ticks->empty())
        m_ticksPerSecond = std::stoull(*ticks);
    if (const auto page = facts.value("page"); page && !page->empty())
        m_pageSize = std::stoull(*page);
}

void SshSession::lost(const std::string &why)
{
    m_broken = true;
    throw Error(err::Failed, "The connection to " + m_computer + " was lost: " + why);
}

void SshSession::write(std::string_view text)
{
    while (!text.empty()) {
        const int written = ssh_channel_write(m_shell, text.data(), static_cast<uint32_t>(text.size()));
        if (written <= 0)
            lost(ssh_get_error(m_session));
        text.remove_prefix(static_cast<std::size_t>(written));
    }
}

SshSession::Answer SshSession::run(std::string_view commands)
{
    if (m_broken)
        lost("it was lost before");
    write(std::string(commands) + "\nprintf '\\n%s %d\\n' '" + m_marker + "' $?\n");
    const std::string end = "\n" + m_marker + " ";
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(m_answerTimeoutMs);
    std::string received;
    char buffer[65536];
    for (;;) {
        // What the commands say on their error stream is not part of the answer, but must not back up.
        while (ssh_channel_read_nonblocking(m_shell, buffer, sizeof buffer, 1) > 0) {
        }
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0)
            lost("no answer within " + std::to_string(m_answerTimeoutMs / 1000) + " seconds");
        const int got =
            ssh_channel_read_timeout(m_shell, buffer, sizeof buffer, 0, static_cast<int>(left.count()));
        if (got == SSH_ERROR)
            lost(ssh_get_error(m_session));
        if (got == 0 && (ssh_channel_is_eof(m_shell) || !ssh_channel_is_open(m_shell)))
            lost("the computer closed it");
        received.append(buffer, static_cast<std::size_t>(got));
        // The marker's line ends the answer: only the last line is looked at, as a scan of everything after
        // each read grows with the square of a long answer.
        if (received.size() < 2 || received.back() != '\n')
            continue;
        const auto at = received.rfind('\n', received.size() - 2);
        if (at == std::string::npos || received.compare(at, end.size(), end) != 0)
            continue;
        Answer answer;
        answer.status = std::atoi(received.c_str() + at + end.size());
        received.resize(at);
        answer.output = std::move(received);
        return answer;
    }
}

} // namespace quorvin::mgmt::remote
