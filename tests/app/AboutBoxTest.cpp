#include "app/BrowserCommand.h"
#include "app/CAboutDialog.h"
#include "app/CHyperLink.h"
#include "app/QtPlatform.h"
#include "tests/app/WindowFixture.h"
#include "tests/support/CliRun.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <filesystem>
#include <fstream>

TEST(QtPlatform, TheDesktopsOpenerThroughAStubOnThePath) {
    // The stub records its arguments and acts on the address: exits with the status it names,
    // dies of a signal, or fails after 3.2 s.
    TempDir bin, empty;
    std::ofstream(bin.File("xdg-open"))
        << "#!/bin/sh\necho \"$@\" >> \"$0.log\"\ncase \"$1\" in\n"
           "*exit-*) exit \"${1##*exit-}\";;\n*signal) kill -9 $$;;\n"
           "*slow) /bin/sleep 3.2; exit 4;;\nesac\n";
    std::filesystem::permissions(bin.File("xdg-open"), std::filesystem::perms::owner_all);
    const std::string path = std::getenv("PATH");
    QtPlatform platform;
    auto outcome = [&](const std::string& address) {
        auto got = std::make_shared<std::optional<std::pair<bool, int>>>();
        platform.LaunchAddress("http://x/" + address, [got](bool o, int c) {
            *got = {o, o ? 0 : c};
        });
        EXPECT_TRUE(QTest::qWaitFor([&] { return got->has_value(); }, 8000)) << address;
        return got->value_or(std::pair(true, -1));
    };
    const std::tuple<const char*, bool, int> cases[] = {{"exit-0", true, 0},
                                                        {"exit-3", false, 31},
                                                        {"exit-40", false, 40},
                                                        {"signal", false, 137},
                                                        {"slow", false, 4}};
    ::setenv("PATH", bin.Path().c_str(), 1);
    for (const auto& [address, opened, code] : cases)
        EXPECT_EQ(outcome(address), std::pair(opened, code)) << address;
    ::setenv("PATH", empty.Path().c_str(), 1);
    EXPECT_EQ(outcome("missing"), std::pair(false, 2)) << "no opener at all";
    ::setenv("PATH", bin.Path().c_str(), 1);
    platform.OpenPath("-pics/", [](bool, int) {});
    EXPECT_TRUE(QTest::qWaitFor([&] {
        return ReadFile(bin.File("xdg-open.log"))
                   .value_or("")
                   .find(std::filesystem::current_path().string() + "/-pics/") != std::string::npos;
    })) << "a path is handed over whole, never as an option";
    ::setenv("PATH", path.c_str(), 1);
}

TEST(BrowserCommand, CutsAtThePlaceholderAndNeverPastTheLimit) {
    const std::tuple<std::string, std::optional<std::string>> cases[] = {
        {"firefox %u", "firefox  http://x/"},
        {"browser --new \"%U\" --flag", "browser --new  http://x/"},
        {"chromium %U", "chromium  http://x/"},
        {"viewer", "viewer http://x/"},
        {"a %f b \"%u\"", "a %f b  http://x/"}, // a quoted placeholder wins over a bare one
        {std::string(510, 'b'), std::string(510, 'b') + " http://x/"}, // 520 bytes
        {std::string(511, 'b'), std::nullopt}};
    for (const auto& [exec, line] : cases)
        EXPECT_EQ(BrowserCommand::CommandLine(exec, "http://x/"), line) << exec;
    EXPECT_EQ(BrowserCommand::ExecOf("[Desktop Action x]\nExec=no\n[Desktop Entry]\nName=B\r\n"
                                     "Exec=web \"%u\"\r\n"),
              "web \"%u\"");
    EXPECT_EQ(BrowserCommand::Words("a \"b c\" \"d\\\"e\"  f"), (Items{"a", "b c", "d\"e", "f"}));
    EXPECT_EQ(BrowserCommand::FailureMessage(1), "Can't open link:\n\nUnknown Error (1) occurred.");
}

TEST_F(WindowTest, WindowMenuAndAboutBox) {
    auto w = MakeWindow();
    w->show();
    QApplication::setActiveWindow(w.get());
    QTest::keyClick(w.get(), Qt::Key_Space, Qt::AltModifier);
    ASSERT_EQ(platform.menus.size(), 1u);
    // A right-click on the background opens it too; one on a button does not.
    for (QWidget* target : {static_cast<QWidget*>(w.get()), w->Control(ControlId::Options)}) {
        const QPoint at(3, target->height() - 3);
        QContextMenuEvent event(QContextMenuEvent::Mouse, at, target->mapToGlobal(at));
        QApplication::sendEvent(target, &event);
    }
    EXPECT_EQ(platform.menus.size(), 2u);

    platform.launchCodes = {42, 42, 31, 42};
    platform.menuChoices = {16};
    QTimer::singleShot(0, [&] {
        auto* about = qobject_cast<CAboutDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(about, nullptr);
        QApplication::setActiveWindow(about);
        EXPECT_NE(about->findChild<QLabel*>()->pixmap().isNull(), true);
        CHyperLink* link = about->Link();

        const QPoint inside = link->rect().center();
        QTest::mouseClick(link, Qt::LeftButton, Qt::NoModifier, inside);
        QTest::keyClick(link, Qt::Key_Space);
        EXPECT_EQ(platform.launched, Items(2, CAboutDialog::address));
        // Pressed, dragged off and released elsewhere: not opened.
        QTest::mousePress(link, Qt::LeftButton, Qt::NoModifier, inside);
        QTest::mouseRelease(link, Qt::LeftButton, Qt::NoModifier, inside + QPoint(0, 50));
        EXPECT_EQ(platform.launched.size(), 2u);
        // Nothing registered for web pages: a beep and the reason; the visited state stays.
        QTest::keyClick(link, Qt::Key_Space);
        EXPECT_EQ(platform.beeps, 1);
        EXPECT_EQ(platform.messages, Items{"Can't open link:\n\nThere is no application "
                                           "associated\nwith the given filename extension."});
        about->findChild<QPushButton*>()->setFocus();
        EXPECT_EQ(link->TextColour(), CHyperLink::visitedColour);
        about->accept();
    });
    w->ShowWindowMenu(w->mapToGlobal(QPoint(0, 0)));
    EXPECT_EQ(platform.launched.size(), 3u);
}
