#include "verifyportscommand.h"

#include "verifyportsdlg.h"
#include "verifywindow.h"

#include "res/uiservices.h"

namespace verifyui {

VerifyWindow* VerifyPortsCommand::run(QWidget* parent)
{
    VerifyPortsDlg dialog(m_choices, parent);
    if (UiServices::current().runModal(dialog) != QDialog::Accepted || !dialog.plan()) return nullptr;
    m_choices = dialog.choices();
    auto* window = new VerifyWindow(m_ns, *dialog.plan(), parent);
    window->setAttribute(Qt::WA_DeleteOnClose);
    window->show();
    window->start();
    return window;
}

} // namespace verifyui
