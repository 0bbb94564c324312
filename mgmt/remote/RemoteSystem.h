#pragma once
#include "mgmt/linux/LinuxSystem.h"
#include "mgmt/remote/RemoteShell.h"
#include "mgmt/remote/RemoteTexts.h"

#include <memory>
#include <string>

namespace quorvin::mgmt::remote {

// The Linux classes' seam over another computer: each prefetch runs one command there that prints everything
// the class asked for (files as `grep -H` prints them, worked-out values as "=KEY VALUE" lines, see
// RemoteTexts), so that a class costs one round trip. Asking for what was not prefetched is a fault of the
// class and raises "Generic failure".
class RemoteSystem final : public linux_::LinuxSystem {
public:
    explicit RemoteSystem(std::shared_ptr<RemoteShell> shell);

    // The command that prints what `needs` asks for.
    static std::string commandFor(const linux_::Prefetch &needs);

    void prefetch(const linux_::Prefetch &needs) override;
    std::optional<std::string> file(const std::string &path) override;
    std::string requiredFile(const std::string &path) override;
    std::optional<std::int64_t> birthTime(const std::string &path) override;
    std::optional<std::int64_t> modificationTime(const std::string &path) override;
    std::uint64_t processCount() override;
    std::uint64_t clockTicksPerSecond() override { return m_shell->ticksPerSecond(); }
    std::uint64_t pageSize() override { return m_shell->pageSize(); }
    int utcOffsetMinutes(std::int64_t epochSeconds) override;
    linux_::ProcessWalk walkProcesses(linux_::ProcessDetail detail) override;
    std::shared_ptr<const MethodInvoker> processMethods() override;
    // The computer's system bus through an SSH channel, a bridge of its own for each call.
    linux_::WithServiceManager serviceManager() override;

private:
    void requireAsked(bool asked, const std::string &what) const;
    std::optional<std::string> value(const std::string &key) const;

    std::shared_ptr<RemoteShell> m_shell;
    linux_::Prefetch m_asked;
    RemoteTexts m_texts{{}};
};

} // namespace quorvin::mgmt::remote
