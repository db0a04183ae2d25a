#include "app/COptionsDialog.h"

#include "app/CModernOptionsDialog.h"
#include "app/DialogUnits.h"
#include "app/TextBridge.h"

#include <QCheckBox>
#include <QDir>
#include <QEvent>
#include <QFocusEvent>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <filesystem>

namespace {

constexpr const char* threadsMessage = "Number of threads must be between 1 and 16.";
constexpr int directoryId = 1006;
constexpr int threadsId = 1031;
constexpr int modernId = 1040;
constexpr int modernOptionsId = 1051;
constexpr int imageId = 1041;
constexpr int videoId = 1042;

// Limits what may be typed or pasted to `limit` bytes of UTF-8, as a limited edit box does: what
// was just inserted (it ends at the cursor) is cut back until the text fits, and an edit that
// still does not fit is refused. Text that was there before is never cut, so a longer path the
// program set (from the folder chooser) stays for OK to report, and deleting from it works.
class ByteLengthValidator : public QValidator {
public:
    ByteLengthValidator(int limit, QLineEdit* edit) : QValidator(edit), limit(limit) {
        // While an edit is checked the box already holds the new text: the text before it is
        // the one last shown.
        connect(edit, &QLineEdit::textChanged, this, [this](const QString& t) { shown = t; });
    }
    State validate(QString& input, int& cursor) const override {
        const qsizetype before = shown.toUtf8().size();
        if (input.toUtf8().size() <= std::max<qsizetype>(limit, before))
            return Acceptable;
        for (qsizetype inserted = input.size() - shown.size();
             input.toUtf8().size() > limit && cursor > 0 && inserted > 0;) {
            const int width = cursor > 1 && input[cursor - 1].isLowSurrogate() ? 2 : 1;
            input.remove(cursor - width, width);
            cursor -= width;
            inserted -= width;
        }
        return input.toUtf8().size() <= limit ? Acceptable : Invalid;
    }

private:
    int limit;
    QString shown;
};

// Control identifier, caption and template position of each check box, in tab order.
struct CheckBoxSpec {
    int id;
    const char* caption;
    int x, y, w, h;
    uint8_t Settings::*field;
};

const CheckBoxSpec checkBoxSpecs[] = {
    {1030, "Use 'Server Name' as subdirectory for saved files", 20, 55, 169, 10,
     &Settings::serverNameSubdirectory},
    {1007, "JPEG (JPG,JPEG,JFIF)", 20, 130, 89, 10, &Settings::harvestJpeg},
    {1008, "GIF", 20, 140, 27, 10, &Settings::harvestGif},
    {1009, "AVI", 20, 150, 27, 10, &Settings::harvestAvi},
    {1010, "MPEG (MPG,MPEG)", 20, 160, 81, 10, &Settings::harvestMpeg},
    {1011, "AUDIO (MP3,WAV,AU,AIFF)", 165, 130, 107, 10, &Settings::harvestAudio},
    {1012, "HTML", 165, 140, 36, 10, &Settings::harvestHtml},
    {1015, "DOC (DOC,PDF)", 165, 150, 69, 10, &Settings::harvestDoc},
    {1016, "ZIP (ZIP,TAR,GZ)", 165, 160, 73, 10, &Settings::harvestZip},
    {modernId, "Modern web rules (lazy-loaded and responsive pictures, PNG/WebP, MP4/WebM)", 20,
     172, 330, 10, &Settings::modernRules},
    {imageId, "Other pictures (PNG, WebP, AVIF, SVG...)", 30, 184, 175, 10,
     &Settings::harvestImage},
    {videoId, "Web video (MP4, WebM, MOV, MKV...)", 210, 184, 155, 10, &Settings::harvestVideo},
};

std::string LengthMessage(std::size_t limit) {
    return "Please enter no more than " + std::to_string(limit) + " characters.";
}

} // namespace

