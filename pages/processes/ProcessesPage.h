#pragma once
#include "pages/processes/ProcessSamples.h"

#include <QString>

namespace quorvin {

struct PageContext;

// The Process Details page: the process table with each process's processor use, its sort, and ending
// processes.
class ProcessesPage final {
public:
    explicit ProcessesPage(PageContext &context) : m(context) {}

    // Rebuilds the table from one query; errors pass to the caller.
    void RefreshProcesses();
    void ClearProcessSamples();
    void msfg_Click();
    void msfg_DblClick();
    // Ends the process with that ID, or every process of that name; reports each one, then refreshes.
    void KillProcess(const QString &name, qint64 processId);

    const ProcessSamples &samples() const noexcept { return m_samples; }
    double ProcessSampleResetTime() const noexcept { return m_resetTime; }

private:
    bool byName() const;
    void writeGrid(const class ProcessTable &table);

    PageContext &m;
    ProcessSamples m_samples;
    double m_resetTime = 0; // on the monotonic clock, so that midnight changes nothing
};

} // namespace quorvin
