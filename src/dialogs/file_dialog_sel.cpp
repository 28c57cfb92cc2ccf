#include "dialogs/file_dialog_sel.h"

#include <QDir>
#include <filesystem>

#include "core/dialog_texts.h"
#include "dialogs/dlg_directory_rules.h"

namespace tesmira {

QStringList NameFiltersOf(const std::string& filter) {
    const QStringList parts = QString::fromStdString(filter).split('|');
    QStringList filters;
    for (int i = 0; i + 1 < parts.size(); i += 2) {
        const QString& text = parts[i];
        if (text.isEmpty())
            break;  // the closing "||"
        QString patterns = parts[i + 1];
        patterns.replace(';', ' ').replace("*.*", "*");
        QString name = text;
        // Qt reads the patterns from the brackets; "(*.*)" would hide files without a dot.
        const int open = name.lastIndexOf('(');
        if (open >= 0)
            name = name.left(open).trimmed();
        filters << QString("%1 (%2)").arg(name, patterns);
    }
    return filters;
}

CFileDialogSel::CFileDialogSel(QWidget* parent, const FolderPickRequest& request)
    : QFileDialog(parent) {
    setObjectName("folderPicker");
    setOption(QFileDialog::DontUseNativeDialog, true);
    setOption(QFileDialog::ShowDirsOnly, true);
    setFileMode(QFileDialog::Directory);
    setAcceptMode(QFileDialog::AcceptOpen);
    const QStringList filters = NameFiltersOf(request.filter);
    if (!filters.isEmpty())
        setNameFilters(filters);
    if (!request.okCaption.isEmpty())
        setLabelText(QFileDialog::Accept, request.okCaption);
    if (!request.title.isEmpty())
        setWindowTitle(request.title);
    setLabelText(QFileDialog::Reject, CancelCaption());
    // Folders under the home folder are often hidden ones ("~/.cache/..."): they must be
    // choosable too.
    setFilter(filter() | QDir::Hidden);
    // The picker opens where the folder can be seen and chosen again or changed for a sibling:
    // in its parent, with the folder itself selected.
    const std::filesystem::path folder(NormaliseFolder(request.folder));
    if (!folder.empty() && folder.has_parent_path() && folder != folder.root_path()) {
        setDirectory(QString::fromStdString(StartFolder(folder.parent_path().string())));
        if (std::filesystem::is_directory(folder))
            selectFile(QString::fromStdString(folder.filename().string()));
    } else {
        setDirectory(QString::fromStdString(StartFolder(request.folder)));
    }
}

std::string CFileDialogSel::Folder() const {
    const QStringList chosen = selectedFiles();
    const QString folder = chosen.isEmpty() ? directory().absolutePath() : chosen.first();
    return NormaliseFolder(QDir::cleanPath(folder).toStdString());
}

std::optional<std::string> PickFolder(QWidget* parent, const FolderPickRequest& request) {
    CFileDialogSel dialog(parent, request);
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return dialog.Folder();
}

}  // namespace tesmira