COptionsDialog::COptionsDialog(QWidget* owner, Settings& settings, Platform& platform)
    : QDialog(owner, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                         Qt::WindowCloseButtonHint),
      settings(settings), platform(platform) {
    setWindowTitle("Tarvik Options");
    const DialogUnits du(font());
    setFixedSize(du.Size(377, 266));

    auto place = [&](QWidget* w, int id, int x, int y, int width, int height) {
        if (id != 0)
            w->setProperty("controlId", id);
        if (qobject_cast<QLabel*>(w) != nullptr || qobject_cast<QCheckBox*>(w) != nullptr)
            du.PlaceText(w, x, y, width, height);
        else
            du.Place(w, x, y, width, height);
        return w;
    };
    auto button = [&](int id, const char* caption, int x, int y) {
        auto* b = new QPushButton(caption, this);
        place(b, id, x, y, 50, 14);
        connect(b, &QPushButton::clicked, this, [this, id] { OnCommand(id); });
        return b;
    };

    // The frames first, so that every control stands above them.
    place(new QGroupBox("Files", this), 0, 5, 10, 365, 90);
    place(new QGroupBox("General Options", this), 0, 5, 115, 365, 105);

    okButton = button(1, "OK", 320, 229);
    okButton->setDefault(true);
    QPushButton* cancel = button(2, "Cancel", 320, 246);
    place(new QLabel("Save Directory", this), 0, 20, 25, 50, 10);
    directoryText = new QLineEdit(this);
    place(directoryText, directoryId, 80, 23, 230, 14);
    directoryText->setValidator(
        new ByteLengthValidator(static_cast<int>(Settings::directoryLimit), directoryText));

    std::size_t box = 0;
    for (const CheckBoxSpec& spec : checkBoxSpecs) {
        auto* c = new QCheckBox(spec.caption, this);
        place(c, spec.id, spec.x, spec.y, spec.w, spec.h);
        checkBoxes[box++] = c;
    }
    modernButton = button(modernOptionsId, "Modern Options...", 290, 197);
    du.Place(modernButton, 290, 197, 75, 14); // wider than the template's buttons
    modernButton->hide();
    // The modern categories and options mean something only under the modern rules.
    connect(CheckBox(modernId), &QCheckBox::toggled, this, [this](bool modern) {
        CheckBox(imageId)->setEnabled(modern);
        CheckBox(videoId)->setEnabled(modern);
        modernButton->setEnabled(modern);
    });
    QPushButton* browse = button(3, "Browse", 315, 23);
    place(new QLabel("Note: URL has to be reloaded for filters to take effect", this), 0, 20, 200,
          168, 8);
    threadCountText = new QLineEdit(this);
    place(threadCountText, threadsId, 168, 70, 20, 10);
    threadCountText->setMaxLength(2);
    threadCountText->setValidator(
        new QRegularExpressionValidator(QRegularExpression("[0-9]{0,2}"), threadCountText));
    threadCountText->installEventFilter(this);
    QWidget* threadsLabel =
        place(new QLabel("Maximum number of threads (use at own risk)", this), 0, 21, 71, 142, 8);
    // A label widened for a wide font pushes the box beside it to the right.
    const int clear = threadsLabel->geometry().right() + du.X(3);
    if (threadCountText->x() < clear)
        threadCountText->move(clear, threadCountText->y());

    // Template order is the tab order: OK, Cancel, the directory, the category boxes, Browse, the
    // subdirectory box and the thread count.
    QWidget* order[] = {
        okButton,       cancel,         directoryText,      CheckBox(1007),    CheckBox(1008),
        CheckBox(1009), CheckBox(1010), CheckBox(1011),     CheckBox(1012),    browse,
        CheckBox(1015), CheckBox(1016), CheckBox(modernId), CheckBox(imageId), CheckBox(videoId),
        CheckBox(1030), threadCountText};
    for (std::size_t i = 0; i + 1 < std::size(order); ++i)
        setTabOrder(order[i], order[i + 1]);
}

void COptionsDialog::SetModernOptions(ModernSettings* settings, std::string path,
                                      const LinkTable* page) {
    modern = settings;
    modernPath = std::move(path);
    modernPage = page;
    modernButton->setVisible(modern != nullptr);
}

QCheckBox* COptionsDialog::CheckBox(int id) const {
    for (std::size_t i = 0; i < checkBoxes.size(); ++i)
        if (checkBoxSpecs[i].id == id)
            return checkBoxes[i];
    return nullptr;
}

