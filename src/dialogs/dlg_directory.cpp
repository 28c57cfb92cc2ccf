#include "dialogs/dlg_directory.h"

#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "core/check_directory.h"
#include "core/dialog_texts.h"
#include "core/run_state.h"
#include "core/settings.h"
#include "core/status_line.h"
#include "dialogs/codec_settings_dialogs.h"
#include "dialogs/file_dialog_sel.h"
#include "recording/codec_settings.h"

namespace tesmira {
namespace {

// A folder path of the usual length, which the folder fields show whole.
constexpr char kTypicalFolder[] = "/home/microscope/.local/share/tesmira-demo/Video/";

constexpr const char* kAviFilter =
    "AVI files (*.avi)|*.avi|MPEG2 Files (*.mpg)|*.mpg|All Files (*.*)|*.*||";
constexpr const char* kLogFilter =
    QT_TRANSLATE_NOOP("tesmira::CDlgDirectory",
                      "活図　データファイル (*.dat)|*.dat|テキスト　ファイル (*.txt)|*.txt|"
                      "エクセル　ファイル (*.csv)|*.csv|All Files (*.*)|*.*||");

template <typename W>
W* Tag(W* widget, int id, const char* name) {
    widget->setProperty("id", id);
    widget->setObjectName(name);
    return widget;
}

}  // namespace

void CDlgDirectory::RequestCaptureRebuild() {
    if (!deps_.rebuildCapture)
        return;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    deps_.rebuildCapture();
    QApplication::restoreOverrideCursor();
}

bool DirectoryDialogEnabled(const RunState& run) {
    return !run.isLive;
}

CDlgDirectory::CDlgDirectory(DirectoryDeps deps, QWidget* parent)
    : QDialog(parent), deps_(std::move(deps)) {
    setProperty("id", 135);
    setObjectName("directoryDialog");
    setWindowTitle(tr("ディレクトリーとファイルタイプ"));
    values_ = ReadDirectoryValues(deps_.settings);
    checked_ = {NormaliseFolder(values_.dirVideo), NormaliseFolder(values_.tempDrive),
                NormaliseFolder(values_.dirLog)};

    auto folderRow = [this](QGridLayout* grid, int row, Folder which, int editId, int buttonId,
                            const char* editName, const char* buttonName) {
        edits_[which] = Tag(new QLineEdit(this), editId, editName);
        // A folder under the home folder shows in full.
        edits_[which]->setMinimumWidth(
            edits_[which]->fontMetrics().horizontalAdvance(QString::fromLatin1(kTypicalFolder)) +
            16);
        auto* browse = Tag(new QPushButton(tr("参照"), this), buttonId, buttonName);
        browse->setAutoDefault(false);
        grid->addWidget(edits_[which], row, 1);
        grid->addWidget(browse, row, 2);
        connect(edits_[which], &QLineEdit::editingFinished, this,
                [this, which] { CheckFolderEdit(which); });
        connect(browse, &QPushButton::clicked, this, [this, which] { Browse(which); });
    };

    // Video: folder, RAM-disk option and work folder.
    auto* video = new QGroupBox(tr("動画"), this);
    auto* videoGrid = new QGridLayout(video);
    videoGrid->addWidget(new QLabel(tr("保存先："), video), 0, 0);
    folderRow(videoGrid, 0, kVideo, 1021, 1022, "videoFolderEdit", "videoFolderBrowse");
    useTempDrive_ =
        Tag(new QCheckBox(tr("作業用にRAMディスクを使う　→"), video), 1028, "useTempDriveCheck");
    videoGrid->addWidget(useTempDrive_, 1, 0);
    folderRow(videoGrid, 1, kWork, 1026, 1027, "workFolderEdit", "workFolderBrowse");

    // Codec radios and the two settings pages.
    auto* codecBox = new QGroupBox("CODEs for OpenDML AVI files ", this);
    auto* codecLayout = new QGridLayout(codecBox);
    codecs_ = new QButtonGroup(this);
    const char* codecNames[5] = {"codecRawRadio", "codecMjpegRadio", "codecMjpegPageRadio",
                                 "codecCinepakRadio", "codecMsVideo1Radio"};
    for (int i = 0; i < 5; ++i) {
        auto* radio =
            Tag(new QRadioButton(QCoreApplication::translate("StatusLine", CodecChoiceCaption(i)),
                                 codecBox),
                1058 + i, codecNames[i]);
        codecs_->addButton(radio, i);
        codecLayout->addWidget(radio, i, 0);
    }
    qualityPage_ = Tag(new QPushButton(tr("画質設定"), codecBox), 1049, "qualityPageButton");
    vfwConfig_ = Tag(new QPushButton(" VfW Compressor Config", codecBox), 1050, "vfwConfigButton");
    qualityPage_->setAutoDefault(false);
    vfwConfig_->setAutoDefault(false);
    codecLayout->addWidget(qualityPage_, 2, 1);
    codecLayout->addWidget(vfwConfig_, 3, 1, 2, 1);
    connect(codecs_, &QButtonGroup::idClicked, this, &CDlgDirectory::OnCodecClicked);
    connect(qualityPage_, &QPushButton::clicked, this, [this] {
        ShowCompressorProperties(this, deps_.settings.mediaType, deps_.encoderPages,
                                 deps_.notifier);
    });
    connect(vfwConfig_, &QPushButton::clicked, this,
            [this] { ShowCompressorDialog(this, deps_.settings.mediaType, deps_.encoderPages); });

    // Recording logs: folder, type and whether they are written.
    auto* logBox = new QGroupBox(tr("ステージ動作・コマ落ち等記録"), this);
    auto* logGrid = new QGridLayout(logBox);
    logGrid->addWidget(new QLabel(tr("保存先："), logBox), 0, 0);
    folderRow(logGrid, 0, kLog, 1029, 1030, "logFolderEdit", "logFolderBrowse");
    logTypes_ = new QButtonGroup(this);
    auto* typeRow = new QHBoxLayout;
    const char* typeTexts[3] = {QT_TRANSLATE_NOOP("tesmira::CDlgDirectory", "DAT（活図）"),
                                QT_TRANSLATE_NOOP("tesmira::CDlgDirectory", "TXT（ｴﾃﾞｨﾀｰ）"),
                                QT_TRANSLATE_NOOP("tesmira::CDlgDirectory", "CSV（ｴｸｾﾙ）")};
    const char* typeNames[3] = {"logDatRadio", "logTxtRadio", "logCsvRadio"};
    for (int i = 0; i < 3; ++i) {
        auto* radio = Tag(new QRadioButton(tr(typeTexts[i]), logBox), 1031 + i, typeNames[i]);
        logTypes_->addButton(radio, i);
        typeRow->addWidget(radio);
    }
    logGrid->addLayout(typeRow, 1, 0, 1, 3);
    saveLog_ =
        Tag(new QCheckBox(tr("実際に，記録をファイルに書き出す"), logBox), 1196, "saveLogCheck");
    logGrid->addWidget(saveLog_, 2, 0, 1, 3);

    auto* ok = Tag(new QPushButton("OK", this), 1, "okButton");
    auto* cancel = Tag(new QPushButton(CancelCaption(), this), 2, "cancelButton");
    ok->setDefault(true);
    cancel->setAutoDefault(false);
    connect(ok, &QPushButton::clicked, this, &CDlgDirectory::accept);
    connect(cancel, &QPushButton::clicked, this, &CDlgDirectory::reject);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(ok);
    buttons->addWidget(cancel);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(video);
    layout->addWidget(codecBox);
    layout->addWidget(logBox);
    layout->addLayout(buttons);
    setMinimumWidth(560);

    UpdateCodecButtons();
    ShowValues();
}

QWidget* CDlgDirectory::Control(int id) const {
    for (QWidget* w : findChildren<QWidget*>()) {
        if (w->property("id").toInt() == id)
            return w;
    }
    return nullptr;
}

void CDlgDirectory::ShowValues() {
    edits_[kVideo]->setText(QString::fromStdString(values_.dirVideo));
    edits_[kWork]->setText(QString::fromStdString(values_.tempDrive));
    edits_[kLog]->setText(QString::fromStdString(values_.dirLog));
    useTempDrive_->setChecked(values_.useTempDrive);
    if (QAbstractButton* codec = codecs_->button(deps_.settings.mediaType))
        codec->setChecked(true);
    if (QAbstractButton* type = logTypes_->button(values_.logFileType))
        type->setChecked(true);
    saveLog_->setChecked(values_.saveLog);
}

void CDlgDirectory::ReadOptions() {
    values_.useTempDrive = useTempDrive_->isChecked();
    if (logTypes_->checkedId() >= 0)
        values_.logFileType = logTypes_->checkedId();
    values_.saveLog = saveLog_->isChecked();
}

std::string& CDlgDirectory::FolderValue(Folder which) {
    switch (which) {
        case kVideo:
            return values_.dirVideo;
        case kWork:
            return values_.tempDrive;
        case kLog:
            break;
    }
    return values_.dirLog;
}

bool CDlgDirectory::TakeTypedFolder(Folder which, bool repeatMessage) {
    const std::string typed = NormaliseFolder(edits_[which]->text().toStdString());
    if (typed == checked_[which]) {
        FolderValue(which) = typed;
        return true;  // already checked (and reported) in this form
    }
    std::string candidate = typed;
    const bool knownBad = !repeatMessage && refused_[which] && *refused_[which] == typed;
    if (knownBad || !CheckDirectory(candidate, deps_.notifier, deps_.freeSpace)) {
        refused_[which] = typed;
        // The message has been shown; the field keeps what was typed, selected for correcting,
        // and the folder in use stays the last one that passed. Nothing else is touched.
        QLineEdit* edit = edits_[which];
        edit->setFocus(Qt::OtherFocusReason);
        edit->selectAll();
        return false;
    }
    FolderValue(which) = typed;
    checked_[which] = typed;
    refused_[which].reset();
    return true;
}

void CDlgDirectory::CheckFolderEdit(Folder which) {
    if (closing_ || checking_)
        return;
    // The message box takes the focus from the edit: that is not the user leaving it again.
    checking_ = true;
    TakeTypedFolder(which, /*repeatMessage=*/true);
    checking_ = false;
}

void CDlgDirectory::Browse(Folder which) {
    ReadOptions();
    FolderPickRequest request;
    request.okCaption = tr("決定");
    request.title = which == kWork ? tr("作業用ディレクトリー") : tr("保存用ディレクトリー");
    request.folder = NormaliseFolder(FolderValue(which));
    request.filter = which == kLog ? tr(kLogFilter).toStdString() : kAviFilter;
    const std::optional<std::string> chosen =
        deps_.pickFolder ? deps_.pickFolder(request) : PickFolder(this, request);
    if (!chosen)
        return;
    std::string folder = NormaliseFolder(*chosen);
    if (!CheckDirectory(folder, deps_.notifier, deps_.freeSpace))
        return;  // the field keeps what it had
    FolderValue(which) = folder;
    checked_[which] = folder;
    edits_[which]->setText(QString::fromStdString(folder));
}

void CDlgDirectory::OnCodecClicked(int mediaType) {
    if (mediaType != deps_.settings.mediaType) {
        deps_.settings.mediaType = mediaType;
        RequestCaptureRebuild();
    }
    UpdateCodecButtons();
}

void CDlgDirectory::UpdateCodecButtons() {
    qualityPage_->setEnabled(QualityPageUsable(deps_.settings.mediaType));
    vfwConfig_->setEnabled(VfwConfigUsable(deps_.settings.mediaType));
}

void CDlgDirectory::accept() {
    ReadOptions();
    // A folder typed but not yet checked is checked now; a refused one keeps the dialog open
    // with that field selected (Cancel keeps the stored folders).
    for (Folder which : {kVideo, kWork, kLog}) {
        checking_ = true;
        const bool taken = TakeTypedFolder(which, /*repeatMessage=*/false);
        checking_ = false;
        if (!taken)
            return;
    }
    const int refused = RefusedFolder(deps_.settings, values_);
    if (refused >= 0) {
        edits_[refused]->setFocus();
        return;
    }
    if (ApplyDirectoryValues(deps_.settings, values_))
        RequestCaptureRebuild();
    QDialog::accept();
}

void CDlgDirectory::done(int result) {
    closing_ = true;
    QDialog::done(result);
    closing_ = false;
}

int ShowDirectoryDialog(DirectoryDeps deps, QWidget* parent) {
    CDlgDirectory dialog(std::move(deps), parent);
    return dialog.exec();
}

}  // namespace tesmira
