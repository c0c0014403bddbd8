#include "portlist.h"

#include "portdiscovery.h"

#include "portio/portdescription.h"

#include <QComboBox>
#include <QHeaderView>
#include <QStandardItemModel>
#include <QTreeView>

namespace {

QString describe(const std::string& device)
{
    if (device.empty()) return {};
    const std::string about = portio::describePort(device).text();
    return QString::fromStdString(about.empty() ? device : device + ", " + about);
}

// The dropped-down list shows both columns side by side, as wide as they need.
void showColumns(QComboBox* list)
{
    auto* view = new QTreeView(list);
    view->setHeaderHidden(true);
    view->setRootIsDecorated(false);
    view->setItemsExpandable(false);
    view->setAllColumnsShowFocus(true);
    list->setView(view);
    for (int column = 0; column < 2; ++column)
        view->resizeColumnToContents(column);
    view->setMinimumWidth(view->header()->length() + view->frameWidth() * 2);
}

} // namespace

std::vector<PresentPort> presentPorts()
{
    std::vector<PresentPort> ports;
    for (size_t n = 1; n <= g_portPresent.size(); ++n)
        if (g_portPresent[n - 1]) ports.push_back({ QStringLiteral("COM%1").arg(n), describe(g_portDevice[n - 1]) });
    return ports;
}

void fillPortList(QComboBox* list, const std::vector<PresentPort>& ports)
{
    auto* model = new QStandardItemModel(0, 2, list);
    for (const auto& port : ports)
        model->appendRow({ new QStandardItem(port.name), new QStandardItem(port.about) });
    list->setModel(model);
    showColumns(list);
}

QString portAbout(const QComboBox* list, int index)
{
    return list->model()->index(index, 1).data().toString();
}
