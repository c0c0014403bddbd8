#include "uiservices.h"

namespace {

// Used before the application installs its services: shows nothing, cancels
// every dialog, so nothing can pretend that a person answered.
class SilentUiServices final : public UiServices {
public:
    void messageBox(const QString&) override { }
    std::optional<QString> openFileName(QWidget*) override { return std::nullopt; }
    std::optional<QString> newOrExistingFileName(QWidget*) override { return std::nullopt; }
    std::optional<QString> saveFileName(QWidget*) override { return std::nullopt; }
    int runModal(QDialog&) override { return 0; } // QDialog::Rejected
};

SilentUiServices g_silent;
UiServices* g_current = &g_silent;

} // namespace

UiServices& UiServices::current()
{
    return *g_current;
}

void UiServices::install(UiServices* services)
{
    g_current = services ? services : &g_silent;
}
