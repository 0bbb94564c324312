#include "pages/processes/ProcessesPage.h"
#include "kit/ClassQuery.h"
#include "kit/Clock.h"
#include "kit/Dialogs.h"
#include "kit/Environment.h"
#include "kit/ErrorReport.h"
#include "kit/EventRunner.h"
#include "kit/FormState.h"
#include "kit/GridCells.h"
#include "kit/GridHeaders.h"
#include "kit/NumberFormat.h"
#include "kit/PageContext.h"
#include "kit/RealTimePause.h"
#include "mgmt/Convert.h"
#include "mgmt/Error.h"
#include "mgmt/Names.h"
#include "pages/processes/ProcessModel.h"
#include "pages/processes/ProcessTable.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QTableView>

#include <array>

namespace quorvin {

namespace {

constexpr double SampleResetSeconds = 60;

constexpr std::array<GridColumn, 5> Columns{{{"       Process Name", 2250},
                                             {"      ID", 1000},
                                             {"    Utilization", 1500},
                                             {"       Working Set", 2000},
                                             {"        Page File", 2000}}};

bool endsWithExe(const QString &imageName)
{
    return imageName.endsWith(QLatin1String(".exe"), Qt::CaseInsensitive);
}

} // namespace

ProcessesPage::ProcessesPage(PageContext &context)
    : m(context), m_controls(ProcessesControls::design(context.designer)),
      m_model(new ProcessModel(m_controls.msfg))
{
    m_controls.msfg->setModel(m_model);
}

QWidget *ProcessesPage::frame() const
{
    return m_controls.frPD;
}

std::vector<QWidget *> ProcessesPage::windowControls() const
{
    return {m_controls.txtupdt, m_controls.lblProcint};
}

void ProcessesPage::connectEvents(EventRunner &events)
{
    // The handlers act on the cell of the event itself: a refresh moves the current cell.
    QObject::connect(
        m_controls.msfg, &QTableView::clicked, m_controls.msfg, [this, &events](const QModelIndex &cell) {
            events.run([this, row = cell.row(), column = cell.column()] { msfg_Click(row, column); });
        });
    QObject::connect(
        m_controls.msfg, &QTableView::doubleClicked, m_controls.msfg,
        [this, &events](const QModelIndex &cell) {
            events.run([this, row = cell.row(), column = cell.column()] { msfg_DblClick(row, column); });
        });
}

void ProcessesPage::refresh()
{
    m.errors.guard(ErrorReport::Policy::SwitchOffFirst, [this] { RefreshProcesses(); });
}

void ProcessesPage::tick()
{
    double interval = 2;
    if (const auto typed = readNumber(m_controls.txtupdt->text()))
        interval = *typed;
    else
        m_controls.txtupdt->setText(QStringLiteral("2"));
    if (m.state.TickCount >= interval) {
        m.state.TickCount = 0;
        refresh();
    } else {
        m.state.countTick();
    }
}

void ProcessesPage::RefreshProcesses()
{
    if (m.state.PageInitPending) {
        if (m.state.CurrentPage == page::Processes)
            SetGridHeaders(m_controls.msfg, Columns, m.twips);
        m_resetTime = m.clock.monotonicSeconds();
        m.state.PageInitPending = false;
    }
    ProcessTable table;
    table.fill(selectAll(m.source, impersonatingMoniker(m.state.TargetComputer), mgmt::cls::ProcessCounters)
                   .instances);
    // Another computer's samples say nothing of these processes, whatever their IDs.
    if (!sameComputer(m_sampledComputer, m.state.TargetComputer)) {
        ClearProcessSamples();
        m_sampledComputer = m.state.TargetComputer;
    }
    table.computeUtilization(m_samples);
    table.sort(m.state.SortColumn, sortDirectionOf(m.state.SortOrder), &m_lastKeyOrder);
    m_controls.lblpdTitle->setText(table.summary());
    m_model->show(std::move(table));
    // Writing cell by cell left the last one written current.
    if (m_model->shownCount() > 0)
        setCurrentCell(m_controls.msfg, m_model->shownCount(), 4);
    if (m.clock.monotonicSeconds() - m_resetTime > SampleResetSeconds)
        ClearProcessSamples();
}

void ProcessesPage::ClearProcessSamples()
{
    m_samples.clear();
    m_resetTime = m.clock.monotonicSeconds();
}

void ProcessesPage::msfg_Click(int row, int column)
{
    if (row != 0)
        return;
    const auto sortColumn = static_cast<std::int16_t>(column + 1);
    if (m.state.SortColumn == sortColumn)
        m.state.SortOrder = toggledSortOrder(m.state.SortOrder);
    m.state.SortColumn = sortColumn;
}

bool ProcessesPage::byName() const
{
    return m_controls.chkname->checkState() == Qt::Checked;
}

void ProcessesPage::msfg_DblClick(int row, int)
{
    const QTableView *grid = m_controls.msfg;
    if (row <= 0 || row >= gridRows(grid)) // the title row names no process
        return;
    const QString name = cellText(grid, row, 0).trimmed();
    bool isNumber = false;
    const qint64 processId = cellText(grid, row, 1).trimmed().toLongLong(&isNumber);
    if (!isNumber)
        return;
    const mgmt::Value startTime = m_model->startTimeAt(row);
    const QString question =
        byName() ? QStringLiteral("Are You Sure You Wish To End All '") + name + QStringLiteral("' Processes")
                 : QStringLiteral("Are You Sure You Wish To End Process ID: ") + QString::number(processId) +
                       QLatin1Char('(') + name + QLatin1Char(')');
    if (m.dialogs.confirm(question, QStringLiteral("Terminate Process")))
        KillProcess(name, processId, startTime);
}

namespace {

// A value that is missing or null matches nothing; no other instance's gap can end the pass.
std::optional<QString> textOf(const mgmt::Instance &instance, std::string_view property)
{
    const mgmt::Value *value = instance.find(property);
    if (!value || value->isNull())
        return std::nullopt;
    return QString::fromStdString(mgmt::toText(*value));
}

std::optional<double> numberOf(const mgmt::Instance &instance, std::string_view property)
{
    const mgmt::Value *value = instance.find(property);
    if (!value || value->isNull())
        return std::nullopt;
    if (value->isNumber())
        return value->number();
    return value->isText() ? mgmt::parseDecimal(value->text()) : std::nullopt;
}

// The same process as the one shown: the same start, where both tell one.
bool sameStart(const mgmt::Instance &instance, const mgmt::Value &shownStart)
{
    const mgmt::Value *start = instance.find(mgmt::prop::StartTime);
    return shownStart.isNull() || !start || start->isNull() || *start == shownStart;
}

} // namespace

// Whether the instance is a process the pass asks for. By ID nothing but its handle and start are read, so
// that a gap in another instance's name cannot end the pass.
bool ProcessesPage::selected(const mgmt::Instance &instance, const QString &name, qint64 processId,
                             const mgmt::Value &startTime) const
{
    if (byName()) {
        const std::optional<QString> image = textOf(instance, mgmt::prop::Name);
        const QString wanted = name.toLower();
        // Linux images have no extension.
        return image && (image->toLower() == wanted + QStringLiteral(".exe") || image->toLower() == wanted);
    }
    const std::optional<double> handle = numberOf(instance, mgmt::prop::Handle);
    return handle && *handle == static_cast<double>(processId) && sameStart(instance, startTime);
}

// Ends what the pass selects, one message each; never this program's own process.
ProcessesPage::Pass ProcessesPage::endSelected(const QString &name, qint64 processId,
                                               const mgmt::Value &startTime,
                                               std::optional<std::int64_t> ownProcessId)
{
    m.state.ComputerMoniker = plainMoniker(m.state.TargetComputer);
    const QueryAnswer processes = instancesOf(m.source, m.state.ComputerMoniker, mgmt::cls::Process);
    Pass pass;
    for (const mgmt::Instance &instance : processes.instances) {
        if (!selected(instance, name, processId, startTime))
            continue;
        const std::optional<double> handle = numberOf(instance, mgmt::prop::Handle);
        if (handle && ownProcessId && *handle == static_cast<double>(*ownProcessId)) {
            pass.refusedItself = true;
            continue;
        }
        try {
            instance.invoke(mgmt::method::Terminate);
        } catch (const mgmt::Error &error) {
            if (error.number() == mgmt::err::NotFound)
                continue; // it ended, or its ID now names another process: that one is not touched
            throw;
        }
        const std::optional<QString> image = textOf(instance, mgmt::prop::Name);
        m.dialogs.message(QStringLiteral("Process ") + name +
                              (image && endsWithExe(*image) ? QStringLiteral(".exe") : QString()) +
                              QLatin1Char('(') + (handle ? plainInteger(*handle) : QString()) +
                              QStringLiteral(") Was Terminated"),
                          QStringLiteral("Verko's Process Kill Was Successful"));
        pass.ended = true;
    }
    return pass;
}

void ProcessesPage::refuseToEndItself()
{
    m.dialogs.message(QStringLiteral("I'm Not Going To Let You Kill Me Silly"),
                      QStringLiteral("Quorvin Info"));
}

void ProcessesPage::KillProcess(const QString &name, qint64 processId, const mgmt::Value &startTime)
{
    try {
        std::optional<Pass> pass;
        {
            const RealTimePause pause(m.state.RealTimeMode);
            pass = endUnlessItself(name, processId, startTime);
        }
        if (!pass)
            return;
        RefreshProcesses();
        if (pass->refusedItself)
            refuseToEndItself();
        else if (!pass->ended)
            m.dialogs.message((byName() ? QStringLiteral("Process ") + name
                                        : QStringLiteral("Process ID ") + QString::number(processId)) +
                              QStringLiteral(" Was Not Found"));
    } catch (const std::exception &error) {
        const auto *known = dynamic_cast<const mgmt::Error *>(&error);
        const QString description =
            known ? QString::fromStdString(known->description()) : QString::fromUtf8(error.what());
        m.dialogs.message(description + QStringLiteral("  ---  Process Was Probably Not Successfully Ended"));
    }
}

std::optional<ProcessesPage::Pass> ProcessesPage::endUnlessItself(const QString &name, qint64 processId,
                                                                  const mgmt::Value &startTime)
{
    if (name.compare(m.environment.programName(), Qt::CaseInsensitive) == 0) {
        refuseToEndItself();
        return std::nullopt;
    }
    // On this computer, by its ID too, whatever its row is called.
    const std::optional<std::int64_t> ownProcessId =
        m.source.thisProgramsProcessId(plainMoniker(m.state.TargetComputer).toStdString());
    if (!byName() && ownProcessId == processId) {
        refuseToEndItself();
        return std::nullopt;
    }
    return endSelected(name, processId, startTime, ownProcessId);
}

} // namespace quorvin