int COptionsDialog::Run() {
    LoadFromSettings();
    return exec();
}

void COptionsDialog::OnCommand(int id) {
    switch (id) {
    case 1:
        ApplyAndClose();
        break;
    case 2:
        reject();
        break;
    case 3:
        OnBrowse();
        break;
    case modernOptionsId:
        if (modern != nullptr)
            CModernOptionsDialog(this, *modern, modernPath, platform, modernPage).exec();
        break;
    default:
        break;
    }
}

void COptionsDialog::LoadFromSettings() {
    for (std::size_t i = 0; i < checkBoxes.size(); ++i)
        checkBoxes[i]->setChecked(settings.*(checkBoxSpecs[i].field) != 0);
    CheckBox(imageId)->setEnabled(settings.modernRules != 0);
    CheckBox(videoId)->setEnabled(settings.modernRules != 0);
    modernButton->setEnabled(settings.modernRules != 0);
    SetDirectoryText(settings.saveDirectory);
    threadCountText->setText(QString::number(settings.maxThreads));
    okButton->setFocus();
}

bool COptionsDialog::eventFilter(QObject* watched, QEvent* event) {
    // The box's own pop-up menu (to paste, say) takes the focus only for a moment: that is no
    // leaving of the box.
    if (watched == threadCountText && event->type() == QEvent::FocusOut &&
        static_cast<QFocusEvent*>(event)->reason() != Qt::PopupFocusReason)
        OnThreadCountKillFocus();
    return QDialog::eventFilter(watched, event);
}

std::optional<int> COptionsDialog::ClampedThreadCount() {
    bool parsed = false;
    const int typed = threadCountText->text().toInt(&parsed);
    if (!parsed)
        return std::nullopt;
    const int clamped = std::clamp(typed, Settings::minThreads, Settings::maxThreadLimit);
    // The box shows the clamped value before the warning, so the warning's own focus change
    // finds nothing left to clamp.
    threadCountText->setText(QString::number(clamped));
    if (clamped != typed)
        platform.ShowMessage(this, threadsMessage);
    return clamped;
}

void COptionsDialog::OnThreadCountKillFocus() {
    // An emptied box gets back the value in force, so it always holds a number from 1 to 16.
    if (!ClampedThreadCount())
        threadCountText->setText(QString::number(settings.maxThreads));
}

void COptionsDialog::SetDirectoryText(const std::string& path) {
    // Set past the validator, which would cut the text: OK reports an overlong one instead.
    const QValidator* limit = directoryText->validator();
    directoryText->setValidator(nullptr);
    directoryText->setText(ToQt(path));
    directoryText->setValidator(limit);
}

void COptionsDialog::OnBrowse() {
    std::error_code error;
    const std::filesystem::path remembered = std::filesystem::current_path(error);
    const Platform::FolderChoice choice =
        platform.ChooseFolder(this, "Select Save Directory", FromQt(QDir::homePath()));
    switch (choice.kind) {
    case Platform::FolderChoice::Kind::Chosen:
        SetDirectoryText(choice.path);
        break;
    case Platform::FolderChoice::Kind::NotLocal:
        platform.ShowMessage(this, "Invalid directory selection");
        break;
    case Platform::FolderChoice::Kind::Cancelled:
        break;
    }
    if (!error)
        std::filesystem::current_path(remembered, error);
}

void COptionsDialog::ApplyAndClose() {
    const std::string directory = FromQt(directoryText->text());
    if (directory.size() > Settings::directoryLimit) {
        platform.ShowMessage(this, LengthMessage(Settings::directoryLimit));
        directoryText->setFocus();
        directoryText->selectAll();
        return;
    }
    for (std::size_t i = 0; i < checkBoxes.size(); ++i)
        settings.*(checkBoxSpecs[i].field) = checkBoxes[i]->isChecked() ? 1 : 0;
    settings.saveDirectory = directory;
    settings.saveDirectoryConfirmed = 1;
    if (const std::optional<int> threads = ClampedThreadCount())
        settings.maxThreads = *threads;
    accept();
}
