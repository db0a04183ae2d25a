#pragma once
// The small "Retrieving Web Page" box shown, centred over its owner, while a page is fetched.

#include <QDialog>

class CRetrievingDialog : public QDialog {
    Q_OBJECT
public:
    explicit CRetrievingDialog(QWidget* owner);

    // Centres the box over `owner` (integer halves of the size differences), shows it and
    // paints it at once: the fetch that follows blocks the event loop.
    void ShowCentredOver(QWidget* owner);
};
