#include "portsettingsdlg.h"

#include "console/portcontext.h"
#include "integerentry.h"
#include "linechoices.h"
#include "portdiscovery.h"
#include "res/accessiblename.h"
#include "res/texts.h"
#include "res/uiservices.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

CPortSettingsDlg::CPortSettingsDlg(PortContext& portCtx, const QString& docTitle, QWidget* parent)
    : QDialog(parent)
    , m_portCtx(portCtx)
{
    setWindowTitle(QString::fromLatin1(txt::SelectPortFor) + docTitle);
    setAccessibleName(windowTitle());
    createControls();
    layOutControls();
    chainTabOrder();
    // Like the buttons-first tab order: the dialog opens with OK focused.
    m_okButton->setFocus();
}

void CPortSettingsDlg::createControls()
{
    m_okButton = new QPushButton(tr("OK"), this);
    m_okButton->setDefault(true);
    m_cancelButton = new QPushButton(tr("Cancel"), this);
    nameAfterLabel(m_okButton, m_okButton->text());
    nameAfterLabel(m_cancelButton, m_cancelButton->text());
    connect(m_okButton, &QPushButton::clicked, this, &QDialog::accept);
    connect(m_cancelButton, &QPushButton::clicked, this, &QDialog::reject);

    m_baudEdit = new QLineEdit(QString::number(m_nBaud), this);
    m_portLabel = new QLabel(QStringLiteral("Port"), this);
    m_portList = new QComboBox(this);
    fillPortList();
    m_dataBitsList = makeChoiceList(dataBitsChoices());
    m_stopBitsList = makeChoiceList(stopBitsChoices());
    m_parityList = makeChoiceList(parityChoices());
    m_rtsCtsCheck = makeFlowCheck("RTS/CTS ");
    m_xonXoffCheck = makeFlowCheck("XON/XOFF ");
}

void CPortSettingsDlg::fillPortList()
{
    for (size_t n = 1; n <= g_portPresent.size(); ++n) {
        if (g_portPresent[n - 1]) m_portList->addItem(QStringLiteral("COM%1").arg(n));
    }
    if (m_portList->count() > 0) m_portList->setCurrentIndex(0);
}

QComboBox* CPortSettingsDlg::makeChoiceList(const LineChoices& choices)
{
    auto* list = new QComboBox(this);
    for (size_t i = 0; i < choices.count(); ++i)
        list->addItem(QString::fromLatin1(choices.texts[i]));
    list->setCurrentIndex(choices.preselected);
    return list;
}

QCheckBox* CPortSettingsDlg::makeFlowCheck(const char* text)
{
    auto* box = new QCheckBox(QString::fromLatin1(text), this);
    nameAfterLabel(box, box->text());
    // The text stands left of the box.
    box->setLayoutDirection(Qt::RightToLeft);
    return box;
}

void CPortSettingsDlg::layOutControls()
{
    auto* grid = new QGridLayout;
    // Each field is named after its label, for screen readers and automation.
    const auto addRow = [grid](QLabel* label, QWidget* field) {
        const int row = grid->rowCount();
        grid->addWidget(nameAfterLabel(label, label->text()), row, 0);
        grid->addWidget(nameAfterLabel(field, label->text()), row, 1);
    };
    addRow(m_portLabel, m_portList);
    addRow(new QLabel(QStringLiteral("Baud Rate:"), this), m_baudEdit);
    addRow(new QLabel(QStringLiteral("Data Bits:"), this), m_dataBitsList);
    addRow(new QLabel(QStringLiteral("Stop Bits:"), this), m_stopBitsList);
    addRow(new QLabel(QStringLiteral("Parity:"), this), m_parityList);
    grid->addWidget(m_rtsCtsCheck, grid->rowCount(), 0, 1, 2, Qt::AlignLeft);
    grid->addWidget(m_xonXoffCheck, grid->rowCount(), 0, 1, 2, Qt::AlignLeft);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(m_okButton);
    buttons->addWidget(m_cancelButton);
    buttons->addStretch();

    auto* outer = new QVBoxLayout(this);
    outer->addLayout(grid);
    outer->addStretch();
    outer->addLayout(buttons);
}

void CPortSettingsDlg::chainTabOrder()
{
    QWidget* order[] = { m_okButton, m_cancelButton, m_baudEdit, m_portList, m_dataBitsList, m_stopBitsList,
        m_parityList, m_rtsCtsCheck, m_xonXoffCheck };
    for (size_t i = 0; i + 1 < std::size(order); ++i)
        QWidget::setTabOrder(order[i], order[i + 1]);
}

void CPortSettingsDlg::accept()
{
    const auto baud = parseIntegerEntry(m_baudEdit->text().toStdString());
    if (!baud) {
        refuseBaud();
        return;
    }
    m_nBaud = *baud;
    storeChoices();
    QDialog::accept();
}

void CPortSettingsDlg::refuseBaud()
{
    UiServices::current().messageBox(QString::fromLatin1(txt::PleaseEnterInteger));
    m_baudEdit->setFocus();
    m_baudEdit->selectAll();
}

void CPortSettingsDlg::storeChoices()
{
    // With no port present the name stays as it was, so a window without a
    // chosen port keeps "None" and its caller opens nothing.
    if (m_portList->currentIndex() >= 0) m_portCtx.portName = m_portList->currentText().toStdString();
    m_portCtx.baudRate = static_cast<uint32_t>(m_nBaud);
    m_portCtx.dataBits = dataBitsChoices().valueAt(m_dataBitsList->currentIndex()).value_or(m_portCtx.dataBits);
    m_portCtx.parityCode = parityChoices().valueAt(m_parityList->currentIndex()).value_or(m_portCtx.parityCode);
    m_portCtx.stopBitsCode = stopBitsChoices().valueAt(m_stopBitsList->currentIndex()).value_or(m_portCtx.stopBitsCode);
    uint8_t flow = m_portCtx.flowFlags & ~(FLOW_RTS_CTS | FLOW_XON_XOFF);
    if (m_rtsCtsCheck->isChecked()) flow |= FLOW_RTS_CTS;
    if (m_xonXoffCheck->isChecked()) flow |= FLOW_XON_XOFF;
    m_portCtx.flowFlags = flow;
}

int runPortSettingsDialog(PortContext& portCtx, const QString& docTitle)
{
    CPortSettingsDlg dialog(portCtx, docTitle);
    return UiServices::current().runModal(dialog);
}
