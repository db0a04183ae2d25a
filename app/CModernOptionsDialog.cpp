#include "app/CModernOptionsDialog.h"

#include "app/DialogUnits.h"
#include "app/TextBridge.h"
#include "download/NameMask.h"

#include <QGroupBox>
#include <QIntValidator>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

CModernOptionsDialog::CModernOptionsDialog(QWidget* owner, ModernSettings& modern, std::string path,
                                           Platform& platform)
    : QDialog(owner, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint), modern(modern),
      path(std::move(path)), platform(platform) {
    setWindowTitle("Modern Options");
    const DialogUnits du(font());
    setFixedSize(du.Size(300, 122));
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
    QPushButton* ok = button(1, "OK", 190, 104, 50);
    ok->setDefault(true);
    button(2, "Cancel", 245, 104, 50);
    saveAs->setText(ToQt(modern.nameMask));
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
