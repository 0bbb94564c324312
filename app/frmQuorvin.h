#pragma once
#include "app/DrawingSurface.h"
#include "app/FormDesign.h"
#include "app/SourceTimeClock.h"
#include "kit/Designer.h"
#include "kit/ErrorReport.h"
#include "kit/EventRunner.h"
#include "kit/FormState.h"
#include "kit/Page.h"
#include "kit/PageContext.h"
#include "kit/RealTimeSwitch.h"
#include "kit/Twips.h"

#include <QWidget>
#include <array>
#include <functional>
#include <memory>

namespace quorvin {

namespace mgmt {
class Source;
}
class Clock;
class Dialogs;
class Environment;
class GeneralPage;
class ProcessorPage;
class ProcessesPage;
class ServicesPage;
class NetworkPage;

// The one window: its tab strip and bottom strip, the state of the run, start-up, the page switch, the poll
// and Real Time Mode. Each page brings its own controls.
class frmQuorvin final : public QWidget, private EventRunner, private RealTimeSwitch {
    Q_OBJECT
public:
    frmQuorvin(mgmt::Source &source, Dialogs &dialogs, const Clock &clock, const Environment &environment,
               QWidget *parent = nullptr);
    ~frmQuorvin() override;
    Q_DISABLE_COPY_MOVE(frmQuorvin)

    // Start-up, before the window is shown. Throws mgmt::Error when the first processor sample cannot be
    // taken.
    void Form_Load(const QString &argumentText);

    void tbs_Click();
    void tmr1_Timer();
    void chkRealTime_Click();

    // The pages' refresh routines.
    void General();
    void RefreshProcessor();
    void RefreshProcesses();
    void RefreshServices();
    void RefreshNetwork();

    FormState &state() noexcept { return m_state; }
    const FormControls &controls() const noexcept { return m_controls; }
    const DrawingSurface &surface() const noexcept { return m_surface; }
    // The Real Time Mode box and computer name, as the error report switches them.
    RealTimeSwitch &realTimeSwitch() noexcept { return *this; }
    const Twips &twips() const noexcept { return m_twips; }
    GeneralPage &generalPage() noexcept { return *m_general; }
    ProcessorPage &processorPage() noexcept { return *m_processor; }
    ProcessesPage &processesPage() noexcept { return *m_processes; }
    ServicesPage &servicesPage() noexcept { return *m_services; }
    NetworkPage &networkPage() noexcept { return *m_network; }

    // The client height that start-up gives the window: the tab strip, the page area and the bottom strip.
    static constexpr int StartClientHeightTwips = 5775;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    void connectEvents();
    Page &currentPage() const;
    // Runs one event's handler: counted as busy, and nothing it raises leaves it.
    void run(const std::function<void()> &handler) override;
    void clearBox() override;
    void freeComputerName() override;

    Twips m_twips;
    Designer m_designer;
    FormControls m_controls;
    FormState m_state;
    mgmt::Source &m_source;
    Dialogs &m_dialogs;
    SourceTimeClock m_clock; // the given clock, or the time a replay's answers describe
    const Environment &m_environment;
    DrawingSurface m_surface;
    ErrorReport m_errors;
    PageContext m_context;
    std::unique_ptr<GeneralPage> m_general;
    std::unique_ptr<ProcessorPage> m_processor;
    std::unique_ptr<ProcessesPage> m_processes;
    std::unique_ptr<ServicesPage> m_services;
    std::unique_ptr<NetworkPage> m_network;
    std::array<Page *, 5> m_pages; // by tab index
    int m_busy = 0;                // event handlers running
};

} // namespace quorvin
