#include "app/CRetrievingDialog.h"

#include "app/DialogUnits.h"

#include <QApplication>
#include <QLabel>

CRetrievingDialog::CRetrievingDialog(QWidget* owner)
    : QDialog(owner, Qt::Dialog | Qt::FramelessWindowHint) {
    const DialogUnits du(font());
    setFixedSize(du.Size(186, 94));
    setObjectName("retrievingDialog");
    // Without a caption the box still needs an edge of its own.
    setStyleSheet("CRetrievingDialog { border: 2px outset palette(mid); }");
    auto* text = new QLabel("Retrieving Web Page", this);
    text->setAlignment(Qt::AlignCenter);
    text->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    du.Place(text, 50, 35, 85, 15);
}

void CRetrievingDialog::ShowCentredOver(QWidget* owner) {
    // Shown first, so that the box's frame is known when it is centred.
    show();
    const QRect main = owner->frameGeometry();
    const QRect box = frameGeometry();
    move(main.left() + (main.width() - box.width()) / 2,
         main.top() + (main.height() - box.height()) / 2);
    repaint();
    // Let the window system map and draw the box; user input stays queued until the fetch ends.
    QApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}
