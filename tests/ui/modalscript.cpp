#include "modalscript.h"

#include "portsel/portsettingsdlg.h"

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>

namespace {

constexpr int PollMs = 5;

QAbstractButton* buttonLabelled(QWidget* w, const QString& label)
{
    for (auto* button : w->findChildren<QAbstractButton*>())
        if (button->isVisible() && button->text().remove(QLatin1Char('&')) == label) return button;
    return nullptr;
}

// A button that is missing or greyed is not pressed: its window then stays
// open and the script reports it.
void click(QAbstractButton* button)
{
    if (button && button->isEnabled()) button->click();
}

} // namespace

ModalScript::ModalScript(std::chrono::milliseconds limit)
    : m_limit(limit)
    , m_since(std::chrono::steady_clock::now())
{
    connect(&m_timer, &QTimer::timeout, this, &ModalScript::poll);
    m_timer.start(PollMs);
}

ModalScript::~ModalScript() = default;

ModalScript& ModalScript::then(const QString& what, Match match, Act act)
{
    if (m_steps.empty()) m_since = std::chrono::steady_clock::now();
    m_steps.push_back({ what, std::move(match), std::move(act) });
    return *this;
}

QStringList ModalScript::problems() const
{
    QStringList all = m_problems;
    for (const Step& step : m_steps)
        all << QStringLiteral("not shown: %1").arg(step.what);
    return all;
}

bool ModalScript::overdue() const
{
    return std::chrono::steady_clock::now() - m_since > m_limit;
}

void ModalScript::poll()
{
    QWidget* w = QApplication::activeModalWidget();
    if (!w) return;
    if (w == m_acted) {
        if (overdue()) dismiss(w, QStringLiteral("still open after its step"));
        return;
    }
    if (m_steps.empty() || !m_steps.front().match(w)) {
        dismiss(w, QStringLiteral("not expected"));
        return;
    }
    const Step step = std::move(m_steps.front());
    m_steps.pop_front();
    m_acted = w;
    m_since = std::chrono::steady_clock::now();
    step.act(w);
}

void ModalScript::dismiss(QWidget* w, const QString& why)
{
    m_problems << QStringLiteral("%1: %2").arg(why, describeWindow(w));
    if (auto* dialog = qobject_cast<QDialog*>(w))
        dialog->reject();
    else
        w->close();
}

QString describeWindow(QWidget* w)
{
    QString text = QStringLiteral("%1 \"%2\"").arg(QString::fromLatin1(w->metaObject()->className()), w->windowTitle());
    if (auto* box = qobject_cast<QMessageBox*>(w)) text += QStringLiteral(" saying \"%1\"").arg(box->text());
    return text;
}

ModalScript::Match isFileDialog()
{
    return [](QWidget* w) { return qobject_cast<QFileDialog*>(w) != nullptr; };
}

ModalScript::Match isPortDialog()
{
    return [](QWidget* w) { return qobject_cast<CPortSettingsDlg*>(w) != nullptr; };
}

ModalScript::Match isMessageBox(const QString& text)
{
    return [text](QWidget* w) {
        auto* box = qobject_cast<QMessageBox*>(w);
        return box && box->text() == text;
    };
}

ModalScript::Act chooseFile(const QString& path)
{
    return [path](QWidget* w) {
        auto* name = w->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
        auto* buttons = w->findChild<QDialogButtonBox*>(QStringLiteral("buttonBox"));
        QAbstractButton* accept = nullptr;
        for (QAbstractButton* b : buttons ? buttons->buttons() : QList<QAbstractButton*> {})
            if (buttons->buttonRole(b) == QDialogButtonBox::AcceptRole) accept = b;
        if (!name) return;
        name->setText(path);
        click(accept);
    };
}

ModalScript::Act choosePort(const QString& port)
{
    return [port](QWidget* w) {
        QComboBox* list = nullptr;
        for (auto* combo : w->findChildren<QComboBox*>())
            if (combo->accessibleName() == QLatin1String("Port")) list = combo;
        if (!list || list->findText(port) < 0) return;
        list->setCurrentIndex(list->findText(port));
        click(buttonLabelled(w, QStringLiteral("OK")));
    };
}

ModalScript::Act pressButton(const QString& label)
{
    return [label](QWidget* w) { click(buttonLabelled(w, label)); };
}
