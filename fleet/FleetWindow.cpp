#include "fleet/FleetWindow.h"
#include "fleet/Fleet.h"
#include "fleet/FleetCellDelegate.h"
#include "fleet/FleetSortProxy.h"
#include "kit/Dialogs.h"

#include <QCoreApplication>
#include <QEvent>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QScreen>
#include <QStandardPaths>
#include <QStatusBar>
#include <QTableView>
#include <QVBoxLayout>

#include <array>

namespace quorvin::fleet {

namespace {

// Texts as wide as the usual values of each column, which the columns start wide enough for; the user may
// change the widths.
const std::array<QString, FleetModel::ColumnCount> ColumnSamples{
    QStringLiteral("pcp://server-name-01:44321"),
    QStringLiteral("Unreachable since 12:34:56 PM"),
    QStringLiteral("Debian GNU/Linux 12 (bookworm)"),
    QStringLiteral("1234d 12:34:56"),
    QStringLiteral("100.00% graph of ten minutes"),
    QStringLiteral("100.00%"),
    QStringLiteral("123,456MB"),
    QStringLiteral("12,345"),
    QStringLiteral("1,234,567,890"),
    QStringLiteral("1,234,567,890"),
    QStringLiteral("process-name (100.00%)")};

QString listProblems(const QString &path, const std::vector<ComputerList::Problem> &problems)
{
    QString text =
        QStringLiteral("Some lines of the list of computers %1 name no computer to watch. They are "
                       "kept in the file as they are, and not watched:\n")
            .arg(path);
    for (const ComputerList::Problem &problem : problems)
        text += QStringLiteral("\nLine %1: \"%2\": %3.").arg(problem.line).arg(problem.text, problem.why);
    return text;
}

} // namespace

bool openInQuorvin(const QString &computer, QString &why)
{
    QString program = QCoreApplication::applicationDirPath() + QStringLiteral("/quorvin");
    if (!QFileInfo(program).isExecutable())
        program = QStandardPaths::findExecutable(QStringLiteral("quorvin"));
    if (program.isEmpty()) {
        why = QStringLiteral("the program quorvin is neither beside this one nor on the PATH");
        return false;
    }
    QProcess process;
    process.setProgram(program);
    process.setArguments({QStringLiteral("/c:") + computer, QStringLiteral("/t:2")});
    process.setStandardInputFile(QProcess::nullDevice());
    if (!process.startDetached()) {
        why = process.errorString();
        return false;
    }
    return true;
}

FleetWindow::FleetWindow(Fleet &fleet, std::optional<ComputerListFile> file, Dialogs &dialogs,
                         OpenComputer open)
    : m_fleet(fleet), m_file(std::move(file)), m_dialogs(dialogs), m_open(std::move(open)),
      m_proxy(new FleetSortProxy(this)), m_filter(new QLineEdit),
      m_add(new QPushButton(QStringLiteral("Add…"))), m_remove(new QPushButton(QStringLiteral("Remove"))),
      m_openButton(new QPushButton(QStringLiteral("Open"))), m_table(new QTableView), m_summary(new QLabel)
{
    setWindowTitle(QStringLiteral("Quorvin Fleet"));
    m_filter->setObjectName(QStringLiteral("filterBox"));
    m_filter->setPlaceholderText(QStringLiteral("Filter by name"));
    m_filter->setClearButtonEnabled(true);
    m_add->setObjectName(QStringLiteral("addButton"));
    m_remove->setObjectName(QStringLiteral("removeButton"));
    m_openButton->setObjectName(QStringLiteral("openButton"));
    m_openButton->setToolTip(
        QStringLiteral("Opens the computer in the Quorvin window (double-click, Enter)"));
    m_table->setObjectName(QStringLiteral("fleetTable"));
    m_summary->setObjectName(QStringLiteral("summaryLabel"));
    m_summary->setTextFormat(Qt::PlainText);

    m_proxy->setSourceModel(&m_fleet.model());
    m_table->setModel(m_proxy);
    m_table->setItemDelegate(new FleetCellDelegate(m_table));
    m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_table->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_table->setWordWrap(false);
    m_table->setAlternatingRowColors(true);
    m_table->verticalHeader()->hide();
    m_table->verticalHeader()->setDefaultSectionSize(m_table->fontMetrics().height() + 8);
    m_table->horizontalHeader()->setStretchLastSection(true);
    m_table->horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    const QFontMetrics metrics = m_table->fontMetrics();
    int tableWidth = 0;
    for (int column = 0; column < FleetModel::ColumnCount; ++column) {
        const QString header = m_fleet.model().headerData(column, Qt::Horizontal).toString();
        m_table->setColumnWidth(
            column, std::max(metrics.horizontalAdvance(ColumnSamples[static_cast<std::size_t>(column)]),
                             metrics.horizontalAdvance(header)) +
                        16);
        tableWidth += m_table->columnWidth(column);
    }
    // The list's own order until a header is clicked.
    m_table->horizontalHeader()->setSortIndicator(-1, Qt::AscendingOrder);
    m_table->setSortingEnabled(true);
    m_table->installEventFilter(this);
    m_table->viewport()->installEventFilter(this);

    auto *bar = new QHBoxLayout;
    bar->addWidget(m_filter, 1);
    bar->addWidget(m_add);
    bar->addWidget(m_remove);
    bar->addWidget(m_openButton);
    auto *layout = new QVBoxLayout;
    layout->addLayout(bar);
    layout->addWidget(m_table);
    auto *central = new QWidget;
    central->setLayout(layout);
    setCentralWidget(central);
    statusBar()->addWidget(m_summary, 1);
    auto *list = new QLabel(m_file ? QStringLiteral("List: ") + m_file->path()
                                   : QStringLiteral("Named on the command line: not saved"));
    list->setTextFormat(Qt::PlainText); // a path is no markup
    statusBar()->addPermanentWidget(list);
    // Every column in sight where the screen is wide enough.
    const int available = screen() ? screen()->availableGeometry().width() * 9 / 10 : 1400;
    resize(std::min(tableWidth + 60, available), 560);

    connect(m_filter, &QLineEdit::textChanged, m_proxy, &FleetSortProxy::setFilterFixedString);
    connect(m_add, &QPushButton::clicked, this, &FleetWindow::addComputer);
    connect(m_remove, &QPushButton::clicked, this, &FleetWindow::removeSelected);
    connect(m_openButton, &QPushButton::clicked, this, &FleetWindow::openCurrent);
    connect(m_table, &QTableView::doubleClicked, this, &FleetWindow::openCurrent);
    connect(&m_second, &QTimer::timeout, this, [this] {
        resortUnlessReading();
        showSummary();
    });
    m_second.start(1000);
}

FleetWindow::~FleetWindow() = default;

void FleetWindow::start(const QStringList &computers)
{
    if (!m_file) {
        for (const QString &computer : computers)
            m_fleet.watch(computer);
        showSummary();
        return;
    }
    QString why;
    const std::optional<ComputerList> list = m_file->load(why);
    if (!list) {
        m_dialogs.message(
            QStringLiteral("The list of computers %1 cannot be read: %2. No computer is watched, "
                           "and the list is not changed.")
                .arg(m_file->path(), why));
        return;
    }
    for (const QString &computer : list->names())
        m_fleet.watch(computer);
    showSummary();
    if (const auto problems = list->problems(); !problems.empty())
        m_dialogs.message(listProblems(m_file->path(), problems));
}

bool FleetWindow::changeList(const std::function<void(ComputerList &)> &change)
{
    QString why;
    std::optional<ComputerList> list = m_file->load(why);
    if (!list) {
        m_dialogs.message(QStringLiteral("The list of computers %1 cannot be read: %2. It is not changed.")
                              .arg(m_file->path(), why));
        return false;
    }
    change(*list);
    if (!m_file->save(*list, why)) {
        m_dialogs.message(QStringLiteral("The list of computers %1 cannot be written: %2. It is as it was.")
                              .arg(m_file->path(), why));
        return false;
    }
    return true;
}

void FleetWindow::addComputer()
{
    const std::optional<QString> typed = m_dialogs.input(
        QStringLiteral("The computer to watch: pcp://HOST for a PCP collector, any other name over SSH (as "
                       "\"ssh NAME\" resolves it), localhost for this one."),
        QStringLiteral("Add Computer"), QString());
    if (!typed || typed->trimmed().isEmpty())
        return;
    const QString computer = typed->trimmed();
    if (const std::optional<QString> why = ComputerList::whyNoComputerName(computer)) {
        m_dialogs.message(QStringLiteral("\"%1\" cannot be watched: %2.").arg(computer, *why));
        return;
    }
    if (m_fleet.watches(computer)) {
        m_dialogs.message(QStringLiteral("%1 is watched already.").arg(computer));
        return;
    }
    if (m_file && !changeList([&computer](ComputerList &list) { list.add(computer); }))
        return;
    m_fleet.watch(computer);
    showSummary();
}

void FleetWindow::removeSelected()
{
    QStringList computers;
    for (const QModelIndex &selected : m_table->selectionModel()->selectedRows())
        computers << m_fleet.model().nameAt(m_proxy->mapToSource(selected).row());
    if (computers.isEmpty())
        return;
    if (m_file && !changeList([&computers](ComputerList &list) {
            for (const QString &computer : computers)
                list.remove(computer);
        }))
        return;
    for (const QString &computer : computers)
        m_fleet.forget(computer);
    showSummary();
}

void FleetWindow::openCurrent()
{
    const QModelIndex current = m_table->currentIndex();
    if (!current.isValid())
        return;
    const QString computer = m_fleet.model().nameAt(m_proxy->mapToSource(current).row());
    QString why;
    if (!m_open(computer, why))
        m_dialogs.message(
            QStringLiteral("The Quorvin window could not be opened for %1: %2.").arg(computer, why));
}

void FleetWindow::resortUnlessReading()
{
    if (!m_pointerOnTable)
        m_proxy->resort();
}

bool FleetWindow::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_table->viewport()) {
        if (event->type() == QEvent::Enter)
            m_pointerOnTable = true;
        else if (event->type() == QEvent::Leave)
            m_pointerOnTable = false;
    } else if (watched == m_table && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent *>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            openCurrent();
            return true;
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

void FleetWindow::showSummary()
{
    const FleetModel &model = m_fleet.model();
    int watching = 0, unreachable = 0, denied = 0, marked = 0;
    for (int row = 0; row < model.rowCount(); ++row) {
        switch (model.stateAt(row)) {
        case FleetModel::State::Watching:
        case FleetModel::State::Waiting:
            ++watching;
            break;
        case FleetModel::State::Unreachable:
            ++unreachable;
            break;
        case FleetModel::State::AccessDenied:
            ++denied;
            break;
        case FleetModel::State::Connecting:
            break;
        }
        marked += model.marked(row) ? 1 : 0;
    }
    m_summary->setText(
        QStringLiteral("%1 computers: %2 watched, %3 above a threshold, %4 unreachable, %5 access "
                       "denied")
            .arg(model.rowCount())
            .arg(watching)
            .arg(marked)
            .arg(unreachable)
            .arg(denied));
}

} // namespace quorvin::fleet
