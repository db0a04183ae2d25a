#include "app/COptionsDialog.h"
#include "tests/support/FakePlatform.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QFocusEvent>
#include <QLineEdit>
#include <QTest>
#include <filesystem>
#include <gtest/gtest.h>

namespace {

const std::string threadsMessage = "Number of threads must be between 1 and 16.";
const int categoryBoxes[] = {1007, 1008, 1009, 1010, 1011, 1012, 1015, 1016};

class OptionsTest : public ::testing::Test {
protected:
    OptionsTest() : settings(Settings::Defaults()), dialog(nullptr, settings, platform) {
        settings.saveDirectory = "/srv/saved/";
        dialog.LoadFromSettings();
    }
    void LeaveThreadBox() {
        QFocusEvent out(QEvent::FocusOut);
        QApplication::sendEvent(dialog.ThreadCountBox(), &out);
    }

    FakePlatform platform;
    Settings settings;
    COptionsDialog dialog;
};

struct ClampCase {
    const char* typed;
    const char* shown;
    bool warns;
};

class ThreadBox : public OptionsTest, public ::testing::WithParamInterface<ClampCase> {};

} // namespace

TEST_F(OptionsTest, OpensWithTheCurrentSettings) {
    EXPECT_EQ(dialog.windowTitle(), "Tarvik Options");
    for (int id : categoryBoxes)
        EXPECT_TRUE(dialog.CheckBox(id)->isChecked()) << id;
    EXPECT_TRUE(dialog.CheckBox(1030)->isChecked());
    EXPECT_EQ(dialog.DirectoryBox()->text(), "/srv/saved/");
    EXPECT_EQ(dialog.ThreadCountBox()->text(), "4");
}

TEST_P(ThreadBox, LeavingTheBoxClamps) {
    dialog.ThreadCountBox()->setText(GetParam().typed);
    LeaveThreadBox();
    EXPECT_EQ(dialog.ThreadCountBox()->text(), GetParam().shown);
    EXPECT_EQ(platform.messages, GetParam().warns ? std::vector<std::string>{threadsMessage}
                                                  : std::vector<std::string>{});
    EXPECT_EQ(settings.maxThreads, 4) << "nothing is stored before OK";
}

INSTANTIATE_TEST_SUITE_P(Options, ThreadBox,
                         ::testing::Values(ClampCase{"0", "1", true}, ClampCase{"99", "16", true},
                                           ClampCase{"17", "16", true},
                                           ClampCase{"16", "16", false}, ClampCase{"1", "1", false},
                                           ClampCase{"07", "7", false}, ClampCase{"", "4", false}));

TEST_F(OptionsTest, ThreadBoxTakesAtMostTwoDigits) {
    dialog.ThreadCountBox()->clear();
    QTest::keyClicks(dialog.ThreadCountBox(), "a1-b23");
    EXPECT_EQ(dialog.ThreadCountBox()->text(), "12");
}

TEST_F(OptionsTest, OkWithNinetyNineStillTypedWarnsAndStoresSixteen) {
    dialog.ThreadCountBox()->setText("99");
    dialog.OnCommand(1);
    EXPECT_EQ(platform.messages, std::vector<std::string>{threadsMessage});
    EXPECT_EQ(settings.maxThreads, 16);
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
}

TEST_F(OptionsTest, OkStoresEveryControl) {
    dialog.CheckBox(1008)->setChecked(false); // GIF
    dialog.CheckBox(1016)->setChecked(false); // ZIP
    dialog.CheckBox(1030)->setChecked(false);
    dialog.DirectoryBox()->setText("");
    dialog.ThreadCountBox()->setText("7");
    dialog.OnCommand(1);
    EXPECT_TRUE(platform.messages.empty());
    EXPECT_EQ(settings.harvestGif, 0);
    EXPECT_EQ(settings.harvestZip, 0);
    EXPECT_EQ(settings.harvestJpeg, 1);
    EXPECT_EQ(settings.serverNameSubdirectory, 0);
    EXPECT_EQ(settings.saveDirectory, "") << "an empty directory is stored as it is";
    EXPECT_EQ(settings.saveDirectoryConfirmed, 1);
    EXPECT_EQ(settings.maxThreads, 7);
}

TEST_F(OptionsTest, OkWithAnEmptyThreadBoxKeepsTheCount) {
    settings.maxThreads = 5;
    dialog.LoadFromSettings();
    dialog.ThreadCountBox()->clear();
    dialog.ApplyAndClose();
    EXPECT_EQ(settings.maxThreads, 5);
}

TEST_F(OptionsTest, CancelAfterAClampChangesNothing) {
    const Settings before = settings;
    dialog.ThreadCountBox()->setText("0");
    LeaveThreadBox();
    dialog.CheckBox(1007)->setChecked(false);
    dialog.OnCommand(2);
    EXPECT_EQ(settings, before);
    EXPECT_EQ(dialog.result(), QDialog::Rejected);
}

TEST_F(OptionsTest, BrowseSetsTheChosenFolderAndRestoresTheWorkingDirectory) {
    const auto cwd = std::filesystem::current_path();
    platform.folderChoice = {Platform::FolderChoice::Kind::Chosen, "/media/pictures"};
    platform.duringChooser = [] { std::filesystem::current_path("/"); };
    dialog.OnCommand(3);
    EXPECT_EQ(platform.folderTitles, std::vector<std::string>{"Select Save Directory"});
    EXPECT_EQ(platform.folderStarts.at(0), QDir::homePath().toStdString());
    EXPECT_EQ(dialog.DirectoryBox()->text(), "/media/pictures");
    EXPECT_EQ(std::filesystem::current_path(), cwd);
    EXPECT_EQ(settings.saveDirectory, "/srv/saved/") << "stored only by OK";
}

TEST_F(OptionsTest, BrowseCancelledOrNotLocal) {
    platform.folderChoice = {Platform::FolderChoice::Kind::Cancelled, ""};
    dialog.OnBrowse();
    EXPECT_EQ(dialog.DirectoryBox()->text(), "/srv/saved/");
    EXPECT_TRUE(platform.messages.empty());
    platform.folderChoice = {Platform::FolderChoice::Kind::NotLocal, ""};
    dialog.OnBrowse();
    EXPECT_EQ(dialog.DirectoryBox()->text(), "/srv/saved/");
    EXPECT_EQ(platform.messages, std::vector<std::string>{"Invalid directory selection"});
}

TEST_F(OptionsTest, TooLongAChosenPathIsRefusedAtOk) {
    dialog.show();
    const std::string longPath = "/" + std::string(260, 'p');
    platform.folderChoice = {Platform::FolderChoice::Kind::Chosen, longPath};
    dialog.OnBrowse();
    EXPECT_EQ(dialog.DirectoryBox()->text().size(), 261) << "a chosen path is not cut";
    const Settings before = settings;
    dialog.OnCommand(1);
    EXPECT_EQ(platform.messages,
              std::vector<std::string>{"Please enter no more than 250 characters."});
    EXPECT_EQ(settings, before);
    EXPECT_TRUE(dialog.isVisible()) << "the dialog stays open";
    EXPECT_EQ(dialog.DirectoryBox()->selectedText().size(), 261);
    dialog.reject();
}

TEST_F(OptionsTest, TypingStopsAt250Bytes) {
    dialog.DirectoryBox()->setText(QString(249, 'd'));
    dialog.DirectoryBox()->end(false);
    QTest::keyClicks(dialog.DirectoryBox(), "xyz");
    EXPECT_EQ(dialog.DirectoryBox()->text().size(), 250);
}
