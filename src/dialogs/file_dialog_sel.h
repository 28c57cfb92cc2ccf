// The folder picker: a folder chooser that opens in the current folder and carries its own OK
// caption and window title. It is Qt's own (non-native) dialog so the captions always apply.
#pragma once

#include <QFileDialog>
#include <functional>
#include <optional>
#include <string>

namespace tesmira {

struct FolderPickRequest {
    QString okCaption;   // "決定"
    QString title;       // "保存用ディレクトリー" / "作業用ディレクトリー"
    std::string folder;  // the current value; the chooser starts there (or its nearest parent)
    std::string filter;  // "Text (*.ext)|*.ext|...||" as the dialog lists the kinds of file
};

class CFileDialogSel : public QFileDialog {
    Q_OBJECT
public:
    CFileDialogSel(QWidget* parent, const FolderPickRequest& request);
    // The folder accepted with OK ("/" separators, no trailing "/").
    std::string Folder() const;
};

// "A (*.a)|*.a|B (*.b)|*.b||" → {"A (*.a)", "B (*.b)"}; "*.*" lists every file.
QStringList NameFiltersOf(const std::string& filter);

// Runs the picker modally; nullopt when cancelled.
std::optional<std::string> PickFolder(QWidget* parent, const FolderPickRequest& request);

// Another way to pick a folder (tests answer without a modal window); callers that hold an empty
// one use PickFolder.
using FolderPicker = std::function<std::optional<std::string>(const FolderPickRequest&)>;

}  // namespace tesmira
