#include "pages/services/ServicesPage.h"
#include "kit/ClassQuery.h"
#include "kit/Dialogs.h"
#include "kit/ErrorReport.h"
#include "kit/EventRunner.h"
#include "kit/FormState.h"
#include "kit/GridCells.h"
#include "kit/GridHeaders.h"
#include "kit/PageContext.h"
#include "mgmt/Error.h"
#include "mgmt/Names.h"
#include "pages/services/ServiceModel.h"
#include "pages/services/ServiceTable.h"

#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QTableView>

#include <array>

namespace quorvin {

namespace {

constexpr std::array<GridColumn, 5> Columns{{{"              Display Name", 3400},
                                             {"          Name", 2000},
                                             {"Startup Mode", 1500},
                                             {"     Status", 1250},
                                             {"Control", 1000}}};
} // namespace

ServicesPage::ServicesPage(PageContext &context)
    : m(context), m_controls(ServicesControls::design(context.designer)),
      m_model(new ServiceModel(m_controls.msfgServ))
{
    m_controls.msfgServ->setModel(m_model);
}

QWidget *ServicesPage::frame() const
{
    return m_controls.frServ;
}

void ServicesPage::connectEvents(EventRunner &events)
{
    // The handler acts on the cell of the event itself: a refresh moves the current cell.
    QObject::connect(
        m_controls.msfgServ, &QTableView::clicked, m_controls.msfgServ,
        [this, &events](const QModelIndex &cell) {
            events.run([this, row = cell.row(), column = cell.column()] { msfgServ_Click(row, column); });
        });
    QObject::connect(m_controls.cmdRF, &QPushButton::clicked, m_controls.cmdRF,
                     [this, &events] { events.run([this] { cmdRF_Click(); }); });
}

void ServicesPage::RefreshServices()
{
    m.errors.guard(ErrorReport::Policy::ReportFirst, [this] {
        if (m.state.PageInitPending) {
            m.state.SortColumn = 1;
            m.state.SortOrder = QStringLiteral("ASC");
            m.state.PageInitPending = false;
        }
        if (m.state.CurrentPage == page::Services)
            SetGridHeaders(m_controls.msfgServ, Columns, m.twips);
        ServiceTable table;
        table.fill(
            selectAll(m.source, impersonatingMoniker(m.state.TargetComputer), mgmt::cls::Service).instances);
        table.sort(m.state.SortColumn, sortDirectionOf(m.state.SortOrder));
        m_model->show(std::move(table));
        const int n = m_model->shownCount(), started = m_model->startedCount();
        // Writing cell by cell left the last one written current.
        if (n > 0)
            setCurrentCell(m_controls.msfgServ, n, 4);
        m_controls.lblServtit->setText(QStringLiteral("Currently ") + QString::number(started) +
                                       QStringLiteral(" Out Of ") + QString::number(n) +
                                       QStringLiteral(" Services Are Started"));
    });
}

void ServicesPage::cmdRF_Click()
{
    RefreshServices();
}

void ServicesPage::msfgServ_Click(int r, int c)
{
    QTableView *grid = m_controls.msfgServ;
    if (c == 4 && r > 0 && r < gridRows(grid)) {
        const QString action = cellText(grid, r, 4).trimmed();
        setCurrentCell(grid, r, 1);
        const QString name = cellText(grid, r, 1).trimmed();
        setCurrentCell(grid, r, 2);
        if (cellText(grid, r, 2) != QLatin1String("Auto")) {
            m.dialogs.message(QStringLiteral("Services in Manual or Disabled Mode Cannot be Started"),
                              QStringLiteral("Service Control"));
            return;
        }
        // A request the computer refuses is reported, and the list shows what the computer says now; a
        // computer that cannot be reached is reported once, not again by a refresh bound to fail the same
        // way.
        bool unreachable = false;
        m.errors.guard(ErrorReport::Policy::ReportFirst, [&] {
            try {
                ControlService(name, action.toLower() == QLatin1String("start") ? 1 : 0);
            } catch (const mgmt::Error &error) {
                unreachable = error.number() == mgmt::err::RemoteServerUnavailable;
                throw;
            }
        });
        if (!unreachable)
            RefreshServices();
        return;
    }
    if (c < 4 && r == 0) {
        const auto column = static_cast<std::int16_t>(c + 1);
        if (m.state.SortColumn == column)
            m.state.SortOrder = toggledSortOrder(m.state.SortOrder);
        else
            m.state.SortColumn = column;
        RefreshServices();
    }
}

void ServicesPage::ControlService(const QString &serviceName, std::int16_t action)
{
    const QueryAnswer services = selectNamed(m.source, impersonatingMoniker(m.state.TargetComputer),
                                             mgmt::cls::Service, " Where Name =", serviceName);
    for (const mgmt::Instance &instance : services.instances) {
        if (action == 1)
            instance.invoke(mgmt::method::StartService);
        else if (action == 0)
            instance.invoke(mgmt::method::StopService);
    }
    if (services.instances.empty())
        m.dialogs.message(QStringLiteral("The Service Could not be found to complete the specified Action"));
}

} // namespace quorvin
