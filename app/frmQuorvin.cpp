#include "app/frmQuorvin.h"
#include "app/CommandLine.h"
#include "app/FormDesign.h"
#include "app/FreedMemory.h"
#include "app/TypedComputerName.h"
#include "kit/Clock.h"
#include "kit/Dialogs.h"
#include "kit/Environment.h"
#include "kit/ScopedCount.h"
#include "kit/TwipsGeometry.h"
#include "mgmt/Source.h"
#include "pages/general/GeneralPage.h"
#include "pages/network/NetworkPage.h"
#include "pages/processes/ProcessesPage.h"
#include "pages/processor/ProcessorPage.h"
#include "pages/services/ServicesPage.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QLineEdit>
#include <QPainter>
#include <QScreen>
#include <QSignalBlocker>
#include <QTabBar>
#include <QTimer>

namespace quorvin {

namespace {

double screenDotsPerInch()
{
    const QScreen *screen = QGuiApplication::primaryScreen();
    return screen ? screen->logicalDotsPerInchY() : 96.0;
}

} // namespace

frmQuorvin::frmQuorvin(mgmt::Source &source, Dialogs &dialogs, const Clock &clock,
                       const Environment &environment, QWidget *parent)
    : QWidget(parent), m_twips(screenDotsPerInch()), m_designer(designForm(this, m_twips)),
      m_controls(designTabStripAndPoll(m_designer)), m_source(source), m_dialogs(dialogs),
      m_clock(clock, source), m_environment(environment), m_surface(*this, m_twips),
      m_errors(m_state, *this, m_dialogs), m_context{m_state,   *m_controls.tmr1, m_designer,    m_source,
                                                     m_dialogs, m_clock,          m_environment, m_errors,
                                                     m_surface, m_twips},
      m_general(std::make_unique<GeneralPage>(m_context)),
      m_processor(std::make_unique<ProcessorPage>(m_context)),
      m_processes(std::make_unique<ProcessesPage>(m_context)),
      m_services(std::make_unique<ServicesPage>(m_context)),
      m_network(std::make_unique<NetworkPage>(m_context)), m_pages{m_general.get(), m_processor.get(),
                                                                   m_processes.get(), m_services.get(),
                                                                   m_network.get()}
{
    designBottomStrip(m_designer, m_controls);
    m_designer.fitFixedCaptions();
    connectEvents();
    // Waits on the computer (a process to end, a slow answer) keep the window painted; input waits.
    m_source.setWhileWaiting([] { QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents); });
}

frmQuorvin::~frmQuorvin()
{
    m_source.setWhileWaiting({});
}

void frmQuorvin::connectEvents()
{
    connect(m_controls.tbs, &QTabBar::currentChanged, this, [this] { run([this] { tbs_Click(); }); });
    connect(m_controls.tmr1, &QTimer::timeout, this, [this] { tmr1_Timer(); });
    connect(m_controls.chkRealTime, &QCheckBox::stateChanged, this,
            [this] { run([this] { chkRealTime_Click(); }); });
    for (Page *page : m_pages)
        page->connectEvents(*this);
}

void frmQuorvin::run(const std::function<void()> &handler)
{
    const ScopedCount busy(m_busy);
    m_errors.guard(ErrorReport::Policy::SwitchOffFirst, handler);
}

void frmQuorvin::clearBox()
{
    // Within a click the box changes its state without announcing it; setCheckState announces it in any case.
    m_controls.chkRealTime->setCheckState(Qt::Unchecked);
}

void frmQuorvin::freeComputerName()
{
    m_controls.txtComp->setEnabled(true);
}

