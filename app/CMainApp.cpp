#include "app/CMainApp.h"

#include "app/CMainDialog.h"
#include "app/QtPlatform.h"

#include <memory>

int CMainApp::Run(const std::optional<std::string>& startAddress) {
    QtPlatform platform;
    auto dialog = std::make_unique<CMainDialog>(platform, "tk.opt", startAddress);
    dialog->exec();
    return 0;
}
