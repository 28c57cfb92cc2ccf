#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>

#include "dialogs/dlg_directory_rules.h"
#include "dialogs/file_dialog_sel.h"

namespace tesmira {
namespace {

TEST(FolderPicker, FiltersBecomeQtNameFilters) {
    const QStringList filters =
        NameFiltersOf("AVI files (*.avi)|*.avi|MPEG2 Files (*.mpg)|*.mpg|All Files (*.*)|*.*||");
    ASSERT_EQ(filters.size(), 3);
    EXPECT_EQ(filters[0], "AVI files (*.avi)");
    EXPECT_EQ(filters[2], "All Files (*)");  // files without a dot are listed too
    EXPECT_TRUE(NameFiltersOf("").isEmpty());
    EXPECT_TRUE(NameFiltersOf("|||").isEmpty());
}

TEST(FolderPicker, StartsInTheFoldersParentWithItSelectedAndReturnsTheChosenOne) {
    QTemporaryDir dir;
    ASSERT_TRUE(QDir(dir.path()).mkpath("inner"));
    FolderPickRequest request;
    request.okCaption = QString::fromUtf8("決定");
    request.title = QString::fromUtf8("保存用ディレクトリー");
    request.folder = dir.path().toStdString() + "/inner/";
    request.filter = "AVI files (*.avi)|*.avi||";

    CFileDialogSel picker(nullptr, request);
    EXPECT_EQ(picker.windowTitle(), request.title);
    EXPECT_EQ(picker.labelText(QFileDialog::Accept), request.okCaption);
    EXPECT_EQ(picker.directory().absolutePath(), dir.path()) << "opens in the parent";
    EXPECT_TRUE(picker.testOption(QFileDialog::ShowDirsOnly));
    EXPECT_TRUE(picker.filter() & QDir::Hidden) << "hidden folders can be chosen";

    QTimer::singleShot(0, &picker, [&picker] {
        for (QPushButton* button : picker.findChildren<QPushButton*>()) {
            if (button->text() == QString::fromUtf8("決定"))
                button->click();
        }
    });
    ASSERT_EQ(picker.exec(), QDialog::Accepted);
    EXPECT_EQ(picker.Folder(), NormaliseFolder(dir.path().toStdString() + "/inner"));
}

TEST(FolderPicker, AVanishedFolderOpensItsNearestParentAndCancelGivesNothing) {
    QTemporaryDir dir;
    FolderPickRequest request;
    request.folder = dir.path().toStdString() + "/gone/away";
    CFileDialogSel picker(nullptr, request);
    EXPECT_EQ(picker.directory().absolutePath(), dir.path());

    QTimer::singleShot(0, [] {
        if (QWidget* modal = QApplication::activeModalWidget()) {
            qobject_cast<QDialog*>(modal)->reject();
        }
    });
    EXPECT_FALSE(PickFolder(nullptr, request));
}

}  // namespace
}  // namespace tesmira
