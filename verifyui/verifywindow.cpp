#include "verifywindow.h"

#include "boardoverview.h"
#include "firsterrorview.h"
#include "portresultsmodel.h"
#include "porttile.h"
#include "ratechart.h"
#include "reportsaver.h"
#include "verifyrunner.h"

#include "res/accessiblename.h"

#include <QCloseEvent>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QSortFilterProxyModel>
#include <QSplitter>
#include <QTableView>
#include <QTimer>
#include <QVBoxLayout>

namespace verifyui {

VerifyWindow::VerifyWindow(portio::DeviceNamespace& ns, VerifyPlan plan, UiServices& ui, QWidget* parent)
    : QWidget(parent, Qt::Window)
    , m_ui(ui)
    , m_plan(plan)
    , m_runner(std::make_unique<VerifyRunner>(ns, std::move(plan)))
{
    setWindowTitle(QStringLiteral("Verify Ports"));
    setAccessibleName(windowTitle());
    createControls();
    layOutControls();
    connect(m_runner.get(), &VerifyRunner::runFinished, this, &VerifyWindow::onFinished);
    connect(m_timer, &QTimer::timeout, this, &VerifyWindow::refresh);
    updateSummary();
}

VerifyWindow::~VerifyWindow() = default;

void VerifyWindow::createControls()
{
    m_model = new PortResultsModel(m_plan.ports, verify::charactersPerSecond(m_plan.settings.line), this);
    m_sorted = new QSortFilterProxyModel(this);
    m_sorted->setSourceModel(m_model);
    m_sorted->setSortRole(PortResultsModel::SortRole);
    m_overview = new BoardOverview(
        m_plan.ports, [this](int row) { return tileDetails(row); }, this);
    m_table = new QTableView(this);
    m_table->setAccessibleName(QStringLiteral("Results"));
    m_table->setModel(m_sorted);
    m_table->setSortingEnabled(true);
    // As every port list: COM3 first (the view's own first order is descending).
    m_table->sortByColumn(PortResultsModel::Port, Qt::AscendingOrder);
    m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_table->setSelectionMode(QAbstractItemView::SingleSelection);
    m_table->verticalHeader()->hide();
    // Columns as wide as their headings and figures; the reasons take the rest.
    // Every refresh changes every row, and each change has the columns measured
    // again: only the rows on screen are, which is what the user sees.
    m_table->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    m_table->horizontalHeader()->setResizeContentsPrecision(0);
    m_table->horizontalHeader()->setStretchLastSection(true);
    m_firstError = new FirstErrorView(this);
    m_chart = new RateChart(this);
    m_summary = new QLabel(this);
    m_summary->setAccessibleName(QStringLiteral("Summary"));
    m_progress = new QProgressBar(this);
    m_progress->setAccessibleName(QStringLiteral("Progress"));
    m_progress->setRange(0, 1000);
    m_stopButton = new QPushButton(QStringLiteral("Stop"), this);
    m_saveButton = new QPushButton(QStringLiteral("Save Report..."), this);
    nameAfterLabel(m_stopButton, m_stopButton->text());
    nameAfterLabel(m_saveButton, QStringLiteral("Save Report"));
    m_saveButton->setEnabled(false);
    m_timer = new QTimer(this);
    m_timer->setInterval(RefreshMs);
    connect(m_stopButton, &QPushButton::clicked, this, &VerifyWindow::stop);
    connect(m_saveButton, &QPushButton::clicked, this, [this] {
        if (auto report = m_runner->report()) saveReport(m_ui, this, *report);
    });
    connect(m_table->selectionModel(), &QItemSelectionModel::selectionChanged, this, &VerifyWindow::showSelected);
    connect(m_overview, &BoardOverview::tileClicked, this, &VerifyWindow::selectPort);
}

// The tiles above the table, so that every column of the table shows beside
// none of them; the user can move the splitter's handles.
void VerifyWindow::layOutControls()
{
    auto* top = new QHBoxLayout;
    top->addWidget(m_summary, 1);
    top->addWidget(m_progress);
    auto* split = new QSplitter(Qt::Vertical, this);
    split->setAccessibleName(QStringLiteral("Overview and results"));
    split->setChildrenCollapsible(false);
    split->addWidget(m_overview);
    split->addWidget(m_table);
    auto* selected = new QWidget(this);
    auto* beside = new QHBoxLayout(selected);
    beside->setContentsMargins(0, 0, 0, 0);
    // The hex dump needs more of the width than the chart does.
    beside->addWidget(m_firstError, 3);
    beside->addWidget(m_chart, 2);
    split->addWidget(selected);
    split->setStretchFactor(0, 0);
    split->setStretchFactor(1, 1);
    split->setStretchFactor(2, 0);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(m_stopButton);
    buttons->addWidget(m_saveButton);
    auto* outer = new QVBoxLayout(this);
    outer->addLayout(top);
    outer->addWidget(split, 1);
    outer->addLayout(buttons);
    resize(defaultSize());
}

QSize VerifyWindow::defaultSizeFor(const QSize& screen)
{
    return QSize(1200, 900).boundedTo(screen * 0.95);
}

// Most of a 1280x1024 screen, and no more than a smaller one has.
QSize VerifyWindow::defaultSize() const
{
    const QScreen* s = screen();
    return defaultSizeFor(s ? s->availableGeometry().size() : QSize(1280, 1024));
}

void VerifyWindow::start()
{
    m_runner->start();
    m_timer->start();
}

void VerifyWindow::stop()
{
    m_runner->stop();
    m_stopButton->setEnabled(false);
    updateSummary();
}

bool VerifyWindow::finished() const
{
    return m_runner->finished();
}

void VerifyWindow::refresh()
{
    if (auto p = m_runner->takeProgress()) showProgress(*p);
}

void VerifyWindow::showProgress(const verify::Progress& progress)
{
    m_elapsedS = progress.elapsedS;
    m_received = progress.bytesReceived;
    m_model->setProgress(progress);
    const auto& s = m_plan.settings;
    double done = 0;
    const int receiving = receivingPorts(progress);
    if (s.bytes && *s.bytes > 0 && receiving > 0)
        done = double(progress.bytesReceived) / double(*s.bytes * uint64_t(receiving));
    else if (s.duration && s.duration->count() > 0)
        done = progress.elapsedS * 1000.0 / double(s.duration->count());
    m_progress->setValue(int(std::clamp(done, 0.0, 1.0) * 1000));
    updateTiles();
    updateSummary();
    // A port's first error is shown as soon as it is found, not at the end.
    showSelected();
}

void VerifyWindow::onFinished()
{
    m_timer->stop();
    m_runner->wait();
    refresh();
    if (auto report = m_runner->report()) {
        m_elapsedS = report->durationS;
        m_model->setReport(*report);
        if (!report->interrupted) m_progress->setValue(m_progress->maximum());
    }
    m_stopButton->setEnabled(false);
    m_saveButton->setEnabled(true);
    updateTiles();
    updateSummary();
    showSelected();
}

void VerifyWindow::updateTiles()
{
    for (int row = 0; row < m_model->rowCount(); ++row)
        m_overview->setState(row, tileStateOf(m_model->progressAt(row), m_model->reportAt(row)));
}

void VerifyWindow::updateSummary()
{
    // Passing means finished clean: a port stopped or never started has
    // shown nothing wrong, but it has not shown that it works either.
    int passing = 0;
    int failing = 0;
    for (int row = 0; row < m_overview->count(); ++row) {
        const TileState state = m_overview->tile(row)->state();
        passing += state == TileState::Passed;
        failing += state == TileState::Error || state == TileState::FailedToOpen || state == TileState::Busy
            || state == TileState::NotAvailable;
    }
    const int pending = m_overview->count() - passing - failing;
    const auto report = m_runner->report();
    const QString end = report ? (report->interrupted ? QStringLiteral(", stopped") : QStringLiteral(", finished"))
        : m_runner->stopping() ? QStringLiteral(", stopping")
                               : QString();
    const QString unjudged = pending == 0 ? QString()
        : report                          ? QStringLiteral(", %1 not finished").arg(pending)
                                          : QStringLiteral(", %1 running").arg(pending);
    m_summary->setText(QStringLiteral("%1 passing, %2 failing%3, %4 bytes received, %5 s%6")
                           .arg(passing)
                           .arg(failing)
                           .arg(unjudged)
                           .arg(m_received)
                           .arg(m_elapsedS, 0, 'f', 1)
                           .arg(end));
}

// Ports that could not be opened or set, or whose source could not, never
// receive: counting them would hold the bar short of its end for the whole run.
int VerifyWindow::receivingPorts(const verify::Progress& progress) const
{
    int n = 0;
    for (size_t i = 0; i < progress.lanes.size(); ++i) {
        const size_t source = i < m_plan.sources.size() ? size_t(m_plan.sources[i]) : i;
        const auto& src = source < progress.lanes.size() ? progress.lanes[source] : progress.lanes[i];
        n += progress.lanes[i].failure.empty() && src.failure.empty();
    }
    return n;
}

QString VerifyWindow::tileDetails(int row) const
{
    QStringList lines;
    for (int column : { PortResultsModel::Sent, PortResultsModel::Received, PortResultsModel::Lost,
             PortResultsModel::Corrupt, PortResultsModel::Result }) {
        lines << m_model->headerData(column, Qt::Horizontal, Qt::DisplayRole).toString() + QStringLiteral(": ")
                + m_model->data(m_model->index(row, column), Qt::DisplayRole).toString();
    }
    return lines.join(QLatin1Char('\n'));
}

int VerifyWindow::rowOf(const QString& port) const
{
    for (int row = 0; row < m_model->rowCount(); ++row)
        if (QString::fromStdString(m_model->portAt(row)) == port) return row;
    return -1;
}

void VerifyWindow::selectPort(int row)
{
    const QModelIndex at = m_sorted->mapFromSource(m_model->index(row, 0));
    m_table->selectRow(at.row());
    m_table->scrollTo(at);
}

int VerifyWindow::selectedRow() const
{
    const auto rows = m_table->selectionModel()->selectedRows();
    return rows.isEmpty() ? -1 : m_sorted->mapToSource(rows.first()).row();
}

void VerifyWindow::showSelected()
{
    const int row = selectedRow();
    m_overview->select(row);
    m_runner->watch(row);
    showChart(row);
    const QString port = row < 0 ? QString() : QString::fromStdString(m_model->portAt(row));
    if (row >= 0 && !m_model->reportAt(row))
        m_firstError->showRunning(port, m_model->progressAt(row));
    else
        m_firstError->showPort(port, row < 0 ? nullptr : m_model->reportAt(row));
}

// The run carries the timeline of the watched port only: the chart fills in
// with the next progress after a new selection.
void VerifyWindow::showChart(int row)
{
    const double lineRate = verify::charactersPerSecond(m_plan.settings.line);
    if (row < 0) return m_chart->showTimeline({}, {}, lineRate);
    const QString port = QString::fromStdString(m_model->portAt(row));
    if (const auto* r = m_model->reportAt(row)) return m_chart->showTimeline(port, r->timeline, lineRate);
    const auto& timeline = m_model->progressAt(row).timeline;
    m_chart->showTimeline(port, timeline ? *timeline : verify::PortTimeline {}, lineRate);
}

void VerifyWindow::closeEvent(QCloseEvent* event)
{
    // The ports are closed before the window goes.
    m_timer->stop();
    m_runner->stop();
    m_runner->wait();
    event->accept();
}

} // namespace verifyui
