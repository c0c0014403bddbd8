#include "portresultsmodel.h"

#include "tilestate.h"

namespace verifyui {

namespace {

const char* const kHeaders[] = { "Port", "Device", "Sent", "Received", "Rate", "Lost", "Corrupt", "Framing", "Parity",
    "Overrun", "Modem Lines", "Result" };

// "COM9" before "COM10": the number at the end of a name sorts as a number.
QString portSortKey(const QString& name)
{
    qsizetype digits = name.size();
    while (digits > 0 && name[digits - 1].isDigit())
        --digits;
    return name.left(digits) + name.mid(digits).rightJustified(20, QLatin1Char('0'));
}

} // namespace

PortResultsModel::PortResultsModel(const std::vector<std::string>& ports, double charsPerSecond, QObject* parent)
    : QAbstractTableModel(parent)
    , m_ports(ports)
    , m_progress(ports.size())
    , m_charsPerSecond(charsPerSecond)
{
}

void PortResultsModel::setProgress(const verify::Progress& progress)
{
    if (progress.lanes.size() == m_progress.size()) m_progress = progress.lanes;
    m_elapsedS = progress.elapsedS;
    refresh();
}

void PortResultsModel::setReport(const verify::RunReport& report)
{
    if (report.ports.size() == m_ports.size()) m_report = report;
    refresh();
}

void PortResultsModel::refresh()
{
    if (!m_ports.empty()) emit dataChanged(index(0, 0), index(rowCount() - 1, ColumnCount - 1));
}

const verify::PortReport* PortResultsModel::reportAt(int row) const
{
    return m_report ? &m_report->ports[size_t(row)] : nullptr;
}

int PortResultsModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(m_ports.size());
}

int PortResultsModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant PortResultsModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 || section >= ColumnCount) return {};
    return QString::fromLatin1(kHeaders[section]);
}

QVariant PortResultsModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || (role != Qt::DisplayRole && role != SortRole)) return {};
    const QVariant v = value(index.row(), index.column());
    if (role == SortRole && index.column() == Port) return portSortKey(v.toString());
    if (role == SortRole || v.typeId() == QMetaType::QString) return v;
    if (index.column() == Rate) return QString::number(v.toDouble(), 'f', 3);
    return v.toString();
}

QVariant PortResultsModel::value(int row, int column) const
{
    const auto& p = m_progress[size_t(row)];
    const verify::PortReport* r = reportAt(row);
    switch (column) {
    case Port:
        return QString::fromStdString(m_ports[size_t(row)]);
    case Device:
        return QString::fromStdString(r ? r->device : p.device);
    case Sent:
        return qulonglong(r ? r->bytesSent : p.sent);
    case Received:
        return qulonglong(r ? r->bytesReceived : p.received);
    case Rate:
        return rate(row);
    case Lost:
        return qulonglong(r ? r->stream.lost : p.stream.lost);
    case Corrupt:
        return qulonglong(r ? r->stream.corrupt : p.stream.corrupt);
    case Framing:
        return lineError(row, &portio::LineCounters::framing);
    case Parity:
        return lineError(row, &portio::LineCounters::parity);
    case Overrun:
        return lineError(row, &portio::LineCounters::overrun);
    case ModemLines:
        return r ? QString::fromLatin1(verify::modemStateName(r->modem.state)) : QString();
    default:
        return result(row);
    }
}

// Line-error counters are read once, at the end: reading them while a
// port's threads run would compete with them.
QVariant PortResultsModel::lineError(int row, uint64_t portio::LineCounters::*field) const
{
    const verify::PortReport* r = reportAt(row);
    if (!r) return QString();
    if (!r->lineErrors) return QStringLiteral("n/a");
    return qulonglong((*r->lineErrors).*field);
}

double PortResultsModel::rate(int row) const
{
    if (const verify::PortReport* r = reportAt(row)) return r->lineRateFraction;
    if (m_elapsedS <= 0 || m_charsPerSecond <= 0) return 0;
    return double(m_progress[size_t(row)].received) / m_elapsedS / m_charsPerSecond;
}

QString PortResultsModel::result(int row) const
{
    const auto& p = m_progress[size_t(row)];
    const verify::PortReport* r = reportAt(row);
    if (r) return r->pass ? QStringLiteral("pass") : QStringLiteral("fail: ") + QString::fromStdString(r->reason);
    if (!p.failure.empty()) return QString::fromStdString(p.failure);
    // A fault found while the run goes on is shown at once; it cannot pass any more.
    if (!p.reason.empty()) return QStringLiteral("fail: ") + QString::fromStdString(p.reason);
    return QString::fromLatin1(tileStateName(tileStateOf(p, nullptr)));
}

} // namespace verifyui
