#include "app/CAboutDialog.h"

#include "app/CHyperLink.h"
#include "app/DialogUnits.h"

#include <QLabel>
#include <QPushButton>

CAboutDialog::CAboutDialog(QWidget* owner, Platform& platform)
    : QDialog(owner, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                         Qt::WindowCloseButtonHint) {
    setWindowTitle("About Tarvik");
    const DialogUnits du(font());
    setFixedSize(du.Size(232, 106));

    auto* picture = new QLabel(this);
    du.Place(picture, 5, 5, 96, 89);
    picture->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    picture->setAlignment(Qt::AlignCenter);
    picture->setPixmap(QPixmap(":/about.png"));
    for (const auto& [text, y] : {std::pair{"Tarvik Version " TARVIK_VERSION, 13},
                                  std::pair{"Collects what a web page links to.", 26}}) {
        auto* line = new QLabel(text, this);
        line->setTextFormat(Qt::PlainText);
        du.PlaceText(line, 109, y, 119, 8);
    }
    auto* ok = new QPushButton("OK", this);
    du.Place(ok, 109, 78, 50, 14);
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);

    link = new CHyperLink(this, platform);
    link->setProperty("controlId", 1003);
    du.Place(link, 109, 53, 119, 8);
    link->setText(address);
    link->OnAttach();
}
