#include "mgmt/remote/SshSession.h"
#include "mgmt/Error.h"
#include "mgmt/Instance.h"
#include "mgmt/linux/TextFields.h"
#include "mgmt/remote/RemoteTexts.h"

#include <libssh/libssh.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <random>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace quorvin::mgmt::remote {

namespace {

// Far above any answer a computer gives (its whole process table is a few megabytes), so that a computer
// that never stops talking cannot fill this one's memory.
constexpr std::size_t MaxAnswerBytes = 64 * 1024 * 1024;
// How long one read waits before the window gets a turn.
constexpr int ReadSliceMs = 100;

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
      m_answerTimeoutMs(settings.answerTimeoutSeconds * 1000), m_busBridgeCommand(settings.busBridgeCommand)
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
    requireReadableKnownHosts(settings.knownHosts);
    char *configured = nullptr;
    if (ssh_options_get(m_session, SSH_OPTIONS_KNOWNHOSTS, &configured) == SSH_OK && configured) {
        const std::string path = configured;
        ssh_string_free_char(configured);
        if (path.starts_with('/'))
            requireReadableKnownHosts(path);
    }
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
    // Anything but a plausible figure keeps the usual one: the computer's word is not trusted blindly.
    if (const auto ticks = linux_::parseUnsigned(facts.value("ticks").value_or(""));
        ticks && *ticks >= 1 && *ticks <= 1'000'000)
        m_ticksPerSecond = *ticks;
    if (const auto page = linux_::parseUnsigned(facts.value("page").value_or(""));
        page && *page >= 512 && *page <= (1ULL << 30) && (*page & (*page - 1)) == 0)
        m_pageSize = *page;
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

SshSession::Lease::Lease(SshSession &session) noexcept : m_session(&session)
{
    m_session->m_leased = true;
}

SshSession::Lease::Lease(Lease &&other) noexcept : m_session(std::exchange(other.m_session, nullptr)) {}

SshSession::Lease::~Lease()
{
    if (m_session)
        m_session->m_leased = false;
}

SshSession::Lease SshSession::lease()
{
    if (m_leased)
        throw Error(err::Failed,
                    "The connection to " + m_computer + " is in use by another channel already.");
    return Lease(*this);
}

SshSession::Answer SshSession::run(std::string_view commands)
{
    if (m_leased)
        throw Error(err::Failed,
                    "The connection to " + m_computer +
                        " is in use by the service manager's bus; nothing else can be sent meanwhile.");
    if (m_broken)
        lost("it was lost before");
    // A marker of its own for every command: an answer cut short can never end a later one.
    const std::string marker = m_marker + "-" + std::to_string(++m_commands);
    write(std::string(commands) + "\nprintf '\\n%s %d\\n' '" + marker + "' $?\n");
    const std::string end = "\n" + marker + " ";
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(m_answerTimeoutMs);
    std::string received;
    std::size_t searchFrom = 0; // the end marker cannot start before this
    char buffer[65536];
    for (;;) {
        const std::size_t got = readSlice(buffer, sizeof buffer, deadline);
        if (got == 0)
            continue;
        if (received.size() + got > MaxAnswerBytes)
            lost("its answer grew past " + std::to_string(MaxAnswerBytes / (1024 * 1024)) + " MiB");
        received.append(buffer, got);
        const auto at = received.find(end, searchFrom);
        if (at == std::string::npos) {
            searchFrom = received.size() >= end.size() ? received.size() - end.size() + 1 : 0;
            continue;
        }
        searchFrom = at;
        const auto lineEnd = received.find('\n', at + end.size());
        if (lineEnd == std::string::npos)
            continue;
        Answer answer;
        const std::string_view status =
            std::string_view(received).substr(at + end.size(), lineEnd - at - end.size());
        answer.status = static_cast<int>(linux_::parseUnsigned(status).value_or(255) & 0xff);
        received.resize(at);
        answer.output = std::move(received);
        return answer;
    }
}

std::size_t SshSession::readSlice(char *buffer, std::size_t size,
                                  std::chrono::steady_clock::time_point deadline)
{
    // What the commands say on their error stream is not part of the answer, but must not back up.
    int said = 0;
    while ((said = ssh_channel_read_nonblocking(m_shell, buffer, static_cast<uint32_t>(size), 1)) > 0) {
    }
    if (said < 0)
        lost(ssh_get_error(m_session));
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0)
        lost("no answer within " + std::to_string(m_answerTimeoutMs / 1000) + " seconds");
    const int got =
        ssh_channel_read_timeout(m_shell, buffer, static_cast<uint32_t>(size), 0,
                                 static_cast<int>(std::min<long long>(left.count(), ReadSliceMs)));
    if (got < 0)
        lost(ssh_get_error(m_session));
    if (got == 0 && (ssh_channel_is_eof(m_shell) || !ssh_channel_is_open(m_shell)))
        lost("the computer closed it");
    if (got == 0 && m_whileWaiting)
        m_whileWaiting();
    return static_cast<std::size_t>(got);
}

} // namespace quorvin::mgmt::remote
