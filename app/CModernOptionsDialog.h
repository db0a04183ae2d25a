#pragma once
// The modern options: the settings beyond the modern rules' switch, on four tabs (how files are
// named, with the name the mask gives a picture of the page read; the smallest picture Download
// All Pictures takes; next pages and the limits of downloads; the cookies sent and the
// User-Agent). OK checks them and writes them to tk.modern; Cancel leaves everything as it was.

#include "app/Platform.h"
#include "harvest/LinkTable.h"
#include "settings/ModernSettings.h"

#include <QDialog>
#include <string>

class QCheckBox;
class QComboBox;
class QLabel;
class QPushButton;
class DialogUnits;
class QLineEdit;

class CModernOptionsDialog : public QDialog {
    Q_OBJECT
public:
    static constexpr int saveAsId = 1052;
    static constexpr int folderPerPageId = 1053;
    static constexpr int siteFoldersId = 1054;
    static constexpr int minWidthId = 1055;
    static constexpr int minHeightId = 1056;
    static constexpr int cookieSourceId = 1065;
    static constexpr int cookieWhereId = 1066;
    static constexpr int sendAsId = 1067;
    static constexpr int userAgentId = 1068;
    static constexpr int nextPagesId = 1070;
    static constexpr int perServerId = 1071;
    static constexpr int limitRateId = 1072;
    static constexpr int keepIdenticalId = 1073;
    static constexpr int notifyId = 1074;
    static constexpr int maskExampleId = 1076;

    CModernOptionsDialog(QWidget* owner, ModernSettings& modern, std::string path,
                         Platform& platform, const LinkTable* page = nullptr);

    // The dialog's commands: 1 OK, 2 Cancel, and the two presets of the name box.
    void OnCommand(int id);
    QLineEdit* SaveAsBox() const { return saveAs; }

private:
    ModernSettings& modern;
    std::string path;
    Platform& platform;
    const LinkTable* page; // the page read, whose first content picture the example names
    QLabel* example = nullptr;
    QLineEdit* saveAs = nullptr;
    QLineEdit* minWidth = nullptr;
    QLineEdit* minHeight = nullptr;
    QLineEdit* nextPages = nullptr;
    QLineEdit* perServer = nullptr;
    QLineEdit* limitRate = nullptr;
    QCheckBox* keepIdentical = nullptr;
    QCheckBox* notify = nullptr;
    QComboBox* cookieSource = nullptr;
    QComboBox* cookieWhere = nullptr; // a browser's profile (those found listed), or a file
    QComboBox* sendAs = nullptr;
    QLineEdit* userAgent = nullptr;
    // The four tabs' controls, placed in `room`.
    void MakeFilesTab(QWidget* room, const DialogUnits& du);
    void MakePicturesTab(QWidget* room, const DialogUnits& du);
    void MakeDownloadsTab(QWidget* room, const DialogUnits& du);
    void MakeLoginTab(QWidget* room, const DialogUnits& du);
    // A button of the dialog's command `id`.
    QPushButton* Button(QWidget* parent, const DialogUnits& du, int id, const char* caption, int x,
                        int y, int w);
    // The profile or file box follows the source chosen: a cookies.txt is chosen in a file
    // chooser, a browser's profiles are listed as they are found, off the window's thread.
    void ShowCookieSource(bool chosenNow);
    // The name the mask typed gives, or why it cannot be used.
    void ShowExample();
};
