#include "verifyportsdlg.h"

#include "portsel/linesettingscontrols.h"
#include "portsel/okcancelbuttons.h"
#include "res/accessiblename.h"
#include "res/texts.h"
#include "res/uiservices.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QVBoxLayout>

#include <charconv>

namespace verifyui {

namespace {

constexpr int MaxCom = 4096;

std::optional<uint64_t> parseCount(const QString& text)
{
    const std::string s = text.trimmed().toStdString();
    uint64_t v = 0;
    const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), v);
    if (ec != std::errc() || end != s.data() + s.size() || v == 0) return std::nullopt;
    return v;
}

QRadioButton* radio(const QString& text, QButtonGroup* group, QWidget* parent)
{
    auto* button = new QRadioButton(text, parent);
    nameAfterLabel(button, text);
    group->addButton(button);
    return button;
}

// A spin box or an editable list has a line edit inside that takes the
// focus: it carries the same name.
void nameField(QWidget* field, const QString& label)
{
    nameAfterLabel(field, label);
    for (QLineEdit* edit : field->findChildren<QLineEdit*>())
        edit->setAccessibleName(field->accessibleName());
}

} // namespace

VerifyPortsDlg::VerifyPortsDlg(const VerifyChoices& choices, UiServices& ui, QWidget* parent)
    : QDialog(parent)
    , m_ui(ui)
    , m_choices(choices)
{
    setWindowTitle(QStringLiteral("Verify Ports"));
    setAccessibleName(windowTitle());
    createControls();
    layOutControls();
    showChoices(choices);
}

void VerifyPortsDlg::createControls()
{
    auto* portsGroup = new QButtonGroup(this);
    auto* lengthGroup = new QButtonGroup(this);
    m_range = radio(QStringLiteral("First port and count"), portsGroup, this);
    m_first = new QSpinBox(this);
    m_first->setRange(1, MaxCom);
    m_first->setPrefix(QStringLiteral("COM"));
    m_count = new QSpinBox(this);
    m_count->setRange(1, MaxCom);
    m_listChoice = radio(QStringLiteral("Port list"), portsGroup, this);
    m_list = new QLineEdit(this);
    m_line = new LineSettingsControls(this);
    m_wiring = new QComboBox(this);
    m_wiring->setEditable(true);
    m_wiring->addItems({ QStringLiteral("loopback"), QStringLiteral("pairs") });
    // In the order of verify::ModemLines.
    m_modemLines = new QComboBox(this);
    m_modemLines->addItems({ QStringLiteral("check"), QStringLiteral("skip (no modem lines on the cable)") });
    m_byTime = radio(QStringLiteral("Duration (s)"), lengthGroup, this);
    m_duration = new QDoubleSpinBox(this);
    m_duration->setRange(0.1, 7 * 24 * 3600.0);
    m_duration->setDecimals(1);
    m_byBytes = radio(QStringLiteral("Bytes per port"), lengthGroup, this);
    m_bytes = new QLineEdit(this);
    m_minRate = new QDoubleSpinBox(this);
    m_minRate->setRange(0, 1);
    m_minRate->setDecimals(3);
    m_minRate->setSingleStep(0.05);
    const OkCancelButtons buttons = makeOkCancelButtons(this);
    m_okButton = buttons.ok;
    m_cancelButton = buttons.cancel;
}

void VerifyPortsDlg::layOutControls()
{
    // Fields beside a choice are named after it, for screen readers.
    nameField(m_first, QStringLiteral("First port"));
    nameField(m_count, QStringLiteral("Count"));
    nameField(m_list, m_listChoice->text());
    nameField(m_wiring, QStringLiteral("Wiring"));
    nameField(m_modemLines, QStringLiteral("Modem lines"));
    nameField(m_duration, m_byTime->text());
    nameField(m_bytes, m_byBytes->text());
    nameField(m_minRate, QStringLiteral("Minimum rate"));
    auto* ports = new QFormLayout;
    auto* range = new QHBoxLayout;
    range->addWidget(m_first);
    range->addWidget(m_count);
    ports->addRow(m_range, range);
    ports->addRow(m_listChoice, m_list);
    auto* run = new QFormLayout;
    run->addRow(QStringLiteral("Wiring:"), m_wiring);
    run->addRow(QStringLiteral("Modem lines:"), m_modemLines);
    run->addRow(m_byTime, m_duration);
    run->addRow(m_byBytes, m_bytes);
    run->addRow(QStringLiteral("Minimum rate (of line rate):"), m_minRate);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(m_okButton);
    buttons->addWidget(m_cancelButton);
    auto* outer = new QVBoxLayout(this);
    outer->addLayout(ports);
    outer->addWidget(m_line);
    outer->addLayout(run);
    outer->addLayout(buttons);
}

void VerifyPortsDlg::showChoices(const VerifyChoices& c)
{
    (c.portsAsList ? m_listChoice : m_range)->setChecked(true);
    m_first->setValue(c.firstCom);
    m_count->setValue(c.count);
    m_list->setText(QString::fromStdString(c.list));
    m_line->setValue(c.line);
    m_wiring->setCurrentText(QString::fromStdString(c.wiring));
    m_modemLines->setCurrentIndex(int(c.modemLines));
    (c.byBytes ? m_byBytes : m_byTime)->setChecked(true);
    m_duration->setValue(c.durationS);
    m_bytes->setText(QString::number(c.bytes));
    m_minRate->setValue(c.minRate);
}

std::optional<VerifyChoices> VerifyPortsDlg::readChoices()
{
    VerifyChoices c;
    c.portsAsList = m_listChoice->isChecked();
    c.firstCom = m_first->value();
    c.count = m_count->value();
    c.list = m_list->text().trimmed().toStdString();
    const auto line = m_line->value();
    if (!line) {
        refuse(QString::fromLatin1(txt::PleaseEnterInteger), nullptr);
        m_line->focusBaud();
        return std::nullopt;
    }
    c.line = *line;
    c.wiring = m_wiring->currentText().trimmed().toStdString();
    c.modemLines = verify::ModemLines(m_modemLines->currentIndex());
    c.byBytes = m_byBytes->isChecked();
    c.durationS = m_duration->value();
    const auto bytes = parseCount(m_bytes->text());
    if (c.byBytes && !bytes) {
        refuse(QStringLiteral("Enter the bytes per port as a whole number, 1 or more."), m_bytes);
        return std::nullopt;
    }
    c.bytes = bytes.value_or(m_choices.bytes);
    c.minRate = m_minRate->value();
    return c;
}

void VerifyPortsDlg::refuse(const QString& text, QWidget* field)
{
    m_ui.messageBox(text);
    if (field) field->setFocus();
}

void VerifyPortsDlg::accept()
{
    const auto choices = readChoices();
    if (!choices) return;
    auto plan = planRun(*choices);
    if (!plan) {
        refuse(QString::fromStdString(plan.error().text), nullptr);
        return;
    }
    m_choices = *choices;
    m_plan = std::move(*plan);
    QDialog::accept();
}

} // namespace verifyui
