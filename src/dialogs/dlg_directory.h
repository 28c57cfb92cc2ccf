// Dialog 135 "ディレクトリーとファイルタイプ" (menu 32775): the video folder, the work folder on a
// RAM disk, the codec of the recordings with its settings pages, the log folder, log type and
// whether logs are written. The codec applies at once (the capture graph is rebuilt on the radio
// click and stays after Cancel); the rest is stored by OK.
#pragma once

#include <QDialog>
#include <array>
#include <functional>
#include <optional>
#include <string>

#include "core/check_directory.h"
#include "dialogs/dlg_directory_rules.h"
#include "dialogs/file_dialog_sel.h"

class QAbstractButton;
class QButtonGroup;
class QCheckBox;
class QLineEdit;
class QPushButton;

namespace tesmira {

struct Settings;
struct RunState;
struct EncoderPages;
class INotifier;

// What the dialog works on; the composition root hands these in.
struct DirectoryDeps {
    Settings& settings;
    RunState& run;
    EncoderPages& encoderPages;
    INotifier& notifier;
    std::function<void()> rebuildCapture;  // the capture room's rebuild of the capture graph
    FolderPicker pickFolder;               // empty: the folder chooser (CFileDialogSel)
    FreeSpaceQuery freeSpace;              // empty: the file system is asked
};

// Menu 32775 is usable only while live video is stopped.
bool DirectoryDialogEnabled(const RunState& run);

class CDlgDirectory : public QDialog {
    Q_OBJECT
public:
    explicit CDlgDirectory(DirectoryDeps deps, QWidget* parent = nullptr);

    // The control with this "id" property, or nullptr.
    QWidget* Control(int id) const;

    void accept() override;
    void done(int result) override;

private:
    enum Folder { kVideo = 0, kWork = 1, kLog = 2 };

    void ShowValues();
    void ReadOptions();  // the check boxes and radios, never the folder edits
    std::string& FolderValue(Folder which);
    // Checks the folder typed in `which`: taken when it passes; otherwise the field keeps the
    // text, selected, and false. Without `repeatMessage` a text refused before is not reported
    // a second time.
    bool TakeTypedFolder(Folder which, bool repeatMessage);
    void CheckFolderEdit(Folder which);
    void Browse(Folder which);
    void OnCodecClicked(int mediaType);
    void UpdateCodecButtons();
    void RequestCaptureRebuild();  // under the wait cursor

    DirectoryDeps deps_;
    DirectoryValues values_;
    // The value each folder had after its last check, so OK does not repeat a message.
    std::array<std::string, 3> checked_;
    std::array<std::optional<std::string>, 3> refused_;  // the text each folder last refused
    std::array<QLineEdit*, 3> edits_{};
    QCheckBox* useTempDrive_ = nullptr;
    QButtonGroup* codecs_ = nullptr;
    QButtonGroup* logTypes_ = nullptr;
    QCheckBox* saveLog_ = nullptr;
    QPushButton* qualityPage_ = nullptr;
    QPushButton* vfwConfig_ = nullptr;
    bool closing_ = false;   // leaving a field while the dialog closes checks nothing
    bool checking_ = false;  // a folder check (and its message) is under way
};

// Menu 32775: runs the dialog modally; returns QDialog::Accepted or Rejected.
int ShowDirectoryDialog(DirectoryDeps deps, QWidget* parent);

}  // namespace tesmira
