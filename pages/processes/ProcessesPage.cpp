#include "pages/processes/ProcessesPage.h"
#include "app/Clock.h"
#include "app/Controls.h"
#include "app/Dialogs.h"
#include "app/Environment.h"
#include "app/FormState.h"
#include "app/GridCells.h"
#include "app/GridHeaders.h"
#include "app/NumberFormat.h"
#include "app/PageContext.h"
#include "mgmt/Convert.h"
#include "mgmt/Error.h"
#include "mgmt/Source.h"
#include "pages/processes/ProcessTable.h"

#include <QCheckBox>
#include <QLabel>
#include <QTableWidget>

namespace quorvin {

namespace {

constexpr double SampleResetSeconds = 60;

QString kilobytes(double bytes)
{
    return formatNumber(bytes / 1024, 0) + QStringLiteral("KB");
}

QString utilizationText(const CellValue &value)
{
    return value.isNumber() ? plainNumber(value.numberValue()) : QString();
}

bool endsWithExe(const QString &imageName)
{
    return imageName.endsWith(QLatin1String(".exe"), Qt::CaseInsensitive);
}

} // namespace

void ProcessesPage::RefreshProcesses()
{
    if (m.state.PageInitPending) {
        SetGridHeaders(m.state.CurrentPage, m.controls, m.twips);
        m_resetTime = m.clock.monotonicSeconds();
        m.state.PageInitPending = false;
    }
    auto service = m.source.connect(impersonatingMoniker(m.state.TargetComputer).toStdString());
    ProcessTable table;
    table.fill(service->execQuery("Select * from Win32_PerfRawData_PerfProc_Process"));
    table.computeUtilization(m_samples);
    table.sort(m.state.SortColumn, m.state.SortOrder);
    m.controls.lblpdTitle->setText(table.summary());
    writeGrid(table);
    if (m.clock.monotonicSeconds() - m_resetTime > SampleResetSeconds)
        ClearProcessSamples();
}

void ProcessesPage::writeGrid(const ProcessTable &table)
{
    QTableWidget *grid = m.controls.msfg;
    int shown = 0;
    for (const ProcessTable::Row &row : table.rows())
        shown += row.isIdleOrTotal() ? 0 : 1;
    grid->setUpdatesEnabled(false);
    setGridRows(grid, shown + 1);
    int k = 0;
    for (const ProcessTable::Row &row : table.rows()) {
        if (row.isIdleOrTotal())
            continue;
        ++k;
        setCellText(grid, k, 0, row.name);
        setCellText(grid, k, 1, QString::number(static_cast<qint64>(row.id.numberValue())));
        setCellText(grid, k, 2, utilizationText(row.utilization));
        setCellText(grid, k, 3, kilobytes(row.workingSet));
        setCellText(grid, k, 4, kilobytes(row.pageFile));
    }
    // Writing cell by cell leaves the last one written current.
    if (k > 0)
        setCurrentCell(grid, k, 4);
    grid->setUpdatesEnabled(true);
}

void ProcessesPage::ClearProcessSamples()
{
    m_samples.clear();
    m_resetTime = m.clock.monotonicSeconds();
}

void ProcessesPage::msfg_Click()
{
    QTableWidget *grid = m.controls.msfg;
    if (grid->currentRow() != 0)
        return;
    const auto column = static_cast<std::int16_t>(grid->currentColumn() + 1);
    if (m.state.SortColumn == column)
        m.state.SortOrder = toggledSortOrder(m.state.SortOrder);
    m.state.SortColumn = column;
}

bool ProcessesPage::byName() const
{
    return m.controls.chkname->checkState() == Qt::Checked;
}

void ProcessesPage::msfg_DblClick()
{
    QTableWidget *grid = m.controls.msfg;
    const int row = grid->currentRow();
    if (row <= 0) // the title row names no process
        return;
    const QString name = cellText(grid, row, 0).trimmed();
    bool isNumber = false;
    const qint64 processId = cellText(grid, row, 1).trimmed().toLongLong(&isNumber);
    if (!isNumber)
        return;
    const QString question =
        byName() ? QStringLiteral("Are You Sure You Wish To End All '") + name + QStringLiteral("' Processes")
                 : QStringLiteral("Are You Sure You Wish To End Process ID: ") + QString::number(processId) +
                       QLatin1Char('(') + name + QLatin1Char(')');
    if (m.dialogs.confirm(question, QStringLiteral("Terminate Process")))
        KillProcess(name, processId);
}

void ProcessesPage::KillProcess(const QString &name, qint64 processId)
{
    const bool wasRealTime = m.state.RealTimeMode;
    bool refreshing = false;
    bool found = false;
    m.state.RealTimeMode = false;
    try {
        if (name.compare(m.environment.programName(), Qt::CaseInsensitive) == 0) {
            m.dialogs.message(QStringLiteral("I'm Not Going To Let You Kill Me Silly"),
                              QStringLiteral("Quorvin Info"));
            m.state.RealTimeMode = wasRealTime;
            return;
        }
        m.state.ComputerMoniker = plainMoniker(m.state.TargetComputer);
        auto service = m.source.connect(m.state.ComputerMoniker.toStdString());
        const QString wanted = name.toLower();
        for (const mgmt::Instance &instance : service->instancesOf("Win32_Process")) {
            const QString image = QString::fromStdString(mgmt::toText(instance.get("Name"))).toLower();
            bool matches = false;
            if (byName())
                matches = image == wanted + QStringLiteral(".exe") ||
                          image == wanted; // Linux images have no extension
            else
                matches = mgmt::toDouble(instance.get("Handle")) == static_cast<double>(processId);
            if (!matches)
                continue;
            const auto handle = static_cast<qint64>(mgmt::toDouble(instance.get("Handle")));
            instance.invoke("Terminate");
            m.dialogs.message(QStringLiteral("Process ") + name +
                                  (endsWithExe(image) ? QStringLiteral(".exe") : QString()) +
                                  QLatin1Char('(') + QString::number(handle) +
                                  QStringLiteral(") Was Terminated"),
                              QStringLiteral("Verko's Process Kill Was Successful"));
            found = true;
        }
        m.state.RealTimeMode = true;
        refreshing = true;
        RefreshProcesses();
        if (!found)
            m.dialogs.message((byName() ? QStringLiteral("Process ") + name
                                        : QStringLiteral("Process ID ") + QString::number(processId)) +
                              QStringLiteral(" Was Not Found"));
    } catch (const std::exception &error) {
        const auto *known = dynamic_cast<const mgmt::Error *>(&error);
        const QString description =
            known ? QString::fromStdString(known->description()) : QString::fromUtf8(error.what());
        // Real Time Mode is what it was before the pass, unless the pass got as far as its refresh.
        if (!refreshing)
            m.state.RealTimeMode = wasRealTime;
        m.dialogs.message(description + QStringLiteral("  ---  Process Was Probably Not Successfully Ended"));
    }
}

} // namespace quorvin
