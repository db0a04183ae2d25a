#include "app/CModernOptionsDialog.h"

#include "app/DialogUnits.h"
#include "app/TextBridge.h"
#include "download/MaskExample.h"
#include "download/NameMask.h"
#include "net/CookieSource.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFutureWatcher>
#include <QIntValidator>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QtConcurrent/QtConcurrentRun>
#include <cstdlib>

CModernOptionsDialog::CModernOptionsDialog(QWidget* owner, ModernSettings& modern, std::string path,
                                           Platform& platform, const LinkTable* page)
    : QDialog(owner, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint), modern(modern),
      path(std::move(path)), platform(platform), page(page) {
    setWindowTitle("Modern Options");
    const DialogUnits du(font());
    setFixedSize(du.Size(300, 196));
    auto* tabs = new QTabWidget(this);
    du.Place(tabs, 5, 5, 290, 166);
    for (const auto& [caption, make] :
         {std::pair{"Files", &CModernOptionsDialog::MakeFilesTab},
          std::pair{"Pictures", &CModernOptionsDialog::MakePicturesTab},
          std::pair{"Downloads", &CModernOptionsDialog::MakeDownloadsTab},
          std::pair{"Login", &CModernOptionsDialog::MakeLoginTab}}) {
        auto* room = new QWidget(tabs);
        tabs->addTab(room, caption);
        (this->*make)(room, du);
    }
    QPushButton* ok = Button(this, du, 1, "OK", 190, 177, 50);
    ok->setDefault(true);
    Button(this, du, 2, "Cancel", 245, 177, 50);
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
    connect(saveAs, &QLineEdit::textChanged, this, [this] { ShowExample(); });
    saveAs->setText(ToQt(modern.nameMask));
    ShowExample();
}

void CModernOptionsDialog::ShowExample() {
    const std::string mask = FromQt(saveAs->text().trimmed());
    const QString text =
        mask.empty() ? QString("Empty: the server-name box decides, as under the classic rules.")
                     : ToQt(MaskExample::Text(mask, page));
    // A long name is cut at the box's edge; its tooltip holds it whole.
    example->setText(example->fontMetrics().elidedText(text, Qt::ElideMiddle, example->width()));
    example->setToolTip(text);
}

QPushButton* CModernOptionsDialog::Button(QWidget* parent, const DialogUnits& du, int id,
                                          const char* caption, int x, int y, int w) {
    auto* b = new QPushButton(caption, parent);
    b->setProperty("controlId", id);
    du.Place(b, x, y, w, 14);
    connect(b, &QPushButton::clicked, this, [this, id] { OnCommand(id); });
    return b;
}

// Files: the mask, the name it gives, and its tags.
void CModernOptionsDialog::MakeFilesTab(QWidget* files, const DialogUnits& du) {
    du.PlaceText(new QLabel("Save as", files), 8, 10, 35, 10);
    saveAs = new QLineEdit(files);
    saveAs->setProperty("controlId", saveAsId);
    saveAs->setPlaceholderText("as the server-name box says");
    du.Place(saveAs, 45, 8, 232, 14);
    Button(files, du, folderPerPageId, "A folder per page", 45, 26, 90);
    Button(files, du, siteFoldersId, "The site's folders", 140, 26, 90);
    example = new QLabel(files);
    example->setProperty("controlId", maskExampleId);
    example->setTextFormat(Qt::PlainText);
    du.Place(example, 8, 46, 270, 10);
    QString tagRows;
    for (const auto& [tag, meaning] : MaskExample::tags)
        tagRows += "<tr><td><tt>" + QString(tag).toHtmlEscaped() + "</tt>&nbsp;&nbsp;</td><td>" +
                   QString(meaning).toHtmlEscaped() + "</td></tr>";
    auto* tagList = new QLabel("<table cellspacing=0>" + tagRows + "</table>", files);
    tagList->setTextFormat(Qt::RichText);
    tagList->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    du.Place(tagList, 8, 60, 270, 86);
}

