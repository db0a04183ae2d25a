#include "app/CRetrievingDialog.h"

#include "app/DialogUnits.h"

#include <QEventLoop>
#include <QLabel>
#include <QTimer>

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

void CRetrievingDialog::ShowCentredOverWhile(QWidget* owner, const std::function<bool()>& done) {
    setWindowModality(Qt::ApplicationModal);
    // Shown first, so that the box's frame is known when it is centred.
    show();
    const QRect main = owner->frameGeometry();
    const QRect box = frameGeometry();
    move(main.left() + (main.width() - box.width()) / 2,
         main.top() + (main.height() - box.height()) / 2);
    QEventLoop loop;
    QTimer poll;
    connect(&poll, &QTimer::timeout, &loop, [&] {
        if (done())
            loop.quit();
    });
    poll.start(10);
    if (!done())
        loop.exec();
    hide();
}
