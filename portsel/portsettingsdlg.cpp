#include "portsettingsdlg.h"

#include "linesettingscontrols.h"
#include "okcancelbuttons.h"
#include "portlist.h"
#include "res/accessiblename.h"
#include "res/texts.h"
#include "res/uiservices.h"

#include <QCheckBox>
#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

CPortSettingsDlg::CPortSettingsDlg(
    const PortLineSettings& initial, const QString& docTitle, UiServices& ui, QWidget* parent)
    : QDialog(parent)
    , m_ui(ui)
    , m_choice(initial)
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
    const OkCancelButtons buttons = makeOkCancelButtons(this);
    m_okButton = buttons.ok;
    m_cancelButton = buttons.cancel;

    m_line = new LineSettingsControls(this);
    m_line->setValue(m_choice.line);
    m_portList = new QComboBox(this);
    m_portAbout = new QLabel(this);
    m_portAbout->setAccessibleName(QString::fromLatin1(txt::PortAboutName));
    m_portAbout->setWordWrap(true);
    fillPortList();
    m_line->addLeadingRow(new QLabel(QStringLiteral("Port"), this), m_portList);
}

void CPortSettingsDlg::fillPortList()
{
    ::fillPortList(m_portList, presentPorts());
    connect(m_portList, &QComboBox::currentIndexChanged, this, &CPortSettingsDlg::showPortAbout);
    if (m_portList->count() > 0) m_portList->setCurrentIndex(0);
    showPortAbout(m_portList->currentIndex());
}

void CPortSettingsDlg::showPortAbout(int index)
{
    const QString about = ::portAbout(m_portList, index);
    m_portAbout->setText(about);
    m_portList->setAccessibleDescription(about);
}

void CPortSettingsDlg::layOutControls()
{
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(m_okButton);
    buttons->addWidget(m_cancelButton);
    buttons->addStretch();

    auto* outer = new QVBoxLayout(this);
    outer->addWidget(m_line);
    outer->addWidget(m_portAbout);
    outer->addStretch();
    outer->addLayout(buttons);
}

void CPortSettingsDlg::chainTabOrder()
{
    QWidget* order[] = { m_okButton, m_cancelButton, baudField(), m_portList, dataBitsList(), stopBitsList(),
        parityList(), rtsCtsCheck(), xonXoffCheck() };
    for (size_t i = 0; i + 1 < std::size(order); ++i)
        QWidget::setTabOrder(order[i], order[i + 1]);
}

void CPortSettingsDlg::accept()
{
    const auto line = m_line->value();
    if (!line) {
        m_ui.messageBox(QString::fromLatin1(txt::PleaseEnterInteger));
        m_line->focusBaud();
        return;
    }
    m_choice.line = *line;
    if (m_portList->currentIndex() >= 0) m_choice.portName = m_portList->currentText().toStdString();
    QDialog::accept();
}

QLineEdit* CPortSettingsDlg::baudField() const
{
    return m_line->baudField();
}
QComboBox* CPortSettingsDlg::dataBitsList() const
{
    return m_line->dataBitsList();
}
QComboBox* CPortSettingsDlg::stopBitsList() const
{
    return m_line->stopBitsList();
}
QComboBox* CPortSettingsDlg::parityList() const
{
    return m_line->parityList();
}
QCheckBox* CPortSettingsDlg::rtsCtsCheck() const
{
    return m_line->rtsCtsCheck();
}
QCheckBox* CPortSettingsDlg::xonXoffCheck() const
{
    return m_line->xonXoffCheck();
}

std::optional<PortLineSettings> runPortSettingsDialog(
    UiServices& ui, const PortLineSettings& initial, const QString& docTitle)
{
    CPortSettingsDlg dialog(initial, docTitle, ui);
    if (ui.runModal(dialog) != QDialog::Accepted) return std::nullopt;
    return dialog.choice();
}
