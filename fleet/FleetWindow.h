#pragma once
#include "fleet/ComputerList.h"

#include <QMainWindow>
#include <QTimer>

#include <functional>
#include <optional>

class QLabel;
class QLineEdit;
class QPushButton;
class QTableView;

namespace quorvin {
class Dialogs;
}

namespace quorvin::fleet {

class Fleet;
class FleetSortProxy;

// Opens a computer in the Quorvin window; false (with the reason) when it could not be started.
using OpenComputer = std::function<bool(const QString &computer, QString &why)>;

// The fleet window: a filter box, Add, Remove and Open, and the table of computers. The order of the rows is
// made again once a second, all at once, and not while the pointer rests on the table, so that rows do not
// move under a reader; a click on a header sorts at once. A double-click or Enter opens the computer.
class FleetWindow final : public QMainWindow {
    Q_OBJECT

public:
    // `file`: where the list of computers is kept; nothing when the computers were named on the command
    // line, whose Add and Remove then change only this window.
    FleetWindow(Fleet &fleet, std::optional<ComputerListFile> file, Dialogs &dialogs, OpenComputer open);
    ~FleetWindow() override;

    // Watches the computers of the file, or those given; reports the lines that name none.
    void start(const QStringList &computers = {});

    void addComputer();
    void removeSelected();
    void openCurrent();

    QTableView *table() const noexcept { return m_table; }
    FleetSortProxy &proxy() noexcept { return *m_proxy; }
    // Makes the order anew unless the pointer rests on the table (once a second).
    void resortUnlessReading();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    // Applies a change to the file as it is now, so that an edit made meanwhile is kept; false when the file
    // cannot be read or written, which is said in a box.
    bool changeList(const std::function<void(ComputerList &)> &change);
    void showSummary();

    Fleet &m_fleet;
    std::optional<ComputerListFile> m_file;
    Dialogs &m_dialogs;
    OpenComputer m_open;
    FleetSortProxy *m_proxy;
    QLineEdit *m_filter;
    QPushButton *m_add;
    QPushButton *m_remove;
    QPushButton *m_openButton;
    QTableView *m_table;
    QLabel *m_summary;
    QTimer m_second;
    bool m_pointerOnTable = false;
};

// Starts `quorvin /c:COMPUTER /t:2` as a process of its own: the program beside this one, else the one on
// the PATH.
bool openInQuorvin(const QString &computer, QString &why);

} // namespace quorvin::fleet
