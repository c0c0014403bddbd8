#include "recviewbar.h"

#include "recview.h"

#include "res/accessiblename.h"
#include "res/texts.h"

#include <QCheckBox>
#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

namespace {

using linestatus::StampMode;

// In the order of the "Time stamps" list.
constexpr StampMode StampModes[] = { StampMode::Off, StampMode::Clock, StampMode::SincePrevious };
constexpr const char* StampTexts[] = { txt::StampsOff, txt::StampsClock, txt::StampsSincePrevious };

QString text(const char* latin1)
{
    return QString::fromLatin1(latin1);
}

} // namespace

RecViewBar::RecViewBar(CRecView* pane, QWidget* parent)
    : QWidget(parent)
    , m_pane(pane)
    , m_hex(new QCheckBox(text(txt::HexView), this))
    , m_stamps(new QComboBox(this))
{
    setAccessibleName(text(txt::ViewBarName));
    auto* label = new QLabel(text(txt::TimeStamps), this);
    label->setBuddy(m_stamps);
    nameAfterLabel(label, label->text());
    nameAfterLabel(m_hex, m_hex->text());
    nameAfterLabel(m_stamps, label->text());
    for (const char* item : StampTexts)
        m_stamps->addItem(text(item));
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(2, 2, 2, 2);
    for (QWidget* w : { static_cast<QWidget*>(m_hex), static_cast<QWidget*>(label), static_cast<QWidget*>(m_stamps) })
        row->addWidget(w);
    row->addStretch();
    connect(m_hex, &QCheckBox::toggled, this, &RecViewBar::applyView);
    connect(m_stamps, &QComboBox::currentIndexChanged, this, &RecViewBar::applyStamps);
    describeState();
}

void RecViewBar::applyView(bool hex)
{
    // What has arrived so far is shown the way it was when it came.
    m_pane->drainNow();
    m_pane->formatter().setView(hex ? RecFormatter::View::Hex : RecFormatter::View::Text);
    describeState();
}

void RecViewBar::applyStamps(int index)
{
    if (index < 0 || index >= int(std::size(StampModes))) return;
    m_pane->drainNow();
    m_pane->formatter().setStampMode(StampModes[index]);
    describeState();
}

void RecViewBar::describeState()
{
    m_hex->setAccessibleDescription(text(m_hex->isChecked() ? txt::ControlOn : txt::ControlOff).arg(m_hex->text()));
    m_stamps->setAccessibleDescription(text(txt::ControlChoice).arg(text(txt::TimeStamps), m_stamps->currentText()));
}

QWidget* withViewBar(CRecView* pane, QWidget* parent)
{
    auto* holder = new QWidget(parent);
    auto* column = new QVBoxLayout(holder);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    column->addWidget(new RecViewBar(pane, holder));
    column->addWidget(pane);
    return holder;
}
