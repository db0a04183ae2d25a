#include "app/CModernOptionsDialog.h"

#include "app/DialogUnits.h"
#include "app/TextBridge.h"
#include "download/NameMask.h"
#include "net/CookieSource.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFutureWatcher>
#include <QGroupBox>
#include <QIntValidator>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QtConcurrent/QtConcurrentRun>
#include <cstdlib>

CModernOptionsDialog::CModernOptionsDialog(QWidget* owner, ModernSettings& modern, std::string path,
                                           Platform& platform)
    : QDialog(owner, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint), modern(modern),
      path(std::move(path)), platform(platform) {
    setWindowTitle("Modern Options");
    const DialogUnits du(font());
    setFixedSize(du.Size(300, 248));
    auto button = [&](int id, const char* caption, int x, int y, int w) {
        auto* b = new QPushButton(caption, this);
        b->setProperty("controlId", id);
        du.Place(b, x, y, w, 14);
        connect(b, &QPushButton::clicked, this, [this, id] { OnCommand(id); });
        return b;
    };
    du.Place(new QGroupBox("File names", this), 5, 5, 290, 64);
    auto* label = new QLabel("Save as", this);
    du.PlaceText(label, 12, 20, 35, 10);
    saveAs = new QLineEdit(this);
    saveAs->setProperty("controlId", saveAsId);
    saveAs->setPlaceholderText("as the server-name box says");
    saveAs->setToolTip("Tags: *name* *ext* *host* *subdirs* *title* *text* *num* *date*, and / "
                       "for folders");
    du.Place(saveAs, 50, 18, 238, 14);
    button(folderPerPageId, "A folder per page", 50, 36, 90);
    button(siteFoldersId, "The site's folders", 145, 36, 90);
    auto* hint =
        new QLabel("Empty: the server-name box decides, as under the classic rules.", this);
    du.PlaceText(hint, 12, 54, 276, 10);
    du.Place(new QGroupBox("Pictures", this), 5, 72, 290, 28);
    auto side = [&](int id, int x, int value) {
        auto* box = new QLineEdit(QString::number(value), this);
        box->setProperty("controlId", id);
        box->setValidator(new QIntValidator(0, ModernSettings::maxSide, box));
        du.Place(box, x, 82, 30, 12);
        return box;
    };
    du.PlaceText(new QLabel("Skip pictures smaller than", this), 12, 84, 95, 10);
    minWidth = side(minWidthId, 108, modern.minWidth);
    du.PlaceText(new QLabel("x", this), 141, 84, 6, 10);
    minHeight = side(minHeightId, 149, modern.minHeight);
    du.PlaceText(new QLabel("pixels (0 turns it off)", this), 183, 84, 105, 10);
    du.Place(new QGroupBox("Galleries and downloads", this), 5, 102, 290, 74);
    // "Before [N] after": a number box between two words, on the line at `y`.
    auto numberRow = [&](int id, const char* before, int boxX, int value, int most,
                         const char* after, int y) {
        du.PlaceText(new QLabel(before, this), 12, y + 2, boxX - 14, 10);
        auto* box = new QLineEdit(QString::number(value), this);
        box->setProperty("controlId", id);
        box->setValidator(new QIntValidator(0, most, box));
        du.Place(box, boxX, y, boxX == 86 ? 30 : 24, 12);
        const int afterX = boxX + (boxX == 86 ? 34 : 28);
        du.PlaceText(new QLabel(after, this), afterX, y + 2, 288 - afterX, 10);
        return box;
    };
    nextPages =
        numberRow(nextPagesId, "Follow at most", 72, modern.nextPages, ModernSettings::maxNextPages,
                  "next pages (Get Next Pages in the File List)", 112);
    perServer = numberRow(perServerId, "At most", 44, modern.perServer, 16,
                          "downloads at once from one server (0: no limit)", 128);
    limitRate = numberRow(limitRateId, "Limit the speed to", 86, modern.limitRate,
                          ModernSettings::maxLimitRate, "KiB/s (0: no limit)", 144);
    limitRate->setToolTip("For all downloads together; pages are read at full speed");
    keepIdentical = new QCheckBox("Keep identical files", this);
    keepIdentical->setProperty("controlId", keepIdenticalId);
    keepIdentical->setChecked(modern.keepIdentical);
    keepIdentical->setToolTip("Off: a download whose bytes a file in the save folder has "
                              "already is not kept again");
    du.Place(keepIdentical, 12, 160, 110, 10);
    notify = new QCheckBox("Tell the desktop when downloads finish", this);
    notify->setProperty("controlId", notifyId);
    notify->setChecked(modern.notify);
    du.Place(notify, 126, 160, 162, 10);
    du.Place(new QGroupBox("Pages behind a login", this), 5, 178, 290, 48);
    du.PlaceText(new QLabel("Cookies:", this), 12, 191, 35, 10);
    cookieSource = new QComboBox(this);
    cookieSource->setProperty("controlId", cookieSourceId);
    cookieSource->addItems(
        {"None", "Firefox", "Chromium", "Google Chrome", "Brave", "A cookies.txt file ..."});
    du.Place(cookieSource, 50, 188, 85, 14);
    cookieWhere = new QComboBox(this);
    cookieWhere->setEditable(true);
    cookieWhere->setInsertPolicy(QComboBox::NoInsert);
    cookieWhere->setProperty("controlId", cookieWhereId);
    du.Place(cookieWhere, 140, 188, 148, 14);
    du.PlaceText(new QLabel("Send as:", this), 12, 209, 35, 10);
    sendAs = new QComboBox(this);
    sendAs->setProperty("controlId", sendAsId);
    sendAs->addItems({"Tarvik", "A browser's User-Agent:"});
    du.Place(sendAs, 50, 206, 85, 14);
    userAgent = new QLineEdit(this);
    userAgent->setProperty("controlId", userAgentId);
    userAgent->setToolTip("Some sites accept their cookies only with the browser's own User-Agent");
    du.Place(userAgent, 140, 206, 148, 14);
    QPushButton* ok = button(1, "OK", 190, 230, 50);
    ok->setDefault(true);
    button(2, "Cancel", 245, 230, 50);
    const auto source = CookieSource::KindOf(modern.cookies);
    cookieSource->setCurrentIndex(static_cast<int>(source.value_or(CookieSource::Kind::None)));
    cookieWhere->setEditText(
        ToQt(source == CookieSource::Kind::File ? modern.cookieFile : modern.cookieProfile));
    sendAs->setCurrentIndex(modern.userAgent.empty() ? 0 : 1);
    userAgent->setText(ToQt(modern.userAgent));
    ShowCookieSource(false);
    connect(cookieSource, &QComboBox::currentIndexChanged, this,
            [this] { ShowCookieSource(true); });
    connect(sendAs, &QComboBox::currentIndexChanged, this,
            [this](int index) { userAgent->setEnabled(index == 1); });
    userAgent->setEnabled(sendAs->currentIndex() == 1);
    saveAs->setText(ToQt(modern.nameMask));
}

