#include "mgmt/pcp/PcpConnection.h"
#include "mgmt/Error.h"

#include <pcp/pmapi.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <vector>

namespace quorvin::mgmt::pcp {

namespace {

std::int64_t microsOf(const timeval &time)
{
    return static_cast<std::int64_t>(time.tv_sec) * 1'000'000 + time.tv_usec;
}

timeval timevalOf(std::int64_t micros)
{
    timeval time{};
    time.tv_sec = static_cast<time_t>(micros / 1'000'000);
    time.tv_usec = static_cast<suseconds_t>(micros % 1'000'000);
    return time;
}

// Faults of the connection itself, after which it is opened anew.
bool lostConnection(int code)
{
    return code == PM_ERR_IPC || code == PM_ERR_TIMEOUT || code == PM_ERR_EOF || code == PM_ERR_NOTCONN ||
           code == -ECONNRESET || code == -EPIPE || code == -ECONNREFUSED || code == -ETIMEDOUT ||
           code == -ENOTCONN || code == -EHOSTUNREACH || code == -ENETUNREACH;
}

// Metrics that this collector or archive does not have.
bool unknownMetric(int code)
{
    return code == PM_ERR_NAME || code == PM_ERR_PMID || code == PM_ERR_PMID_LOG ||
           code == PM_ERR_APPVERSION || code == PM_ERR_NONLEAF || code == PM_ERR_NOAGENT;
}

struct ResultDeleter {
    void operator()(pmResult *result) const noexcept { pmFreeResult(result); }
};
using Result = std::unique_ptr<pmResult, ResultDeleter>;

} // namespace

std::string pcpErrorText(int code)
{
    char text[PM_MAXERRMSGLEN];
    return pmErrStr_r(code, text, sizeof text);
}

struct PcpConnection::Metric {
    std::string name;
    pmID id = PM_ID_NULL;
    pmDesc desc{};
    int lookupError = 0; // why it is unknown
};

PcpConnection::PcpConnection(int context, std::string shownName, bool archive)
    : m_context(context), m_shownName(std::move(shownName)), m_archive(archive)
{
}

PcpConnection::~PcpConnection()
{
    pmDestroyContext(m_context);
}

std::unique_ptr<PcpConnection> PcpConnection::toCollector(const std::string &hostAddress,
                                                          std::string shownName)
{
    const int context = pmNewContext(PM_CONTEXT_HOST, hostAddress.c_str());
    if (context < 0)
        throw Error(err::RemoteServerUnavailable, Error::standardDescription(err::RemoteServerUnavailable) +
                                                      " (" + shownName + ": " + pcpErrorText(context) + ")");
    return std::unique_ptr<PcpConnection>(new PcpConnection(context, std::move(shownName), false));
}

std::unique_ptr<PcpConnection> PcpConnection::toArchive(const std::string &path)
{
    const int context = pmNewContext(PM_CONTEXT_ARCHIVE, path.c_str());
    if (context < 0)
        throw Error(err::Failed,
                    "The PCP archive " + path + " cannot be read: " + pcpErrorText(context) + ".");
    return std::unique_ptr<PcpConnection>(new PcpConnection(context, path, true));
}

void PcpConnection::fail(const std::string &what, int code)
{
    if (lostConnection(code) && !m_archive) {
        m_broken = true;
        throw Error(err::Failed, "The connection to the PCP collector " + m_shownName +
                                     " was lost: " + pcpErrorText(code) + ".");
    }
    throw Error(err::Failed, std::string(m_archive ? "The PCP archive " : "The PCP collector ") +
                                 m_shownName + " could not " + what + ": " + pcpErrorText(code) + ".");
}

const PcpConnection::Metric &PcpConnection::lookup(std::string_view name)
{
    if (const auto found = m_metrics.find(name); found != m_metrics.end())
        return *found->second;
    auto metric = std::make_shared<Metric>();
    metric->name = std::string(name);
    const char *names[] = {metric->name.c_str()};
    const int found = pmLookupName(1, names, &metric->id);
    if (found < 0 && lostConnection(found))
        fail("look up the metric " + metric->name, found);
    if (found < 0 || metric->id == PM_ID_NULL) {
        metric->id = PM_ID_NULL;
        metric->lookupError = found < 0 ? found : PM_ERR_NAME;
    } else if (const int described = pmLookupDesc(metric->id, &metric->desc); described < 0) {
        if (lostConnection(described))
            fail("describe the metric " + metric->name, described);
        metric->id = PM_ID_NULL;
        metric->lookupError = described;
    }
    return *m_metrics.emplace(metric->name, std::move(metric)).first->second;
}

// The names of the instances a fetch gave, from the instance domain, read again when it holds a number it
// did not hold before.
void PcpConnection::nameInstances(const Metric &metric, MetricValues &values)
{
    if (metric.desc.indom == PM_INDOM_NULL)
        return;
    std::map<int, std::string> &names = m_instanceNames[metric.desc.indom];
    bool reread = false;
    for (InstanceValue &value : values.values) {
        auto found = names.find(value.instance);
        if (found == names.end() && !reread) {
            reread = true;
            int *numbers = nullptr;
            char **texts = nullptr;
            const int count = pmGetInDom(metric.desc.indom, &numbers, &texts);
            if (count < 0)
                fail("list the instances of the metric " + metric.name, count);
            names.clear();
            for (int i = 0; i < count; ++i)
                names.emplace(numbers[i], texts[i]);
            std::free(numbers);
            std::free(texts);
            found = names.find(value.instance);
        }
        if (found == names.end())
            throw Error(err::Failed, std::string(m_archive ? "The PCP archive " : "The PCP collector ") +
                                         m_shownName + " changed the instances of the metric " + metric.name +
                                         " while it was read: instance " + std::to_string(value.instance) +
                                         " is not among them.");
        value.name = found->second;
    }
}

// What a fetch of some needs takes, worked out once for a caller that asks the same again and again: the
// metrics looked up, each once, in the order of their names.
struct PcpConnection::Plan {
    std::vector<std::pair<std::string, bool>> needs; // as asked: name and named
    std::shared_ptr<const MetricTable::Names> names; // each once, in order: the samples' list
    std::vector<const Metric *> metrics;             // of each name
    std::vector<bool> named;                         // of each: its instances' names are read too
    std::vector<pmID> ids;                           // of those the collector knows, in the same order

