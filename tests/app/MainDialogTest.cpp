#include "tests/app/WindowFixture.h"
#include "tests/support/LoopbackServer.h"

#include <QApplication>
#include <QPushButton>
#include <QScreen>
#include <QTest>
#include <filesystem>

TEST_F(WindowTest, InitialState) {
    auto w = MakeWindow();
    EXPECT_TRUE(w->windowFlags() & Qt::WindowMaximizeButtonHint);
    // A larger window gives its room to the lists; at the smallest size nothing moves.
    QTreeWidget* files = w->FileList();
    QWidget* downloads = w->DownloadList();
    QWidget* quit = w->Control(ControlId::Quit);
    const QRect filesAt = files->geometry(), downloadsAt = downloads->geometry();
    const QRect quitAt = quit->geometry();
    w->show();
    const int name = files->columnWidth(0), path = files->columnWidth(2);
    const int downloadPath = w->DownloadList()->columnWidth(4);
    w->resize(w->minimumSize() + QSize(200, 318));
    // The columns follow: the File List's Name and Path share the extra width, the Download
    // List's Path takes it.
    EXPECT_GT(files->columnWidth(0), name);
    EXPECT_EQ(files->columnWidth(0) + files->columnWidth(2), name + path + 199);
    EXPECT_EQ(w->DownloadList()->columnWidth(4), downloadPath + 200);
    EXPECT_NEAR(1.0 * files->height() / downloads->height(),
                1.0 * filesAt.height() / downloadsAt.height(), 0.02)
        << "the lists share the height in proportion";
    EXPECT_EQ(quit->geometry(), quitAt.translated(200, 318));
    w->resize(w->minimumSize());
    EXPECT_EQ(downloads->geometry(), downloadsAt);
    EXPECT_EQ(files->columnWidth(2), path);
    // Every caption fits its button, the longer modern one too, and no button covers another.
    const QList<QPushButton*> buttons = w->findChildren<QPushButton*>();
    for (QPushButton* b : buttons) {
        const QString longest =
            b == w->Control(ControlId::DownloadAllJpegs) ? "Download All Pictures" : b->text();
        EXPECT_LE(b->fontMetrics().horizontalAdvance(longest) + 8, b->width())
            << longest.toStdString();
        for (QPushButton* other : buttons)
            EXPECT_TRUE(b == other || !b->geometry().intersects(other->geometry()));
    }
}

TEST_F(WindowTest, ClipboardOfferAsksOnlyForAddresses) {
    const std::tuple<std::optional<std::string>, bool, bool> cases[] = {
        {"http://Site.org/Pics/", true, true}, {"HTTPanything at all ", true, true},
        {"Www.Example.com", true, true},       {"ftp.site.org", true, true},
        {"http://site.org/", true, false},     {" http://site.org", false, true},
        {"news:comp.lang", false, true},       {"", false, true},
        {std::nullopt, false, true},           {"htt", false, true}};
    for (const auto& [text, asks, yes] : cases) {
        platform.clipboard = text;
        platform.questions.clear();
        platform.answers = {yes};
        auto w = MakeWindow();
        EXPECT_EQ(UrlText(*w).toStdString(), asks && yes ? *text : CMainDialog::defaultStartAddress)
            << text.value_or("(none)");
        EXPECT_EQ(platform.questions, Items(asks ? 1 : 0, "Use the URL on the clipboard?"));
    }
}

TEST_F(WindowTest, QuitAsksAndEscapeDoesNot) {
    auto w = MakeWindow();
    w->show();
    platform.answers = {false, true};
    w->OnCommand(ControlId::Quit);
    EXPECT_TRUE(w->isVisible());
    EXPECT_EQ(platform.questions, Items{"Are you sure you want to quit?"});
    EXPECT_TRUE(platform.questionDefaultsNo.at(0)) << "No is the default button";
    QTest::mouseClick(w->Control(ControlId::Quit), Qt::LeftButton);
    EXPECT_FALSE(w->isVisible());
    EXPECT_EQ(w->result(), QDialog::Accepted);

    platform.questions.clear();
    w->show();
    QTest::keyClick(w->Control(ControlId::UrlBox), Qt::Key_Escape);
    EXPECT_FALSE(w->isVisible());
    EXPECT_EQ(w->result(), QDialog::Rejected);
    EXPECT_TRUE(platform.questions.empty());
}

TEST_F(WindowTest, OptionsOkUnlocksGetUrlAndTheFileIsWrittenAtTheEnd) {
    {
        auto w = MakeWindow();
        w->show();
        QApplication::setActiveWindow(w.get());
        SetUrlText(*w, "typed.example/page");
        QTest::keyClick(w->Control(ControlId::UrlBox), Qt::Key_Return); // Enter runs "Get URL"
        EXPECT_EQ(platform.messages, Items{"Save directory is not set - set one "
                                           "in the Options screen before "
                                           "continuing."});
        EXPECT_EQ(UrlText(*w), "typed.example/page") << "the URL box is untouched";
        ClickInNextDialog({1}); // OK
        w->OnCommand(ControlId::Options);
        EXPECT_EQ(w->GetSettings().saveDirectoryConfirmed, 1);
        w->GetSettings().maxThreads = 9;
        SetUrlText(*w, "127.0.0.1:1/");
        w->OnCommand(ControlId::GetUrl);
        EXPECT_EQ(platform.messages.back(), "Unable to open this URL.");
        EXPECT_EQ(UrlText(*w), "http://127.0.0.1:1/");
        EXPECT_FALSE(std::filesystem::exists(dir.File("tk.opt"))) << "written only at the end";
    }
    const Settings saved = SettingsFile(dir.File("tk.opt")).Load();
    EXPECT_EQ(saved.saveDirectoryConfirmed, 1);
    EXPECT_EQ(saved.maxThreads, 9);
}

TEST_F(WindowTest, AnAddressHandedOverIsFetchedAtStart) {
    LoopbackServer server(LoopbackServer::Answer("<title>Handed</title><img src=a.jpg>"));
    MakeConfirmedWindow().reset();
    platform.clipboard = "http://clipboard.example/";
    auto w = std::make_unique<CMainDialog>(platform, dir.File("tk.opt"), server.Address("/p.htm"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return TitleText(*w) == "Handed"; }));
    EXPECT_EQ(Rows(*w).size(), 1u);
    EXPECT_TRUE(platform.questions.empty()) << "no clipboard offer";
    w = std::make_unique<CMainDialog>(platform, dir.File("tk.opt"), "file:///etc/passwd");
    ASSERT_TRUE(QTest::qWaitFor([&] { return !platform.messages.empty(); }));
    EXPECT_EQ(platform.messages.back().find("cannot open a file:// address") != std::string::npos,
              true);
    EXPECT_TRUE(Rows(*w).empty());
}

// Run at 144 dpi on a 1600x1000 screen: the smallest window, and all it holds, fit the screen.
using LargeFont = WindowTest;

TEST_F(LargeFont, TheSmallestWindowFitsTheScreen) {
    auto w = MakeWindow();
    w->show();
    const QSize screen = w->screen()->availableGeometry().size();
    EXPECT_LE(w->minimumWidth(), screen.width());
    EXPECT_LE(w->minimumHeight(), screen.height());
    EXPECT_GT(w->fontMetrics().height(), 20) << "the large font is in force";
    w->resize(w->minimumSize());
    for (QWidget* c : w->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
        EXPECT_TRUE(c->isHidden() || w->rect().contains(c->geometry()))
            << c->property("controlId").toInt();
}
