// Whatever another computer prints as the answer to a class's command goes the whole way the remote source
// takes it, through the Linux classes' seam and builders: it must end as instances or as a reported error.

#include "FuzzInput.h"
#include "mgmt/Names.h"
#include "mgmt/linux/LinuxService.h"
#include "mgmt/remote/RemoteShell.h"
#include "mgmt/remote/RemoteSystem.h"

#include <memory>
#include <string>

using namespace quorvin::mgmt;
using quorvin::fuzz::rejectedOrParsed;

namespace {

class AnsweringShell final : public remote::RemoteShell {
public:
    explicit AnsweringShell(std::string answer) : m_answer(std::move(answer)) {}
    std::string output(std::string_view) override { return m_answer; }
    std::uint64_t ticksPerSecond() override { return 100; }
    std::uint64_t pageSize() override { return 4096; }
    void withBus(const std::function<void(sd_bus *)> &) override
    {
        throw Error(err::Failed, "no session here");
    }

private:
    std::string m_answer;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    auto shell = std::make_shared<AnsweringShell>(std::string(quorvin::fuzz::textOf(data, size)));
    linux_::LinuxService service(std::make_shared<remote::RemoteSystem>(shell));
    for (const std::string_view className : {cls::OperatingSystem, cls::Processor, cls::ProcessorCounters,
                                             cls::ProcessCounters, cls::Process, cls::NetworkInterface})
        rejectedOrParsed([&] { service.instancesOf(className); });
    return 0;
}
