#pragma once
#include "kit/Page.h"
#include "pages/processes/LastKeyOrder.h"
#include "pages/processes/ProcessSamples.h"
#include "pages/processes/ProcessesControls.h"

#include "mgmt/Instance.h"

#include <QString>
#include <cstdint>
#include <optional>
#include <vector>

namespace quorvin {

class ProcessModel;
struct PageContext;

// The Process Details page: the process table with each process's processor use, its sort, and ending
// processes.
class ProcessesPage final : public Page {
public:
    explicit ProcessesPage(PageContext &context);

    const ProcessesControls &controls() const noexcept { return m_controls; }
    QWidget *frame() const override;
    QRect framePlace() const override { return ProcessesControls::FramePlace; }
    std::vector<QWidget *> windowControls() const override;
    void connectEvents(EventRunner &events) override;

    void refresh() override;
    // At the interval typed into txtupdt, read afresh on every tick.
    void tick() override;

    // Rebuilds the table from one query; errors pass to the caller.
    void RefreshProcesses();
    void ClearProcessSamples();
    // row and column: the cell the event happened on.
    void msfg_Click(int row, int column);
    void msfg_DblClick(int row, int column);
    // Ends the process with that ID, or every process of that name; reports each one, then refreshes. By ID,
    // startTime (when not null) binds the ending to the process shown: a process that reuses the ID is not
    // it. This program's own process is never ended, by its name or by its ID on this computer.
    void KillProcess(const QString &name, qint64 processId, const mgmt::Value &startTime = {});

    const ProcessSamples &samples() const noexcept { return m_samples; }
    double ProcessSampleResetTime() const noexcept { return m_resetTime; }

private:
    bool byName() const;
    bool selected(const mgmt::Instance &instance, const QString &name, qint64 processId,
                  const mgmt::Value &startTime) const;
    struct Pass {
        bool ended = false;
        bool refusedItself = false; // this program's own process was selected, and left alone
    };
    Pass endSelected(const QString &name, qint64 processId, const mgmt::Value &startTime,
                     std::optional<std::int64_t> ownProcessId);
    // Nothing when the pass would end this program, which it refuses with a message instead.
    std::optional<Pass> endUnlessItself(const QString &name, qint64 processId, const mgmt::Value &startTime);
    void refuseToEndItself();

    PageContext &m;
    ProcessesControls m_controls;
    ProcessModel *m_model; // owned by the grid
    ProcessSamples m_samples;
    QString m_sampledComputer; // the one m_samples were taken on
    LastKeyOrder m_lastKeyOrder;
    double m_resetTime = 0; // on the monotonic clock, so that midnight changes nothing
};

} // namespace quorvin
