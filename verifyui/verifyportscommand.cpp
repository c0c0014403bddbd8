#include "verifyportscommand.h"

#include "verifyportsdlg.h"
#include "verifywindow.h"

#include "res/uiservices.h"

namespace verifyui {

VerifyWindow* VerifyPortsCommand::run(QWidget* parent)
{
    VerifyPortsDlg dialog(m_choices, m_ui, parent);
    if (m_ui.runModal(dialog) != QDialog::Accepted || !dialog.plan()) return nullptr;
    m_choices = dialog.choices();
    auto* window = new VerifyWindow(m_ns, *dialog.plan(), m_ui, parent);
    window->setAttribute(Qt::WA_DeleteOnClose);
    window->show();
    window->start();
    return window;
}

} // namespace verifyui
