#include "mgmt/remote/SshSession.h"
#include "mgmt/Error.h"
#include "mgmt/linux/TextFields.h"
#include "mgmt/remote/RemoteTexts.h"
#include "mgmt/remote/SshConnector.h"

#include <libssh/libssh.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <random>
#include <unistd.h>
#include <utility>

namespace quorvin::mgmt::remote {

namespace {

// Far above any answer a computer gives (its whole process table is a few megabytes), so that a computer
// that never stops talking cannot fill this one's memory.
constexpr std::size_t MaxAnswerBytes = 64 * 1024 * 1024;
// How long one read waits before the window gets a turn.
constexpr int ReadSliceMs = 100;

std::string randomMarker()
{
    std::random_device device;
    std::uniform_int_distribution<std::uint64_t> any;
    char text[48];
    std::snprintf(text, sizeof text, "\036quorvin-%016llx%016llx",
                  static_cast<unsigned long long>(any(device)), static_cast<unsigned long long>(any(device)));
    return text;
}

} // namespace

SshSession::SshSession(std::string computer, const SshSettings &settings, const HostKeyQuestion &question,
                       std::function<void()> whileWaiting)
    : m_computer(std::move(computer)), m_marker(randomMarker()), m_whileWaiting(std::move(whileWaiting)),
      m_answerTimeoutMs(settings.answerTimeoutSeconds * 1000), m_busBridgeCommand(settings.busBridgeCommand)
{
    m_session = SshConnector(m_computer, settings, question, m_whileWaiting).open();
    try {
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
