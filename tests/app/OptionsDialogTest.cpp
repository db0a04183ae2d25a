#include "app/CModernOptionsDialog.h"
#include "app/COptionsDialog.h"
#include "tests/support/FakePlatform.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QFocusEvent>
#include <QGroupBox>
#include <QLineEdit>
#include <QTabWidget>
#include <QTest>
#include <filesystem>
#include <gtest/gtest.h>

namespace {

const std::string threadsMessage = "Number of threads must be between 1 and 16.";

class OptionsTest : public ::testing::Test {
protected:
    OptionsTest() : settings(Settings::Defaults()), dialog(nullptr, settings, platform) {
        settings.saveDirectory = "/srv/saved/";
        dialog.LoadFromSettings();
    }
    void LeaveThreadBox(Qt::FocusReason why = Qt::OtherFocusReason) {
        QFocusEvent out(QEvent::FocusOut, why);
        QApplication::sendEvent(dialog.ThreadCountBox(), &out);
    }

    FakePlatform platform;
    Settings settings;
    COptionsDialog dialog;
};

} // namespace

TEST_F(OptionsTest, EachCheckBoxShowsAndStoresItsOwnField) {
    using S = Settings;
    // clang-format off
    const std::pair<int, uint8_t Settings::*> boxes[] = {
        {1007, &S::harvestJpeg}, {1008, &S::harvestGif}, {1009, &S::harvestAvi}, {1010, &S::harvestMpeg},
        {1011, &S::harvestAudio}, {1012, &S::harvestHtml}, {1015, &S::harvestDoc}, {1016, &S::harvestZip},
        {1030, &S::serverNameSubdirectory}, {1040, &S::modernRules}, {1041, &S::harvestImage},
        {1042, &S::harvestVideo}};
    // clang-format on
    // One box at a time differs from all the others: shown set, then stored cleared.
    for (const auto& [id, field] : boxes) {
        for (const auto& [otherId, otherField] : boxes)
            settings.*otherField = otherId == id;
        dialog.LoadFromSettings();
        for (const auto& [otherId, otherField] : boxes) {
            EXPECT_EQ(dialog.CheckBox(otherId)->isChecked(), otherId == id) << otherId;
            dialog.CheckBox(otherId)->setChecked(otherId != id);
        }
        dialog.OnCommand(1);
        for (const auto& [otherId, otherField] : boxes)
            EXPECT_EQ(settings.*otherField, otherId != id) << otherId;
    }
}

// Leaving the box or OK clamps the count; Cancel keeps what was stored.
TEST_F(OptionsTest, TheThreadBoxClamps) {
    const std::tuple<const char*, const char*, bool> cases[] = {
        {"0", "1", true},  {"99", "16", true}, {"17", "16", true}, {"16", "16", false},
        {"1", "1", false}, {"07", "7", false}, {"", "4", false}};
    for (const auto& [typed, shown, warns] : cases) {
        platform.messages.clear();
        dialog.LoadFromSettings();
        dialog.ThreadCountBox()->setText(typed);
        LeaveThreadBox();
        EXPECT_EQ(dialog.ThreadCountBox()->text(), shown) << typed;
        EXPECT_EQ(platform.messages, Items(warns ? 1 : 0, threadsMessage)) << typed;
    }
    dialog.ThreadCountBox()->clear();
    LeaveThreadBox(Qt::PopupFocusReason); // to the box's own pop-up menu: no check, no refill
    EXPECT_EQ(dialog.ThreadCountBox()->text(), "");
    QTest::keyClicks(dialog.ThreadCountBox(), "a1-b23");
    EXPECT_EQ(dialog.ThreadCountBox()->text(), "12") << "at most two digits";
    const Settings before = settings;
    dialog.CheckBox(1007)->setChecked(false);
    dialog.OnCommand(2); // Cancel
    EXPECT_EQ(settings, before);

    dialog.ThreadCountBox()->setText("99");
    dialog.DirectoryBox()->setText("");
    dialog.OnCommand(1);
    EXPECT_EQ(platform.messages, Items{threadsMessage});
    EXPECT_EQ(settings.maxThreads, 16);
    EXPECT_EQ(settings.saveDirectoryConfirmed, 1);
    settings.maxThreads = 5;
    dialog.LoadFromSettings();
    dialog.ThreadCountBox()->clear();
    dialog.ApplyAndClose();
    EXPECT_EQ(settings.maxThreads, 5) << "an empty box keeps the count";
}