void CModernOptionsDialog::ShowCookieSource(bool chosenNow) {
    const auto kind = static_cast<CookieSource::Kind>(cookieSource->currentIndex());
    cookieWhere->setEnabled(kind != CookieSource::Kind::None);
    const QString text = cookieWhere->currentText();
    cookieWhere->clear();
    cookieWhere->setEditText(chosenNow ? QString() : text);
    cookieWhere->lineEdit()->setPlaceholderText(kind == CookieSource::Kind::File
                                                    ? "the cookies.txt file"
                                                    : "the browser's default profile");
    const char* home = std::getenv("HOME");
    const std::string homeFolder = home != nullptr ? home : "";
    if (kind == CookieSource::Kind::File) {
        if (chosenNow)
            if (const auto file =
                    platform.ChooseFile(this, "Choose a cookies.txt file", homeFolder))
                cookieWhere->setEditText(ToQt(*file));
        return;
    }
    if (kind == CookieSource::Kind::None)
        return;
    // A slow disk never holds the dialog: the profiles come when they are found, and only while
    // the same browser is still chosen.
    auto* found = new QFutureWatcher<std::vector<std::string>>(this);
    connect(found, &QFutureWatcher<std::vector<std::string>>::finished, this, [this, found, kind] {
        if (static_cast<CookieSource::Kind>(cookieSource->currentIndex()) == kind) {
            const QString typed = cookieWhere->currentText();
            for (const std::string& profile : found->result())
                cookieWhere->addItem(ToQt(profile));
            cookieWhere->setEditText(typed);
        }
        found->deleteLater();
    });
    found->setFuture(
        QtConcurrent::run([homeFolder, kind] { return CookieSource::Profiles(homeFolder, kind); }));
}

void CModernOptionsDialog::OnCommand(int id) {
    switch (id) {
    case 1: {
        const std::string mask = FromQt(saveAs->text().trimmed());
        // A mask that cannot name a file is refused with what is wrong in it.
        if (const auto why = mask.empty() ? std::nullopt : NameMask::Check(mask)) {
            platform.ShowMessage(this, "The file name mask \"" + mask +
                                           "\" cannot be used: " + *why + ".");
            return;
        }
        modern.nameMask = mask;
        // A box left empty means no limit on that side.
        modern.minWidth = minWidth->text().toInt();
        modern.minHeight = minHeight->text().toInt();
        modern.nextPages = nextPages->text().toInt(); // an empty box reads 0
        modern.perServer = perServer->text().toInt();
        modern.limitRate = limitRate->text().toInt();
        modern.keepIdentical = keepIdentical->isChecked();
        modern.notify = notify->isChecked();
        const auto kind = static_cast<CookieSource::Kind>(cookieSource->currentIndex());
        modern.cookies = CookieSource::Word(kind);
        const std::string where = FromQt(cookieWhere->currentText().trimmed());
        if (kind == CookieSource::Kind::File)
            modern.cookieFile = where;
        else if (kind != CookieSource::Kind::None)
            modern.cookieProfile = where;
        modern.userAgent = sendAs->currentIndex() == 1 ? FromQt(userAgent->text().trimmed()) : "";
        if (!modern.Save(path))
            platform.ShowMessage(this, "The modern options could not be written to " + path + ".");
        accept();
        break;
    }
    case 2:
        reject();
        break;
    case folderPerPageId:
        saveAs->setText(NameMask::folderPerPage);
        break;
    case siteFoldersId:
        saveAs->setText(NameMask::siteFolders);
        break;
    default:
        break;
    }
}
