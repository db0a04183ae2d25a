#pragma once
// Builds the real main window offscreen on a temporary options file and a recording platform.

#include "app/CMainDialog.h"
#include "app/ControlIds.h"
#include "settings/SettingsFile.h"
#include "tests/support/FakePlatform.h"
#include "tests/support/TempDir.h"

#include <QAbstractButton>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QTimer>
#include <QTreeWidget>
#include <gtest/gtest.h>
#include <memory>

class WindowTest : public ::testing::Test {
protected:
    std::unique_ptr<CMainDialog> MakeWindow() {
        return std::make_unique<CMainDialog>(platform, dir.File("tk.opt"));
    }
    // A shown window whose save directory (the test's own) was confirmed, as after OK in the
    // options dialog; by the modern rules when `modern`.
    std::unique_ptr<CMainDialog> MakeConfirmedWindow(bool modern = false) {
        Settings s = Settings::Defaults();
        s.saveDirectoryConfirmed = 1;
        s.modernRules = modern ? 1 : 0;
        s.saveDirectory = dir.Path();
        SettingsFile(dir.File("tk.opt")).Save(s);
        auto window = MakeWindow();
        window->Session().SetTimeouts(std::chrono::milliseconds(2000),
                                      std::chrono::milliseconds(2000));
        window->show();
        return window;
    }

    static QString UrlText(CMainDialog& w) {
        return static_cast<QLineEdit*>(w.Control(ControlId::UrlBox))->text();
    }
    static void SetUrlText(CMainDialog& w, const QString& text) {
        static_cast<QLineEdit*>(w.Control(ControlId::UrlBox))->setText(text);
    }
    // Types `address` into the URL box and presses "Get URL".
    static void GetUrl(CMainDialog& w, const std::string& address) {
        SetUrlText(w, QString::fromStdString(address));
        w.OnCommand(ControlId::GetUrl);
    }
    static QString TitleText(CMainDialog& w) {
        return static_cast<QLabel*>(w.Control(ControlId::TitleLabel))->text();
    }
    // Every row of the File List as "cell|cell|cell".
    static std::vector<std::string> Rows(CMainDialog& w) { return Rows(w.FileList()); }
    static std::vector<std::string> Rows(QTreeWidget* list) {
        std::vector<std::string> rows;
        for (int i = 0; i < list->topLevelItemCount(); ++i) {
            QStringList cells;
            for (int c = 0; c < list->columnCount(); ++c)
                cells << list->topLevelItem(i)->text(c);
            rows.push_back(cells.join('|').toStdString());
        }
        return rows;
    }

    // Clicks the controls `ids` of the dialog that the next command opens, in turn.
    static void ClickInNextDialog(std::vector<int> ids) {
        QTimer::singleShot(0, [ids] {
            for (const int id : ids)
                for (QAbstractButton* b :
                     QApplication::activeModalWidget()->findChildren<QAbstractButton*>())
                    if (b->property("controlId").toInt() == id)
                        b->click();
        });
    }

    TempDir dir;
    FakePlatform platform;
};