TEST_F(OptionsTest, TheDirectoryBoxAndBrowse) {
    using Kind = Platform::FolderChoice::Kind;
    const auto cwd = std::filesystem::current_path();
    platform.duringChooser = [] { std::filesystem::current_path("/"); };
    platform.folderChoice = {Kind::Cancelled, ""};
    dialog.OnCommand(3);
    platform.folderChoice = {Kind::NotLocal, ""};
    dialog.OnBrowse();
    EXPECT_EQ(dialog.DirectoryBox()->text(), "/srv/saved/");
    EXPECT_EQ(platform.messages, Items{"Invalid directory selection"});
    platform.folderChoice = {Kind::Chosen, "/media/pictures"};
    dialog.OnBrowse();
    EXPECT_EQ(platform.folderTitles.at(0), "Select Save Directory");
    EXPECT_EQ(platform.folderStarts.at(0), QDir::homePath().toStdString());
    EXPECT_EQ(dialog.DirectoryBox()->text(), "/media/pictures");
    EXPECT_EQ(std::filesystem::current_path(), cwd);

    // Longer than 250 bytes: cut when typed, refused by OK when chosen.
    dialog.show();
    dialog.DirectoryBox()->setText(QString(249, 'd'));
    dialog.DirectoryBox()->end(false);
    QTest::keyClicks(dialog.DirectoryBox(), "xyz");
    EXPECT_EQ(dialog.DirectoryBox()->text().size(), 250);

    platform.folderChoice = {Platform::FolderChoice::Kind::Chosen, "/" + std::string(260, 'p')};
    dialog.OnBrowse();
    EXPECT_EQ(dialog.DirectoryBox()->text().size(), 261) << "a chosen path is not cut";
    QTest::keyClick(dialog.DirectoryBox(), Qt::Key_Backspace);
    EXPECT_EQ(dialog.DirectoryBox()->text().size(), 260) << "one Backspace removes one character";
    QTest::keyClicks(dialog.DirectoryBox(), "q");
    EXPECT_EQ(dialog.DirectoryBox()->text().size(), 260) << "what does not fit is refused";
    const Settings before = settings;
    dialog.OnCommand(1);
    EXPECT_EQ(platform.messages.back(), "Please enter no more than 250 characters.");
    EXPECT_EQ(settings, before);
    EXPECT_TRUE(dialog.isVisible()) << "the dialog stays open";
    EXPECT_EQ(dialog.DirectoryBox()->selectedText().size(), 260);
    dialog.reject();
}

TEST_F(OptionsTest, NoControlCoversAnotherAndEditsBehaveAsLimitedBoxes) {
    // The options, and each tab of the modern options, whose controls stay within it.
    ModernSettings modern;
    CModernOptionsDialog more(nullptr, modern, "", platform);
    more.show();
    QTabWidget* tabs = more.findChild<QTabWidget*>();
    std::vector<QWidget*> rooms = {&dialog};
    for (int i = 0; i < tabs->count(); ++i)
        rooms.push_back(tabs->widget(i));
    for (QWidget* room : rooms) {
        if (room != &dialog) {
            tabs->setCurrentWidget(room); // which lays the tab out
            QApplication::processEvents();
        }
        const QList<QWidget*> controls = room->findChildren<QWidget*>(Qt::FindDirectChildrenOnly);
        for (QWidget* a : controls) {
            EXPECT_TRUE(room == &dialog || room->rect().contains(a->geometry()))
                << a->property("text").toString().toStdString();
            for (QWidget* b : controls) {
                if (a >= b || qobject_cast<QGroupBox*>(a) || qobject_cast<QGroupBox*>(b))
                    continue;
                EXPECT_FALSE(a->geometry().intersects(b->geometry()))
                    << a->property("text").toString().toStdString();
            }
        }
    }

    // A paste takes what fits, counted in bytes.
    dialog.DirectoryBox()->setText("/home/");
    dialog.DirectoryBox()->insert(QString(300, QChar(0xE9)));
    EXPECT_EQ(dialog.DirectoryBox()->text(), "/home/" + QString(122, QChar(0xE9)));
}
