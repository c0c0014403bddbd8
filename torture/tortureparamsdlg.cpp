#include "tortureparamsdlg.h"

#include "unsignedentry.h"

#include "res/accessiblename.h"
#include "res/texts.h"
#include "res/uiservices.h"

#include <QAbstractButton>
#include <QCoreApplication>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

#include <array>

namespace {
CTortureParamsDlg* g_instance = nullptr;

// Runs from QApplication's destructor, while widgets may still be deleted.
void destroyInstance()
{
    delete g_instance;
    g_instance = nullptr;
}

std::optional<uint32_t> readField(const QLineEdit* edit)
{
    return torture::parseUnsignedEntry(edit->text().toStdString());
}
} // namespace

CTortureParamsDlg::CTortureParamsDlg(QWidget* parent)
    : QDialog(parent)
{
    setWindowTitle(txt::PortInfo);
    setAccessibleName(windowTitle());
    auto* grid = new QGridLayout;
    m_firstComPort = addField(grid, 0, txt::FirstComPortLabel, "firstComPort");
    m_portCount = addField(grid, 1, txt::PortCountLabel, "portCount");
    m_baudRate = addField(grid, 2, txt::BaudRateLabel, "baudRate");

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    for (QAbstractButton* button : buttons->buttons())
        nameAfterLabel(button, button->text().remove(QLatin1Char('&')));
    connect(buttons, &QDialogButtonBox::accepted, this, &CTortureParamsDlg::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &CTortureParamsDlg::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addWidget(buttons);
    loadFields();
}

QLineEdit* CTortureParamsDlg::addField(QGridLayout* grid, int row, const char* label, const char* name)
{
    auto* edit = new QLineEdit;
    edit->setObjectName(QString::fromLatin1(name));
    const QString text = QString::fromLatin1(label);
    grid->addWidget(nameAfterLabel(new QLabel(text), text), row, 0);
    grid->addWidget(nameAfterLabel(edit, text), row, 1);
    return edit;
}

CTortureParamsDlg& CTortureParamsDlg::instance()
{
    if (!g_instance) {
        g_instance = new CTortureParamsDlg;
        qAddPostRoutine(destroyInstance);
    }
    return *g_instance;
}

int CTortureParamsDlg::doModal(UiServices& ui)
{
    loadFields();
    m_firstComPort->setFocus();
    m_ui = &ui;
    const int result = ui.runModal(*this);
    m_ui = nullptr;
    return result;
}

void CTortureParamsDlg::loadFields()
{
    m_firstComPort->setText(QString::number(m_values.firstComPort));
    m_portCount->setText(QString::number(m_values.portCount));
    m_baudRate->setText(QString::number(m_values.baudRate));
}

void CTortureParamsDlg::accept()
{
    const std::array<QLineEdit*, 3> fields { m_firstComPort, m_portCount, m_baudRate };
    std::array<uint32_t, 3> parsed {};
    for (size_t i = 0; i < fields.size(); ++i) {
        const auto value = readField(fields[i]);
        if (!value) {
            if (m_ui) m_ui->messageBox(QString::fromLatin1(txt::PleaseEnterPositiveInteger));
            fields[i]->setFocus();
            fields[i]->selectAll();
            return;
        }
        parsed[i] = *value;
    }
    // The copy changes only with the parameters, so a refused OK followed by
    // Cancel never shows values that are not in force.
    m_values = { parsed[0], parsed[1], parsed[2] };
    torture::setTortureParams(m_values);
    QDialog::accept();
}
