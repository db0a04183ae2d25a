#pragma once
// The about box: Tarvik's picture, its version, a line about what it does and a link to its home
// page. A fresh one is made for every showing, so the link starts unvisited each time.

#include "app/Platform.h"

#include <QDialog>

class CHyperLink;

class CAboutDialog : public QDialog {
    Q_OBJECT
public:
    static constexpr const char* address = "https://tarvik.example.org/";

    CAboutDialog(QWidget* owner, Platform& platform);
    CHyperLink* Link() const { return link; }

private:
    CHyperLink* link = nullptr;
};
