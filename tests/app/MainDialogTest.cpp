#include "app/CRetrievingDialog.h"
#include "tests/app/WindowFixture.h"

#include <QApplication>
#include <QDir>
#include <QHeaderView>
#include <QKeyEvent>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <filesystem>
#include <fstream>
#include <iterator>

namespace {

const char* const defaultAddress = CMainDialog::defaultStartAddress;

QStringList HeaderTitles(QTreeWidget* list) {
    QStringList titles;
    for (int c = 0; c < list->columnCount(); ++c)
        titles << list->headerItem()->text(c);
    return titles;
}

} // namespace

TEST_F(WindowTest, InitialState) {
    auto w = MakeWindow();
    EXPECT_EQ(w->windowTitle(), "Tarvik v1.0");
    EXPECT_EQ(w->minimumSize(), w->maximumSize()) << "the window has a fixed size";
    EXPECT_FALSE(w->windowFlags() & Qt::WindowMaximizeButtonHint);
    EXPECT_TRUE(w->windowFlags() & Qt::WindowMinimizeButtonHint);
    EXPECT_EQ(UrlText(*w), defaultAddress);
    EXPECT_EQ(TitleText(*w), "");
    for (int id :
         {ControlId::Back, ControlId::Forward, ControlId::BackMenu, ControlId::ForwardMenu})
        EXPECT_FALSE(w->Control(id)->isEnabled()) << id;
    for (int id : {ControlId::BackMenu, ControlId::ForwardMenu})
        EXPECT_FALSE(static_cast<QAbstractButton*>(w->Control(id))->icon().isNull()) << id;
    EXPECT_TRUE(static_cast<QPushButton*>(w->Control(ControlId::GetUrl))->isDefault());

    EXPECT_EQ(HeaderTitles(w->FileList()), (QStringList{"Name", "FileType", "Path"}));
    EXPECT_EQ(w->FileList()->columnWidth(2), 375);
    auto* downloads = static_cast<QTreeWidget*>(w->Control(ControlId::DownloadList));
    EXPECT_EQ(HeaderTitles(downloads), (QStringList{"Name", "FileType", "% Downloaded", "Status",
                                                    "Path", "Protocol", "Server Name"}));
    EXPECT_EQ(downloads->columnWidth(0), 165);
    EXPECT_EQ(w->FileList()->selectionMode(), QAbstractItemView::ExtendedSelection);
    EXPECT_TRUE(platform.messages.empty());
    EXPECT_TRUE(platform.questions.empty()) << "no clipboard text, no question";
}

TEST_F(WindowTest, ToolTipsOnlyWhereTabled) {
    auto w = MakeWindow();
    EXPECT_EQ(w->Control(ControlId::UrlBox)->toolTip(),
              QString("Enter URL Address of web-site - e.g. ") + defaultAddress);
    EXPECT_EQ(w->Control(ControlId::Quit)->toolTip(), "Quit Tarvik");
    EXPECT_EQ(w->Control(ControlId::FileList)->toolTip(), "List of Files/Links from current URL");
    EXPECT_EQ(w->Control(ControlId::GetUrl)->toolTip(), "Start Tarviking URL Files/Links");
    EXPECT_EQ(w->Control(ControlId::DownloadList)->toolTip(),
              "List of currently downloading Files");
    for (int id :
         {ControlId::Options, ControlId::Back, ControlId::Forward, ControlId::BackMenu,
          ControlId::DownloadAllJpegs, ControlId::OpenDownloadDirectory, ControlId::TitleLabel})
        EXPECT_TRUE(w->Control(id)->toolTip().isEmpty()) << id;
}

struct ClipboardCase {
    std::optional<std::string> text;
    bool asks;
};

class ClipboardOffer : public WindowTest, public ::testing::WithParamInterface<ClipboardCase> {};

