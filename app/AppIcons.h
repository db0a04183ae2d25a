#pragma once
// The program's own pictures, drawn here rather than loaded: the application icon and the small
// downward arrow of the Back/Forward drop-down buttons.

#include <QIcon>

class AppIcons {
public:
    static QIcon Application();
    static QIcon DownArrow();
};
