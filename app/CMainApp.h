#pragma once
// The application object: runs the main window modally and ends the process when it returns.

class CMainApp {
public:
    int Run();
};