    bool sameNeeds(std::span<const MetricNeed> asked) const
    {
        return std::equal(asked.begin(), asked.end(), needs.begin(), needs.end(),
                          [](const MetricNeed &need, const std::pair<std::string, bool> &had) {
                              return need.named == had.second && need.name == had.first;
                          });
    }
};

std::shared_ptr<const PcpConnection::Plan> PcpConnection::planFor(std::span<const MetricNeed> needs)
{
    constexpr std::size_t Kept = 4; // a caller that reads more at times alternates between a few
    for (auto it = m_plans.begin(); it != m_plans.end(); ++it)
        if ((*it)->sameNeeds(needs)) {
            std::rotate(m_plans.begin(), it, it + 1);
            return m_plans.front();
        }
    auto plan = std::make_shared<Plan>();
    std::map<std::string_view, bool> byName; // each once, named where any need names it
    for (const MetricNeed &need : needs) {
        plan->needs.emplace_back(std::string(need.name), need.named);
        byName[need.name] = byName[need.name] || need.named;
    }
    auto names = std::make_shared<MetricTable::Names>();
    for (const auto &[name, named] : byName) {
        const Metric &metric = lookup(name);
        names->push_back(metric.name);
        plan->metrics.push_back(&metric);
        plan->named.push_back(named);
        if (metric.id != PM_ID_NULL)
            plan->ids.push_back(metric.id);
    }
    plan->names = std::move(names);
    if (m_plans.size() == Kept)
        m_plans.pop_back();
    m_plans.insert(m_plans.begin(), std::move(plan));
    return m_plans.front();
}

Sample PcpConnection::fetch(std::span<const MetricNeed> needs, std::optional<std::int64_t> atMicros)
{
    if (const int used = pmUseContext(m_context); used < 0)
        fail("be used", used);
    const std::shared_ptr<const Plan> planned = planFor(needs);
    const Plan &plan = *planned;
    Sample sample;
    sample.source = m_shownName;
    sample.archive = m_archive;
    sample.metrics = MetricTable(plan.names);
    // The values of those asked land in the order of their names.
    std::vector<MetricValues *> slots;
    std::vector<const Metric *> asked;
    std::vector<bool> named;
    slots.reserve(plan.ids.size());
    for (std::size_t i = 0; i < plan.metrics.size(); ++i) {
        const Metric &metric = *plan.metrics[i];
        MetricValues &values = sample.metrics.at(i);
        if (metric.id == PM_ID_NULL) {
            values.gap = Gap::Unknown;
            if (metric.lookupError != PM_ERR_NAME)
                values.why = pcpErrorText(metric.lookupError);
            continue;
        }
        slots.push_back(&values);
        asked.push_back(&metric);
        named.push_back(plan.named[i]);
    }
    const std::vector<pmID> &ids = plan.ids;
    if (ids.empty())
        return sample;
    if (atMicros) {
        const timeval at = timevalOf(*atMicros);
        if (const int set = pmSetMode(PM_MODE_INTERP | PM_XTB_SET(PM_TIME_SEC), &at, 1); set < 0)
            fail("move to " + std::to_string(*atMicros / 1'000'000), set);
    }
    pmResult *raw = nullptr;
    const int fetched = pmFetch(static_cast<int>(ids.size()), const_cast<pmID *>(ids.data()), &raw);
    if (fetched < 0)
        fail("give the values of " + std::to_string(ids.size()) + " metrics", fetched);
    const Result result(raw);
    sample.timestampMicros = microsOf(result->timestamp);
    for (int k = 0; k < result->numpmid && k < static_cast<int>(asked.size()); ++k) {
        const Metric &metric = *asked[static_cast<std::size_t>(k)];
        const pmValueSet *set = result->vset[k];
        MetricValues &values = *slots[static_cast<std::size_t>(k)];
        if (set->numval < 0) {
            values.gap = set->numval == PM_ERR_PERMISSION ? Gap::Refused
                         : unknownMetric(set->numval)     ? Gap::Unknown
                                                          : Gap::Failed;
            values.why = pcpErrorText(set->numval);
            continue;
        }
        values.gap = Gap::None;
        values.values.reserve(static_cast<std::size_t>(set->numval));
        for (int j = 0; j < set->numval; ++j) {
            pmAtomValue atom{};
            const int type = metric.desc.type;
            if (const int extracted = pmExtractValue(set->valfmt, &set->vlist[j], type, &atom, type);
                extracted < 0)
                throw Error(err::Failed, std::string(m_archive ? "The PCP archive " : "The PCP collector ") +
                                             m_shownName + " gave a value of the metric " + metric.name +
                                             " that cannot be read: " + pcpErrorText(extracted) + ".");
            InstanceValue value;
            value.instance = set->vlist[j].inst;
            switch (type) {
            case PM_TYPE_32:
                value.value = static_cast<std::int64_t>(atom.l);
                break;
            case PM_TYPE_U32:
                value.value = static_cast<std::uint64_t>(atom.ul);
                break;
            case PM_TYPE_64:
                value.value = static_cast<std::int64_t>(atom.ll);
                break;
            case PM_TYPE_U64:
                value.value = static_cast<std::uint64_t>(atom.ull);
                break;
            case PM_TYPE_FLOAT:
                value.value = static_cast<double>(atom.f);
                break;
            case PM_TYPE_DOUBLE:
                value.value = atom.d;
                break;
            case PM_TYPE_STRING:
                value.value = std::string(atom.cp ? atom.cp : "");
                std::free(atom.cp);
                break;
            default:
                throw Error(err::Failed, "The metric " + metric.name + " is of a type Quorvin cannot read.");
            }
            values.values.push_back(std::move(value));
        }
        if (named[static_cast<std::size_t>(k)])
            nameInstances(metric, values);
    }
    return sample;
}

// Reading from `from` in the mode's direction, the time of the record by which every one of the metrics has
// been met (a metric logged every minute first appears up to a minute after one logged every second); the
// last record met when some never are.
std::int64_t PcpConnection::recordHoldingAll(std::vector<unsigned> ids, int mode, const timeval &from)
{
    if (const int set = pmSetMode(mode, &from, 0); set < 0)
        fail("move to " + std::to_string(from.tv_sec), set);
    std::optional<std::int64_t> lastMet;
    while (!ids.empty()) {
        pmResult *raw = nullptr;
        const int fetched = pmFetchArchive(&raw);
        if (fetched == PM_ERR_EOL)
            break;
        if (fetched < 0)
            fail("give its records", fetched);
        const Result record(raw);
        for (int k = 0; k < record->numpmid; ++k)
            if (const auto met = std::find(ids.begin(), ids.end(), record->vset[k]->pmid); met != ids.end()) {
                ids.erase(met);
                lastMet = microsOf(record->timestamp);
            }
    }
    if (!lastMet)
        throw Error(err::Failed,
                    "The PCP archive " + m_shownName + " holds none of the metrics Quorvin reads.");
    return *lastMet;
}

ArchiveExtent PcpConnection::extent(std::span<const std::string_view> metrics)
{
    if (const int used = pmUseContext(m_context); used < 0)
        fail("be used", used);
    ArchiveExtent extent;
    pmLogLabel label{};
    if (const int read = pmGetArchiveLabel(&label); read < 0)
        fail("give its label", read);
    extent.hostName = label.ll_hostname;
    timeval end{};
    if (const int read = pmGetArchiveEnd(&end); read < 0)
        fail("give its end", read);
    std::vector<unsigned> ids;
    for (const std::string_view name : metrics)
        if (const Metric &metric = lookup(name); metric.id != PM_ID_NULL)
            ids.push_back(metric.id);
    extent.firstMicros = recordHoldingAll(ids, PM_MODE_FORW, label.ll_start);
    extent.endMicros = std::max(extent.firstMicros, recordHoldingAll(ids, PM_MODE_BACK, end));
    return extent;
}

} // namespace quorvin::mgmt::pcp
