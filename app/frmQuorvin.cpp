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
#include <QGroupBox>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QSignalBlocker>
#include <QTabBar>
#include <QTableWidget>
#include <QTimer>

#include <array>

namespace quorvin {

namespace {

double screenDotsPerInch()
{
    const QScreen *screen = QGuiApplication::primaryScreen();
    return screen ? screen->logicalDotsPerInchY() : 96.0;
}

struct FramePlace {
    QGroupBox *Controls::*frame;
    int height, width, top, left;
};

// Where the page switch puts each page's frame, by tab index.
constexpr std::array<FramePlace, 5> FramePlaces{{{&Controls::frGen, 4575, 9735, 650, 120},
                                                 {&Controls::frUtil, 3975, 2895, 600, 480},
                                                 {&Controls::frPD, 4575, 9855, 600, 120},
                                                 {&Controls::frServ, 4575, 9975, 600, 0},
                                                 {&Controls::frNet, 4335, 9735, 720, 120}}};

} // namespace

frmQuorvin::frmQuorvin(mgmt::Source &source, Dialogs &dialogs, const Clock &clock,
                       const Environment &environment, QWidget *parent)
    : QWidget(parent), m_twips(screenDotsPerInch()), m_controls(designForm(this, m_twips)), m_source(source),
      m_dialogs(dialogs), m_clock(clock, source), m_environment(environment), m_surface(*this, m_twips),
      m_errors(m_state, m_controls, m_dialogs), m_context{m_state,   m_controls, m_source,
                                                          m_dialogs, m_clock,    m_environment,
                                                          m_errors,  m_surface,  m_twips},
      m_general(std::make_unique<GeneralPage>(m_context)),
      m_processor(std::make_unique<ProcessorPage>(m_context)),
      m_processes(std::make_unique<ProcessesPage>(m_context)),
      m_services(std::make_unique<ServicesPage>(m_context)),
      m_network(std::make_unique<NetworkPage>(m_context)), m_pages{m_general.get(), m_processor.get(),
                                                                   m_processes.get(), m_services.get(),
                                                                   m_network.get()}
{
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
    connect(m_controls.tbs, &QTabBar::currentChanged, this, [this] { handleEvent([this] { tbs_Click(); }); });
    connect(m_controls.tmr1, &QTimer::timeout, this, [this] { tmr1_Timer(); });
    connect(m_controls.tmrpct, &QTimer::timeout, this,
            [this] { handleEvent([this] { m_processor->tmrpct_Timer(); }); });
    connect(m_controls.chkRealTime, &QCheckBox::stateChanged, this,
            [this] { handleEvent([this] { chkRealTime_Click(); }); });
    // The grids' handlers act on the cell of the event itself: a refresh moves the current cell.
    connect(m_controls.msfg, &QTableWidget::cellClicked, this, [this](int row, int column) {
        handleEvent([=, this] { m_processes->msfg_Click(row, column); });
    });
    connect(m_controls.msfg, &QTableWidget::cellDoubleClicked, this, [this](int row, int column) {
        handleEvent([=, this] { m_processes->msfg_DblClick(row, column); });
    });
    connect(m_controls.msfgServ, &QTableWidget::cellClicked, this, [this](int row, int column) {
        handleEvent([=, this] { m_services->msfgServ_Click(row, column); });
    });
    connect(m_controls.cmdRF, &QPushButton::clicked, this,
            [this] { handleEvent([this] { m_services->cmdRF_Click(); }); });
    connect(m_controls.cmdSetBand, &QPushButton::clicked, this,
            [this] { handleEvent([this] { m_network->cmdSetBand_Click(); }); });
    m_controls.lblGraph->installEventFilter(this);
}

void frmQuorvin::handleEvent(const std::function<void()> &handler)
{
    const ScopedCount busy(m_busy);
    m_errors.guard(ErrorReport::Policy::SwitchOffFirst, handler);
}

bool frmQuorvin::eventFilter(QObject *watched, QEvent *event)
{
    if (watched != m_controls.lblGraph)
        return QWidget::eventFilter(watched, event);
    const ScopedCount busy(m_busy);
    if (event->type() == QEvent::MouseMove || event->type() == QEvent::MouseButtonPress) {
        const auto *mouse = static_cast<QMouseEvent *>(event);
        m_processor->lblGraph_MouseMove(mouse->buttons(), mouse->modifiers(),
                                        m_twips.fromPixels(mouse->position().x()),
                                        m_twips.fromPixels(mouse->position().y()));
    } else if (event->type() == QEvent::MouseButtonRelease) {
        const auto *mouse = static_cast<QMouseEvent *>(event);
        if (mouse->button() == Qt::LeftButton &&
            m_controls.lblGraph->rect().contains(mouse->position().toPoint()))
            m_processor->lblGraph_Click();
    }
    return QWidget::eventFilter(watched, event);
}

void frmQuorvin::Form_Load(const QString &argumentText)
{
    const StartRequest request = parseCommandLine(argumentText);
    m_state.RealTimeMode = true;
    m_state.SortOrder = QStringLiteral("ASC");
    m_state.SortColumn = 1;
    m_state.TickCount = 0;
    m_state.CpuPollTicks = 1;
    m_state.PointsPerGraph = 100;
    m_controls.msfg->setColumnCount(5);
    m_controls.txtupdt->setText(QStringLiteral("2"));
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
    if (index >= 0 && index < static_cast<int>(FramePlaces.size())) {
        m_surface.clear();
        const FramePlace &place = FramePlaces[static_cast<std::size_t>(index)];
        QGroupBox *shown = m_controls.*place.frame;
        setTwipsGeometry(shown, QRect(place.left, place.top, place.width, place.height), m_twips);
        for (const FramePlace &other : FramePlaces)
            (m_controls.*other.frame)->setVisible(m_controls.*other.frame == shown);
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
        ErrorReport::clearRealTimeBox(m_controls);
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