// Pictures: the smallest Download All Pictures takes.
void CModernOptionsDialog::MakePicturesTab(QWidget* pictures, const DialogUnits& du) {
    auto side = [&](int id, int x, int value) {
        auto* box = new QLineEdit(QString::number(value), pictures);
        box->setProperty("controlId", id);
        box->setValidator(new QIntValidator(0, ModernSettings::maxSide, box));
        du.Place(box, x, 8, 30, 12);
        return box;
    };
    du.PlaceText(new QLabel("Skip pictures smaller than", pictures), 8, 10, 95, 10);
    minWidth = side(minWidthId, 104, modern.minWidth);
    du.PlaceText(new QLabel("x", pictures), 137, 10, 6, 10);
    minHeight = side(minHeightId, 145, modern.minHeight);
    du.PlaceText(new QLabel("pixels (0 turns it off)", pictures), 179, 10, 100, 10);
}

// Downloads: next pages, the limits, identical files, the desktop's word.
void CModernOptionsDialog::MakeDownloadsTab(QWidget* downloads, const DialogUnits& du) {
    // "Before [N] after": a number box between two words, on the line at `y`.
    auto numberRow = [&](int id, const char* before, int boxX, int boxW, int value, int most,
                         const char* after, int y) {
        du.PlaceText(new QLabel(before, downloads), 8, y + 2, boxX - 10, 10);
        auto* box = new QLineEdit(QString::number(value), downloads);
        box->setProperty("controlId", id);
        box->setValidator(new QIntValidator(0, most, box));
        du.Place(box, boxX, y, boxW, 12);
        const int afterX = boxX + boxW + 4;
        du.PlaceText(new QLabel(after, downloads), afterX, y + 2, 280 - afterX, 10);
        return box;
    };
    nextPages =
        numberRow(nextPagesId, "Follow at most", 68, 24, modern.nextPages,
                  ModernSettings::maxNextPages, "next pages (Get Next Pages in the File List)", 8);
    perServer = numberRow(perServerId, "At most", 40, 24, modern.perServer, 16,
                          "downloads at once from one server (0: no limit)", 24);
    limitRate = numberRow(limitRateId, "Limit the speed to", 82, 30, modern.limitRate,
                          ModernSettings::maxLimitRate, "KiB/s (0: no limit)", 40);
    limitRate->setToolTip("For all downloads together; pages are read at full speed");
    keepIdentical = new QCheckBox("Keep identical files", downloads);
    keepIdentical->setProperty("controlId", keepIdenticalId);
    keepIdentical->setChecked(modern.keepIdentical);
    keepIdentical->setToolTip("Off: a download whose bytes a file in the save folder has "
                              "already is not kept again");
    du.Place(keepIdentical, 8, 60, 200, 10);
    notify = new QCheckBox("Tell the desktop when downloads finish", downloads);
    notify->setProperty("controlId", notifyId);
    notify->setChecked(modern.notify);
    du.Place(notify, 8, 74, 200, 10);
}

// Login: the cookies sent and the User-Agent.
void CModernOptionsDialog::MakeLoginTab(QWidget* login, const DialogUnits& du) {
    du.PlaceText(new QLabel("Cookies:", login), 8, 11, 35, 10);
    cookieSource = new QComboBox(login);
    cookieSource->setProperty("controlId", cookieSourceId);
    cookieSource->addItems(
        {"None", "Firefox", "Chromium", "Google Chrome", "Brave", "A cookies.txt file ..."});
    du.Place(cookieSource, 45, 8, 85, 14);
    cookieWhere = new QComboBox(login);
    cookieWhere->setEditable(true);
    cookieWhere->setInsertPolicy(QComboBox::NoInsert);
    cookieWhere->setProperty("controlId", cookieWhereId);
    du.Place(cookieWhere, 135, 8, 143, 14);
    du.PlaceText(new QLabel("Send as:", login), 8, 29, 35, 10);
    sendAs = new QComboBox(login);
    sendAs->setProperty("controlId", sendAsId);
    sendAs->addItems({"Tarvik", "A browser's User-Agent:"});
    du.Place(sendAs, 45, 26, 85, 14);
    userAgent = new QLineEdit(login);
    userAgent->setProperty("controlId", userAgentId);
    userAgent->setToolTip("Some sites accept their cookies only with the browser's own User-Agent");
    du.Place(userAgent, 135, 26, 143, 14);
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
