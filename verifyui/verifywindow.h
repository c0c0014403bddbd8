#pragma once

#include "verifychoices.h"

#include "portio/devicenamespace.h"
#include "verify/verifyrun.h"

#include <QWidget>

#include <memory>

class QLabel;
class QProgressBar;
class QPushButton;
class QSortFilterProxyModel;
class QTableView;
class QTimer;
class UiServices;

namespace verifyui {

class BoardOverview;
class FirstErrorView;
class PortResultsModel;
class RateChart;
class VerifyRunner;

// The window of one verified run: the board overview, the results table, a
// summary line with a progress bar, the first error of the selected port,
// Stop and "Save Report...". Stop and closing the window end the run at
// once; the results stay.
class VerifyWindow : public QWidget {
    Q_OBJECT
public:
    // The window's first size on a screen of this size.
    static QSize defaultSizeFor(const QSize& screen);
    // Redraws this often while the run goes on.
    static constexpr int RefreshMs = 250;

    // `ui` asks for the report's file.
    VerifyWindow(portio::DeviceNamespace& ns, VerifyPlan plan, UiServices& ui, QWidget* parent = nullptr);
    ~VerifyWindow() override;

    void start();
    void stop();
    bool finished() const;
    // Takes what the run has left and shows it (the refresh timer calls it).
    void refresh();
    // Shows one progress report: table, tiles, summary, progress bar.
    void showProgress(const verify::Progress& progress);

    BoardOverview* overview() const { return m_overview; }
    QTableView* table() const { return m_table; }
    PortResultsModel* model() const { return m_model; }
    FirstErrorView* firstErrorView() const { return m_firstError; }
    RateChart* rateChart() const { return m_chart; }
    QLabel* summary() const { return m_summary; }
    QProgressBar* progressBar() const { return m_progress; }
    QPushButton* stopButton() const { return m_stopButton; }
    QPushButton* saveButton() const { return m_saveButton; }
    // The row of a port in the model (not as sorted), or -1.
    int rowOf(const QString& port) const;
    void selectPort(int row);

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void createControls();
    void layOutControls();
    QSize defaultSize() const;
    void onFinished();
    void updateTiles();
    void updateSummary();
    int receivingPorts(const verify::Progress& progress) const;
    void showSelected();
    void showChart(int row);
    QString tileDetails(int row) const;
    int selectedRow() const;

    UiServices& m_ui;
    VerifyPlan m_plan;
    std::unique_ptr<VerifyRunner> m_runner;
    PortResultsModel* m_model = nullptr;
    QSortFilterProxyModel* m_sorted = nullptr;
    BoardOverview* m_overview = nullptr;
    QTableView* m_table = nullptr;
    FirstErrorView* m_firstError = nullptr;
    RateChart* m_chart = nullptr;
    QLabel* m_summary = nullptr;
    QProgressBar* m_progress = nullptr;
    QPushButton* m_stopButton = nullptr;
    QPushButton* m_saveButton = nullptr;
    QTimer* m_timer = nullptr;
    double m_elapsedS = 0;
    uint64_t m_received = 0;
};

} // namespace verifyui
