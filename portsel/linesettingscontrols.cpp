#include "linesettingscontrols.h"

#include "integerentry.h"
#include "linechoices.h"
#include "res/accessiblename.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>

LineSettingsControls::LineSettingsControls(QWidget* parent)
    : QWidget(parent)
    , m_grid(new QGridLayout(this))
{
    m_grid->setContentsMargins(0, 0, 0, 0);
    m_baudEdit = new QLineEdit(this);
    m_dataBitsList = makeChoiceList(dataBitsChoices());
    m_stopBitsList = makeChoiceList(stopBitsChoices());
    m_parityList = makeChoiceList(parityChoices());
    m_rtsCtsCheck = makeFlowCheck("RTS/CTS ");
    m_xonXoffCheck = makeFlowCheck("XON/XOFF ");
    // Row 0 stays free for a leading row.
    addRow("Baud Rate:", m_baudEdit);
    addRow("Data Bits:", m_dataBitsList);
    addRow("Stop Bits:", m_stopBitsList);
    addRow("Parity:", m_parityList);
    m_grid->addWidget(m_rtsCtsCheck, m_grid->rowCount(), 0, 1, 2, Qt::AlignLeft);
    m_grid->addWidget(m_xonXoffCheck, m_grid->rowCount(), 0, 1, 2, Qt::AlignLeft);
    setValue(LineSettingsValue {});
}

void LineSettingsControls::addRow(const char* text, QWidget* field)
{
    auto* label = new QLabel(QString::fromLatin1(text), this);
    const int row = std::max(1, m_grid->rowCount());
    m_grid->addWidget(nameAfterLabel(label, label->text()), row, 0);
    m_grid->addWidget(nameAfterLabel(field, label->text()), row, 1);
}

void LineSettingsControls::addLeadingRow(QLabel* label, QWidget* field)
{
    // Each field is named after its label, for screen readers and automation.
    m_grid->addWidget(nameAfterLabel(label, label->text()), 0, 0);
    m_grid->addWidget(nameAfterLabel(field, label->text()), 0, 1);
}

QComboBox* LineSettingsControls::makeChoiceList(const LineChoices& choices)
{
    auto* list = new QComboBox(this);
    for (size_t i = 0; i < choices.count(); ++i)
        list->addItem(QString::fromLatin1(choices.texts[i]));
    list->setCurrentIndex(choices.preselected);
    return list;
}

QCheckBox* LineSettingsControls::makeFlowCheck(const char* text)
{
    auto* box = new QCheckBox(QString::fromLatin1(text), this);
    nameAfterLabel(box, box->text());
    // The text stands left of the box.
    box->setLayoutDirection(Qt::RightToLeft);
    return box;
}

void LineSettingsControls::selectCode(QComboBox* list, const LineChoices& choices, uint8_t code)
{
    for (int i = 0; i < int(choices.count()); ++i)
        if (choices.valueAt(i) == code) list->setCurrentIndex(i);
}

void LineSettingsControls::setValue(const LineSettingsValue& value)
{
    // The field reads signed 32-bit entries and stores them bit for bit; show
    // a rate the same way, so that every value given comes back unchanged.
    m_baudEdit->setText(QString::number(static_cast<int32_t>(value.baudRate)));
    selectCode(m_dataBitsList, dataBitsChoices(), value.dataBits);
    selectCode(m_stopBitsList, stopBitsChoices(), value.stopBitsCode);
    selectCode(m_parityList, parityChoices(), value.parityCode);
    m_rtsCtsCheck->setChecked(value.rtsCts);
    m_xonXoffCheck->setChecked(value.xonXoff);
}

std::optional<LineSettingsValue> LineSettingsControls::value() const
{
    const auto baud = parseIntegerEntry(m_baudEdit->text().toStdString());
    if (!baud) return std::nullopt;
    const LineSettingsValue defaults;
    LineSettingsValue v;
    v.baudRate = static_cast<uint32_t>(*baud);
    v.dataBits = dataBitsChoices().valueAt(m_dataBitsList->currentIndex()).value_or(defaults.dataBits);
    v.parityCode = parityChoices().valueAt(m_parityList->currentIndex()).value_or(defaults.parityCode);
    v.stopBitsCode = stopBitsChoices().valueAt(m_stopBitsList->currentIndex()).value_or(defaults.stopBitsCode);
    v.rtsCts = m_rtsCtsCheck->isChecked();
    v.xonXoff = m_xonXoffCheck->isChecked();
    return v;
}

void LineSettingsControls::focusBaud()
{
    m_baudEdit->setFocus();
    m_baudEdit->selectAll();
}
