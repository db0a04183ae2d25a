#include "app/CMainApp.h"

#include "app/CMainDialog.h"
#include "app/QtPlatform.h"

#include <memory>

int CMainApp::Run() {
    QtPlatform platform;
    auto dialog = std::make_unique<CMainDialog>(platform);
    dialog->exec();
    return 0;
}
