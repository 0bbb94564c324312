#include "mgmt/linux/ServiceManager.h"
#include "mgmt/Error.h"
#include "mgmt/linux/BusHandle.h"

#include <cerrno>
#include <cstring>
#include <functional>
#include <initializer_list>
#include <map>

namespace quorvin::mgmt::linux_ {

namespace {

constexpr const char *Destination = "org.freedesktop.systemd1";
constexpr const char *ManagerPath = "/org/freedesktop/systemd1";
constexpr const char *ManagerInterface = "org.freedesktop.systemd1.Manager";
constexpr const char *NotAvailable = "The service manager is not available: ";

class BusError final {
public:
    BusError() = default;
    BusError(const BusError &) = delete;
    BusError &operator=(const BusError &) = delete;
    ~BusError() { sd_bus_error_free(&m_error); }

    sd_bus_error *get() noexcept { return &m_error; }

    bool hasAnyName(std::initializer_list<const char *> names) const noexcept
    {
        for (const char *name : names)
            if (sd_bus_error_has_name(&m_error, name))
                return true;
        return false;
    }

    bool nameStartsWith(std::string_view prefix) const noexcept
    {
        return m_error.name && std::string_view(m_error.name).starts_with(prefix);
    }

    std::string description(int r) const
    {
        if (m_error.message && *m_error.message)
            return m_error.message;
        return m_error.name ? m_error.name : std::strerror(-r);
    }

private:
    sd_bus_error m_error = SD_BUS_ERROR_NULL;
};

// Nobody took the call: no manager on the bus, or the bus itself went away or stayed silent.
bool managerUnreachable(const BusError &error, int r)
{
    if (error.hasAnyName({"org.freedesktop.DBus.Error.ServiceUnknown",
                          "org.freedesktop.DBus.Error.NameHasNoOwner", "org.freedesktop.DBus.Error.NoReply",
                          "org.freedesktop.DBus.Error.Disconnected", "org.freedesktop.DBus.Error.TimedOut",
                          "org.freedesktop.DBus.Error.Timeout"}) ||
        error.nameStartsWith("org.freedesktop.DBus.Error.Spawn.")) // the bus failed to start it on demand
        return true;
    switch (-r) {
    case ETIMEDOUT:
    case ECONNRESET:
    case ENOTCONN:
    case ECONNREFUSED:
    case EPIPE:
        return true;
    default:
        return false;
    }
}

[[noreturn]] void raiseCallError(const BusError &error, int r)
{
    const std::string description = error.description(r);
    // The manager says EPERM/EACCES through polkit or its own checks, with a name or only as an errno.
    if (error.hasAnyName({"org.freedesktop.DBus.Error.AccessDenied",
                          "org.freedesktop.DBus.Error.InteractiveAuthorizationRequired"}) ||
        r == -EPERM || r == -EACCES)
        throw Error(err::AccessDenied, description);
    if (error.hasAnyName({"org.freedesktop.systemd1.NoSuchUnit"}))
        throw Error(err::NotFound, description);
    if (managerUnreachable(error, r))
        throw Error(err::Failed, NotAvailable + description);
    throw Error(err::Failed, description);
}

[[noreturn]] void raiseUnreadable(int r)
{
    throw Error(err::Failed,
                "The service manager's answer cannot be read: " + std::string(std::strerror(-r)));
}

bool isTemplate(std::string_view name)
{
    return name.ends_with("@.service");
}

std::string_view baseName(std::string_view path)
{
    const std::size_t slash = path.rfind('/');
    return slash == std::string_view::npos ? path : path.substr(slash + 1);
}

// Both list calls take (states, patterns): every state, service units only.
int appendServicePatterns(sd_bus_message *call)
{
    const int r = sd_bus_message_append_strv(call, nullptr);
    return r < 0 ? r : sd_bus_message_append(call, "as", 1, "*.service");
}

BusMessagePtr callManager(sd_bus *bus, std::chrono::microseconds timeout, const char *method,
                          const std::function<int(sd_bus_message *)> &appendArguments)
{
    if (!bus)
        throw Error(err::Failed, std::string(NotAvailable) + "no bus connection.");
    sd_bus_message *rawCall = nullptr;
    int r = sd_bus_message_new_method_call(bus, &rawCall, Destination, ManagerPath, ManagerInterface, method);
    BusMessagePtr call(rawCall);
    if (r >= 0)
        r = appendArguments(call.get());
    if (r < 0) // the only argument that can be wrong is a unit name that is not valid text
        throw Error(err::Failed, "The request cannot be sent: " + std::string(std::strerror(-r)) + ".");
    BusError error;
    sd_bus_message *rawReply = nullptr;
    r = sd_bus_call(bus, call.get(), static_cast<std::uint64_t>(timeout.count()), error.get(), &rawReply);
    BusMessagePtr reply(rawReply);
    if (r < 0)
        raiseCallError(error, r);
    return reply;
}

} // namespace

ServiceManager::ServiceManager(sd_bus *bus, std::chrono::microseconds callTimeout)
    : m_bus(bus), m_callTimeout(callTimeout)
{
}

std::vector<ServiceUnit> ServiceManager::services() const
{
    std::map<std::string, ServiceUnit, std::less<>> byName;

    const BusMessagePtr loaded =
        callManager(m_bus, m_callTimeout, "ListUnitsByPatterns", appendServicePatterns);
    int r = sd_bus_message_enter_container(loaded.get(), 'a', "(ssssssouso)");
    if (r < 0)
        raiseUnreadable(r);
    const char *name, *description, *loadState, *activeState, *subState, *following, *unitPath, *jobType,
        *jobPath;
    std::uint32_t jobId;
    while (
        (r = sd_bus_message_read(loaded.get(), "(ssssssouso)", &name, &description, &loadState, &activeState,
                                 &subState, &following, &unitPath, &jobId, &jobType, &jobPath)) > 0) {
        // A name that something refers to but no file provides: starting it could only fail.
        if (std::strcmp(loadState, "not-found") == 0 && std::strcmp(activeState, "inactive") == 0)
            continue;
        if (isTemplate(name))
            continue;
        byName.insert_or_assign(name, ServiceUnit{name, description, activeState, {}});
    }
    if (r < 0)
        raiseUnreadable(r);

    const BusMessagePtr files =
        callManager(m_bus, m_callTimeout, "ListUnitFilesByPatterns", appendServicePatterns);
    r = sd_bus_message_enter_container(files.get(), 'a', "(ss)");
    if (r < 0)
        raiseUnreadable(r);
    const char *filePath, *fileState;
    while ((r = sd_bus_message_read(files.get(), "(ss)", &filePath, &fileState)) > 0) {
        const std::string_view fileName = baseName(filePath);
        if (fileName.empty() || isTemplate(fileName))
            continue;
        auto it = byName.find(fileName);
        if (it == byName.end()) // not loaded: the manager gives no description for it, and it runs no process
            it = byName.emplace(std::string(fileName), ServiceUnit{std::string(fileName), {}, "inactive", {}})
                     .first;
        if (it->second.unitFileState.empty()) // the first file in the search path is the one in force
            it->second.unitFileState = fileState;
    }
    if (r < 0)
        raiseUnreadable(r);

    std::vector<ServiceUnit> units;
    units.reserve(byName.size());
    for (auto &entry : byName)
        units.push_back(std::move(entry.second));
    return units;
}

void ServiceManager::startUnit(std::string_view name) const
{
    queueJob("StartUnit", name);
}

void ServiceManager::stopUnit(std::string_view name) const
{
    queueJob("StopUnit", name);
}

void ServiceManager::queueJob(const char *method, std::string_view name) const
{
    if (name.empty() || name.find('\0') != std::string_view::npos)
        throw Error(err::Failed, "The service name \"" + std::string(name.substr(0, name.find('\0'))) +
                                     "\" is not a unit name; nothing was started or stopped.");
    const std::string unit(name);
    callManager(m_bus, m_callTimeout, method, [&](sd_bus_message *call) {
        return sd_bus_message_append(call, "ss", unit.c_str(), "replace");
    });
}

} // namespace quorvin::mgmt::linux_
