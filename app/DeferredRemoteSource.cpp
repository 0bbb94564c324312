#include "app/DeferredRemoteSource.h"
#include "mgmt/Error.h"
#include "mgmt/Moniker.h"
#include "mgmt/remote/RemoteModule.h"

#include <dlfcn.h>
#include <unistd.h>

namespace quorvin {

DeferredRemoteSource::DeferredRemoteSource(std::unique_ptr<mgmt::Source> local, std::string localHostName,
                                           mgmt::remote::HostKeyQuestion question,
                                           std::vector<std::string> moduleCandidates)
    : m_local(std::move(local)), m_localHostName(std::move(localHostName)), m_question(std::move(question)),
      m_moduleCandidates(std::move(moduleCandidates))
{
}

std::unique_ptr<mgmt::Service> DeferredRemoteSource::connect(std::string_view moniker)
{
    if (!m_remote && !mgmt::isLocalComputerName(mgmt::parseMoniker(moniker).computer, m_localHostName))
        loadModule();
    return current().connect(moniker);
}

void DeferredRemoteSource::closeIdleConnections()
{
    current().closeIdleConnections();
}

void DeferredRemoteSource::setWhileWaiting(mgmt::WhileWaiting whileWaiting)
{
    m_whileWaiting = whileWaiting;
    current().setWhileWaiting(std::move(whileWaiting));
}

std::optional<std::int64_t> DeferredRemoteSource::thisProgramsProcessId(std::string_view moniker)
{
    return current().thisProgramsProcessId(moniker);
}

void DeferredRemoteSource::loadModule()
{
    std::string failures;
    for (const std::string &path : m_moduleCandidates) {
        if (::access(path.c_str(), F_OK) != 0)
            continue;
        // Never closed: the source it makes lives as long as the program.
        void *module = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
        const auto make = module ? reinterpret_cast<mgmt::remote::MakeRemoteSource>(
                                       ::dlsym(module, mgmt::remote::MakeRemoteSourceSymbol))
                                 : nullptr;
        if (!make) {
            const char *why = ::dlerror();
            failures += " " + path + ": " + (why ? why : "no entry point") + ".";
            continue;
        }
        mgmt::remote::RemoteSourceRequest request{std::move(m_local), m_localHostName, m_question, nullptr};
        try {
            make(&request);
        } catch (...) {
            if (request.local) // not taken over: this computer is still answered
                m_local = std::move(request.local);
            throw;
        }
        if (!request.made) {
            m_local = std::move(request.local);
            throw mgmt::Error(mgmt::err::Failed, "The SSH support " + path + " made no source.");
        }
        m_remote = std::move(request.made);
        if (m_whileWaiting)
            m_remote->setWhileWaiting(m_whileWaiting);
        return;
    }
    throw mgmt::Error(mgmt::err::Failed,
                      "Quorvin's SSH support cannot be loaded, so no other computer can be "
                      "watched." +
                          (failures.empty() ? std::string(" It is not installed.") : failures));
}

std::vector<std::string> DeferredRemoteSource::standardModuleCandidates()
{
    std::string program(4096, '\0');
    const ssize_t length = ::readlink("/proc/self/exe", program.data(), program.size() - 1);
    if (length <= 0)
        return {};
    program.resize(static_cast<std::size_t>(length));
    const std::string directory = program.substr(0, program.rfind('/') + 1);
    const std::string file = mgmt::remote::RemoteModuleFile;
    return {directory + file, directory + "../" + file,
            directory + "../" + QUORVIN_INSTALL_LIBDIR + "/quorvin/" + file};
}

} // namespace quorvin