TEST_P(ClipboardOffer, AsksOnlyForAddresses) {
    platform.clipboard = GetParam().text;
    platform.answers = {true};
    auto w = MakeWindow();
    if (GetParam().asks) {
        EXPECT_EQ(platform.questions, std::vector<std::string>{"Use the URL on the clipboard?"});
        EXPECT_EQ(UrlText(*w).toStdString(), *GetParam().text) << "kept unchanged";
    } else {
        EXPECT_TRUE(platform.questions.empty());
        EXPECT_EQ(UrlText(*w), defaultAddress);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Window, ClipboardOffer,
    ::testing::Values(ClipboardCase{"http://Site.org/Pics/", true},
                      ClipboardCase{"HTTPanything at all ", true},
                      ClipboardCase{"Www.Example.com", true}, ClipboardCase{"ftp.site.org", true},
                      ClipboardCase{" http://site.org", false},
                      ClipboardCase{"news:comp.lang", false}, ClipboardCase{"", false},
                      ClipboardCase{std::nullopt, false}, ClipboardCase{"htt", false}));

TEST_F(WindowTest, ClipboardOfferAnsweredNoKeepsTheDefault) {
    platform.clipboard = "http://site.org/";
    platform.answers = {false};
    auto w = MakeWindow();
    EXPECT_EQ(platform.questions.size(), 1u);
    EXPECT_EQ(UrlText(*w), defaultAddress);
}

TEST_F(WindowTest, GetUrlIsRefusedUntilTheOptionsWereConfirmed) {
    auto w = MakeWindow();
    SetUrlText(*w, "typed.example/page");
    w->OnCommand(ControlId::GetUrl);
    EXPECT_EQ(platform.messages,
              std::vector<std::string>{
                  "Save directory is not set - set one in the Options screen before continuing."});
    EXPECT_EQ(UrlText(*w), "typed.example/page") << "the URL box is untouched";
    EXPECT_EQ(w->Url(), defaultAddress);
}

TEST_F(WindowTest, QuitAsksAndEndsOnlyOnYes) {
    auto w = MakeWindow();
    w->show();
    platform.answers = {false, true};
    w->OnCommand(ControlId::Quit);
    EXPECT_TRUE(w->isVisible());
    EXPECT_EQ(platform.questions, std::vector<std::string>{"Are you sure you want to quit?"});
    EXPECT_TRUE(platform.questionDefaultsNo.at(0)) << "No is the default button";
    QTest::mouseClick(w->Control(ControlId::Quit), Qt::LeftButton);
    EXPECT_FALSE(w->isVisible());
    EXPECT_EQ(w->result(), QDialog::Accepted);
}

TEST_F(WindowTest, EscapeAndTheCloseBoxEndTheRunWithoutAsking) {
    auto w = MakeWindow();
    w->show();
    QTest::keyClick(w->Control(ControlId::UrlBox), Qt::Key_Escape);
    EXPECT_FALSE(w->isVisible());
    EXPECT_EQ(w->result(), QDialog::Rejected);
    w->show();
    w->setResult(QDialog::Accepted);
    w->close();
    EXPECT_FALSE(w->isVisible());
    EXPECT_EQ(w->result(), QDialog::Rejected);
    EXPECT_TRUE(platform.questions.empty());
}

TEST_F(WindowTest, TabOrderFollowsTheLayout) {
    auto w = MakeWindow();
    const int expected[] = {ControlId::GetUrl,
                            ControlId::Quit,
                            ControlId::UrlBox,
                            ControlId::FileList,
                            ControlId::DownloadList,
                            ControlId::Back,
                            ControlId::Forward,
                            ControlId::BackMenu,
                            ControlId::ForwardMenu,
                            ControlId::Options,
                            ControlId::DownloadAllJpegs,
                            ControlId::DownloadAllMovies,
                            ControlId::OpenDownloadDirectory};
    QWidget* at = w->Control(expected[0]);
    for (std::size_t i = 1; i < std::size(expected); ++i) {
        at = at->nextInFocusChain();
        // Inner widgets of a control and frames take no tab stop.
        while (at->property("controlId").isNull() || !(at->focusPolicy() & Qt::TabFocus))
            at = at->nextInFocusChain();
        EXPECT_EQ(at->property("controlId").toInt(), expected[i]) << "after " << expected[i - 1];
        at = w->Control(expected[i]);
    }
}

TEST_F(WindowTest, OptionsFileIsWrittenAtTheEnd) {
    {
        auto w = MakeWindow();
        w->GetSettings().maxThreads = 9;
        w->GetSettings().saveDirectoryConfirmed = 1;
        EXPECT_FALSE(std::filesystem::exists(dir.File("tk.opt"))) << "written only at the end";
        w->reject();
    }
    std::ifstream in(dir.File("tk.opt"), std::ios::binary);
    const std::vector<char> bytes{std::istreambuf_iterator<char>(in), {}};
    ASSERT_EQ(bytes.size(), 276u);
    EXPECT_EQ(bytes[8], 1);
    EXPECT_EQ(bytes[268], 9);
}

TEST_F(WindowTest, OptionsCommandRunsTheDialogAndOkUnlocksGetUrl) {
    auto w = MakeWindow();
    QTimer::singleShot(0, [] {
        QWidget* modal = QApplication::activeModalWidget();
        ASSERT_NE(modal, nullptr);
        EXPECT_EQ(modal->windowTitle(), "Tarvik Options");
        for (QPushButton* b : modal->findChildren<QPushButton*>())
            if (b->text() == "OK")
                QTest::mouseClick(b, Qt::LeftButton);
    });
    w->OnCommand(ControlId::Options);
    EXPECT_EQ(w->GetSettings().saveDirectoryConfirmed, 1);
    SetUrlText(*w, "127.0.0.1:1/");
    w->OnCommand(ControlId::GetUrl);
    EXPECT_EQ(platform.messages, std::vector<std::string>{"Unable to open this URL."});
    EXPECT_EQ(UrlText(*w), "http://127.0.0.1:1/");
}

TEST_F(WindowTest, EnterInTheUrlBoxRunsGetUrl) {
    auto w = MakeWindow();
    w->show();
    QApplication::setActiveWindow(w.get());
    w->Control(ControlId::UrlBox)->setFocus();
    QTest::keyClick(w->Control(ControlId::UrlBox), Qt::Key_Return);
    EXPECT_EQ(platform.messages.size(), 1u) << "Get URL ran and was refused";
    EXPECT_TRUE(w->isVisible());
}

TEST_F(WindowTest, Screenshots) {
    auto w = MakeWindow();
    w->show();
    QDir().mkpath(TARVIK_SCREENSHOT_DIR);
    const QPixmap main = w->grab();
    EXPECT_FALSE(main.isNull());
    EXPECT_TRUE(main.save(QString(TARVIK_SCREENSHOT_DIR) + "/main-window.png"));

    QTimer::singleShot(0, [] {
        QWidget* modal = QApplication::activeModalWidget();
        ASSERT_NE(modal, nullptr);
        EXPECT_TRUE(modal->grab().save(QString(TARVIK_SCREENSHOT_DIR) + "/options-dialog.png"));
        static_cast<QDialog*>(modal)->reject();
    });
    w->OnCommand(ControlId::Options);
}

TEST_F(WindowTest, RetrievingBoxIsCentredOverTheWindow) {
    auto w = MakeWindow();
    w->move(100, 50);
    w->show();
    CRetrievingDialog box(w.get());
    box.ShowCentredOver(w.get());
    EXPECT_TRUE(box.isVisible());
    const QRect main = w->frameGeometry();
    EXPECT_EQ(box.frameGeometry().topLeft(),
              QPoint(main.left() + (main.width() - box.frameGeometry().width()) / 2,
                     main.top() + (main.height() - box.frameGeometry().height()) / 2));
    EXPECT_NE(box.findChild<QLabel*>(), nullptr);
    EXPECT_EQ(box.findChild<QLabel*>()->text(), "Retrieving Web Page");
}
