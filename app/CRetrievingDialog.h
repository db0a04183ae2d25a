#pragma once
// The small "Retrieving Web Page" box shown, centred over its owner, while a page is fetched.
// It is modal, and the user cannot close it; the event loop runs on under it, so the window
// repaints and the download monitor goes on ticking.

#include <QDialog>
#include <functional>

class CRetrievingDialog : public QDialog {
    Q_OBJECT
public:
    explicit CRetrievingDialog(QWidget* owner);

    // Centres the box over `owner` (integer halves of the size differences), shows it modally
    // and runs the event loop until `done` says so, asked every 10 ms.
    void ShowCentredOverWhile(QWidget* owner, const std::function<bool()>& done);

    // Escape does not close it: only the end of the fetch does.
    void reject() override {}
};
