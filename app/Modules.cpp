#include "app/Modules.h"
#include "mgmt/Error.h"
#include "mgmt/pcp/PcpModule.h"

#include <dlfcn.h>
#include <unistd.h>

namespace quorvin {

std::vector<std::string> moduleCandidates(const std::string &file)
{
    std::string program(4096, '\0');
    const ssize_t length = ::readlink("/proc/self/exe", program.data(), program.size() - 1);
    if (length <= 0)
        return {};
    program.resize(static_cast<std::size_t>(length));
    const std::string directory = program.substr(0, program.rfind('/') + 1);
    return {directory + file, directory + "../" + file,
            directory + "../" + QUORVIN_INSTALL_LIBDIR + "/quorvin/" + file};
}

void *moduleEntry(const std::vector<std::string> &candidates, const char *symbol, const std::string &what)
{
    std::string failures;
    for (const std::string &path : candidates) {
        if (::access(path.c_str(), F_OK) != 0)
            continue;
        // Never closed: the source it makes lives as long as the program.
        void *module = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
        if (void *entry = module ? ::dlsym(module, symbol) : nullptr)
            return entry;
        const char *why = ::dlerror();
        failures += " " + path + ": " + (why ? why : "no entry point") + ".";
    }
    throw mgmt::Error(mgmt::err::Failed,
                      what + (failures.empty() ? std::string(" It is not installed.") : failures));
}

std::unique_ptr<mgmt::Source> makePcpSource(const std::vector<std::string> &candidates, std::string archive,
                                            std::string localHostName, mgmt::pcp::PcpCalls calls)
{
    const auto make = reinterpret_cast<mgmt::pcp::MakePcpSource>(
        moduleEntry(candidates, mgmt::pcp::MakePcpSourceSymbol,
                    "Quorvin's PCP support cannot be loaded, so no PCP collector or archive can be read."));
    mgmt::pcp::PcpSourceRequest request{std::move(archive), std::move(localHostName), nullptr, calls};
    make(&request);
    if (!request.made)
        throw mgmt::Error(mgmt::err::Failed, "The PCP support made no source.");
    return std::move(request.made);
}

} // namespace quorvin