void frmQuorvin::Form_Load(const QString &argumentText)
{
    const StartRequest request = parseCommandLine(argumentText);
    m_state.RealTimeMode = true;
    m_state.SortOrder = QStringLiteral("ASC");
    m_state.SortColumn = 1;
    m_state.TickCount = 0;
    resize(width(), m_twips.toPixels(StartClientHeightTwips));

    for (const QString &message : request.messages)
        m_dialogs.message(message, SwitchesTitle);
    m_state.TargetComputer = request.targetComputer;
    if (m_state.TargetComputer.isEmpty())
        m_state.TargetComputer = m_environment.computerName();
    m_controls.txtComp->setText(m_state.TargetComputer.toUpper());
    m_state.ComputerMoniker = plainMoniker(m_state.TargetComputer);

    m_processor->takeFirstSample();

    {
        const QSignalBlocker quiet(m_controls.tbs);
        m_controls.tbs->setCurrentIndex(request.page - 1);
    }
    tbs_Click();
    m_controls.tmr1->start();
}

Page &frmQuorvin::currentPage() const
{
    return *m_pages[static_cast<std::size_t>(m_state.CurrentPage - 1)];
}

void frmQuorvin::tbs_Click()
{
    const int index = m_controls.tbs->currentIndex();
    if (index >= 0 && index < static_cast<int>(m_pages.size())) {
        m_surface.clear();
        const Page *chosen = m_pages[static_cast<std::size_t>(index)];
        setTwipsGeometry(chosen->frame(), chosen->framePlace(), m_twips);
        for (const Page *page : m_pages)
            page->frame()->setVisible(page == chosen);
        if (index >= 1)
            m_state.PageInitPending = true;
        m_state.CurrentPage = static_cast<std::int16_t>(index + 1);
        currentPage().refresh();
    }
    const Page *shown = m_state.CurrentPage >= 1 ? &currentPage() : nullptr;
    for (const Page *page : m_pages)
        for (QWidget *control : page->windowControls())
            control->setVisible(page == shown);
}

void frmQuorvin::tmr1_Timer()
{
    // A tick that arrives while a box is open, or while another handler runs, starts nothing: boxes never
    // stack up and no refresh is entered twice.
    if (m_busy > 0 || m_dialogs.isShowing())
        return;
    const ScopedCount busy(m_busy);
    m_errors.guard(ErrorReport::Policy::SwitchOffFirst, [this] {
        m_source.closeIdleConnections();
        if (m_state.RealTimeMode && m_state.CurrentPage >= 1) {
            m_source.pollSecond();
            currentPage().tick();
        }
    });
    releaseFreedMemory();
}

void frmQuorvin::chkRealTime_Click()
{
    Page *shown = m_state.CurrentPage >= 1 ? &currentPage() : nullptr;
    if (m_controls.chkRealTime->checkState() != Qt::Checked) {
        m_state.RealTimeMode = false;
        m_controls.txtComp->setEnabled(true);
        if (shown)
            shown->realTimeModeOff();
        return;
    }
    // A page's settings that cannot be used are refused before anything changes.
    if (shown && !shown->acceptsRealTimeMode()) {
        clearBox();
        return;
    }
    m_state.RealTimeMode = true;
    m_controls.txtComp->setEnabled(false);
    m_state.TargetComputer = withHostUpperCased(m_controls.txtComp->text().trimmed());
    if (m_state.TargetComputer.isEmpty()) {
        const QString name = m_environment.computerName().trimmed();
        m_state.TargetComputer = name;
        m_dialogs.message(QStringLiteral("Target Computer is blank...defaulting to ") + name);
        m_controls.txtComp->setText(name);
    }
    // Another computer is sampled afresh, as at start-up.
    m_processor->followTargetComputer();
    if (shown)
        shown->realTimeModeOn();
}

void frmQuorvin::General()
{
    m_general->General();
}

void frmQuorvin::RefreshProcessor()
{
    m_processor->RefreshProcessor();
}

void frmQuorvin::RefreshProcesses()
{
    m_processes->RefreshProcesses();
}

void frmQuorvin::RefreshServices()
{
    m_services->RefreshServices();
}

void frmQuorvin::RefreshNetwork()
{
    m_network->RefreshNetwork();
}

void frmQuorvin::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    m_surface.paint(painter);
}

} // namespace quorvin
