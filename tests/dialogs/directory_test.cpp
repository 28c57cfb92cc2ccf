#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTest>
#include <cstdlib>
#include <map>

#include "common/message_recorder.h"
#include "core/check_directory.h"
#include "core/run_state.h"
#include "core/settings.h"
#include "dialogs/dlg_directory.h"
#include "dialogs/file_dialog_sel.h"
#include "recording/codec_settings.h"

namespace tesmira {
namespace {

TEST(DirectoryRules, TypedFoldersAreTidied) {
    EXPECT_EQ(NormaliseFolder("  /data//video/ "), "/data/video");
    EXPECT_EQ(NormaliseFolder("/dev/shm/"), "/dev/shm");
    EXPECT_EQ(NormaliseFolder("/"), "/");
    EXPECT_EQ(NormaliseFolder("//"), "/");
    EXPECT_EQ(NormaliseFolder("   "), "");
    const std::string home = std::getenv("HOME");
    EXPECT_EQ(NormaliseFolder("~/Tesmira/Log"), NormaliseFolder(home + "/Tesmira/Log"));
    EXPECT_EQ(NormaliseFolder("~user/x"), "~user/x");  // only the own home is expanded
    EXPECT_TRUE(SameFolder("/a/b/", "/a/b"));
    EXPECT_FALSE(SameFolder("/a/b", "/a/bc"));
}

TEST(DirectoryRules, PickerStartsInTheNearestExistingFolder) {
    QTemporaryDir dir;
    const std::string root = dir.path().toStdString();
    EXPECT_EQ(StartFolder(root + "/"), root);
    EXPECT_EQ(StartFolder(root + "/gone/deeper"), root);
    EXPECT_EQ(StartFolder(""), NormaliseFolder(std::getenv("HOME")));
}

TEST(DirectoryRules, OnlyFolderAndRamDiskChangesRebuildTheGraph) {
    Settings s;
    s.dirVideo = "/v";
    s.tempDrive = "/dev/shm/";
    s.dirLog = "/l";
    DirectoryValues v = ReadDirectoryValues(s);
    v.dirLog = "/other-log";
    v.logFileType = 2;
    v.saveLog = true;
    EXPECT_FALSE(ApplyDirectoryValues(s, v));
    EXPECT_EQ(s.dirLog, "/other-log");
    EXPECT_EQ(s.logFileType, 2);
    EXPECT_EQ(s.saveLog, 1);
    v.tempDrive = "/dev/shm";  // the same folder written another way
    EXPECT_FALSE(ApplyDirectoryValues(s, v));
    v.dirVideo = "/v2";
    EXPECT_TRUE(ApplyDirectoryValues(s, v));
    EXPECT_EQ(s.dirVideo, "/v2");
    v.useTempDrive = true;
    EXPECT_TRUE(ApplyDirectoryValues(s, v));
    EXPECT_EQ(s.useTempDrive, 1);
    v.tempDrive = "/mnt/ram";
    EXPECT_TRUE(ApplyDirectoryValues(s, v));
}

TEST(DirectoryRules, AnEmptiedFolderIsRefusedUnlessItWasEmptyBefore) {
    Settings s;
    s.dirVideo = "/v";
    s.tempDrive = "";
    s.dirLog = "/l";
    DirectoryValues v = ReadDirectoryValues(s);
    EXPECT_EQ(RefusedFolder(s, v), -1);
    v.dirLog = "";
    EXPECT_EQ(RefusedFolder(s, v), 2);
    v.dirVideo = " ";
    EXPECT_EQ(RefusedFolder(s, v), 0);
}

// Three real folders whose free space the test decides.
class DirectoryDialog : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(video.isValid() && work.isValid() && log.isValid() && other.isValid());
        settings_.dirVideo = video.path().toStdString();
        settings_.tempDrive = work.path().toStdString() + "/";
        settings_.dirLog = log.path().toStdString();
        settings_.mediaType = 1;
    }

    template <typename W>
    static W* Get(CDlgDirectory& d, int id) {
        auto* w = qobject_cast<W*>(d.Control(id));
        EXPECT_NE(w, nullptr) << id;
        return w;
    }
    static void TypeAndLeave(CDlgDirectory& d, int id, const QString& text) {
        auto* edit = Get<QLineEdit>(d, id);
        edit->setText(text);
        Q_EMIT edit->editingFinished();
    }

    QTemporaryDir video, work, log, other;
    std::map<std::string, int64_t> freeMb;
    int rebuilds = 0;
    test::MessageRecorder messages;
    Settings settings_;
    RunState run_;
    EncoderPages pages_;
    FolderPicker picker;  // empty: the real chooser
    DirectoryDeps Deps() {
        return DirectoryDeps{settings_,
                             run_,
                             pages_,
                             messages,
                             [this] { ++rebuilds; },
                             picker,
                             [this](const std::string& path) {
                                 const auto it = freeMb.find(NormaliseFolder(path));
                                 return it == freeMb.end() ? int64_t{5000} : it->second;
                             }};
    }
};

TEST_F(DirectoryDialog, ShowsEveryControlWithTheStoredValues) {
    settings_.useTempDrive = 1;
    settings_.logFileType = 1;
    settings_.saveLog = 1;
    CDlgDirectory d(Deps());
    EXPECT_EQ(d.windowTitle(), QString::fromUtf8("ディレクトリーとファイルタイプ"));
    EXPECT_EQ(d.property("id").toInt(), 135);
    for (int id : {1021, 1022, 1026, 1027, 1028, 1029, 1030, 1031, 1032, 1033,
                   1049, 1050, 1058, 1059, 1060, 1061, 1062, 1196, 1,    2}) {
        EXPECT_NE(d.Control(id), nullptr) << id;
    }
    EXPECT_EQ(Get<QLineEdit>(d, 1021)->text(), video.path());
    EXPECT_TRUE(Get<QCheckBox>(d, 1028)->isChecked());
    EXPECT_TRUE(Get<QRadioButton>(d, 1059)->isChecked());
    EXPECT_TRUE(Get<QRadioButton>(d, 1032)->isChecked());
    EXPECT_TRUE(Get<QCheckBox>(d, 1196)->isChecked());
    EXPECT_EQ(Get<QPushButton>(d, 1050)->text(), " VfW Compressor Config");
}

TEST_F(DirectoryDialog, AFolderWith119MegabytesIsRefusedAnd120Accepted) {
    freeMb[NormaliseFolder(other.path().toStdString())] = 119;
    CDlgDirectory d(Deps());
    TypeAndLeave(d, 1021, other.path());
    ASSERT_EQ(messages.messages.size(), 1u);
    EXPECT_NE(messages.messages[0].text.find("119 MB"), std::string::npos);
    EXPECT_EQ(Get<QLineEdit>(d, 1021)->text(), other.path()) << "what was typed stays";

    freeMb[NormaliseFolder(other.path().toStdString())] = 120;
    TypeAndLeave(d, 1021, other.path());
    EXPECT_EQ(messages.messages.size(), 1u);
    EXPECT_EQ(Get<QLineEdit>(d, 1021)->text(), other.path());
    d.accept();
    EXPECT_EQ(d.result(), QDialog::Accepted);
    EXPECT_EQ(settings_.dirVideo, other.path().toStdString());
    EXPECT_EQ(rebuilds, 1);
}

TEST_F(DirectoryDialog, AFolderChosenWithThePickerIsCheckedToo) {
    std::vector<FolderPickRequest> requests;
    std::string answer = other.path().toStdString();
    picker = [&](const FolderPickRequest& r) {
        requests.push_back(r);
        return std::optional<std::string>(answer);
    };
    freeMb[NormaliseFolder(answer)] = 119;
    CDlgDirectory d(Deps());
    Get<QPushButton>(d, 1027)->click();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].okCaption, QString::fromUtf8("決定"));
    EXPECT_EQ(requests[0].title, QString::fromUtf8("作業用ディレクトリー"));
    EXPECT_EQ(requests[0].folder, NormaliseFolder(work.path().toStdString()));
    EXPECT_EQ(Get<QLineEdit>(d, 1026)->text(), work.path() + "/")
        << "a refused pick changes nothing";
    EXPECT_EQ(messages.messages.size(), 1u);

    Get<QPushButton>(d, 1030)->click();
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_EQ(requests[1].title, QString::fromUtf8("保存用ディレクトリー"));
    EXPECT_NE(requests[1].filter.find("*.csv"), std::string::npos);
    EXPECT_EQ(Get<QLineEdit>(d, 1029)->text(), log.path());

    answer = log.path().toStdString() + "/";
    Get<QPushButton>(d, 1030)->click();
    EXPECT_EQ(Get<QLineEdit>(d, 1029)->text(), log.path());
}

TEST_F(DirectoryDialog, OkWithAnEmptiedFolderStaysOpenAndCancelKeepsTheStoredOne) {
    const std::string stored = settings_.dirLog;
    CDlgDirectory d(Deps());
    d.show();
    TypeAndLeave(d, 1029, "/no/such/folder/here");
    EXPECT_EQ(messages.messages.size(), 1u);
    d.accept();
    EXPECT_TRUE(d.isVisible());
    EXPECT_EQ(messages.messages.size(), 1u);  // the same emptied field is not reported twice
    EXPECT_EQ(settings_.dirLog, stored);
    d.reject();
    EXPECT_EQ(settings_.dirLog, stored);
}

TEST_F(DirectoryDialog, ARefusedFolderKeepsTheTypingAndLeavesEveryOtherFieldAlone) {
    CDlgDirectory d(Deps());
    d.show();
    Get<QRadioButton>(d, 1061)->click();  // Cinepak
    TypeAndLeave(d, 1026, other.path() + "/");
    TypeAndLeave(d, 1021, "/no/such/folder/here");
    ASSERT_EQ(messages.messages.size(), 1u);
    auto* videoEdit = Get<QLineEdit>(d, 1021);
    EXPECT_EQ(videoEdit->text(), "/no/such/folder/here");
    EXPECT_EQ(videoEdit->selectedText(), videoEdit->text()) << "selected, ready to be corrected";
    EXPECT_TRUE(Get<QRadioButton>(d, 1061)->isChecked()) << "the codec choice stays";
    EXPECT_EQ(settings_.mediaType, 3);
    EXPECT_EQ(Get<QLineEdit>(d, 1026)->text(), other.path() + "/") << "other paths as typed";
    EXPECT_EQ(Get<QLineEdit>(d, 1029)->text(), log.path());

    d.accept();  // refused again, but not told twice
    EXPECT_TRUE(d.isVisible());
    EXPECT_EQ(messages.messages.size(), 1u);
    EXPECT_EQ(settings_.dirVideo, video.path().toStdString());

    videoEdit->setText(other.path());
    d.accept();
    EXPECT_EQ(d.result(), QDialog::Accepted);
    EXPECT_EQ(settings_.dirVideo, other.path().toStdString());
    EXPECT_EQ(settings_.tempDrive, other.path().toStdString());
}

TEST_F(DirectoryDialog, AFolderTypedWithoutLeavingTheFieldIsCheckedByOk) {
    CDlgDirectory d(Deps());
    d.show();
    Get<QLineEdit>(d, 1021)->setText("/no/such/folder/here");
    d.accept();
    EXPECT_EQ(messages.messages.size(), 1u);
    EXPECT_TRUE(d.isVisible());
    EXPECT_EQ(settings_.dirVideo, video.path().toStdString());
    EXPECT_EQ(rebuilds, 0);
}

TEST_F(DirectoryDialog, ChangingOnlyTheLogSettingsDoesNotRebuildTheGraph) {
    CDlgDirectory d(Deps());
    TypeAndLeave(d, 1029, other.path());
    Get<QRadioButton>(d, 1033)->click();
    Get<QCheckBox>(d, 1196)->click();
    d.accept();
    EXPECT_EQ(d.result(), QDialog::Accepted);
    EXPECT_EQ(settings_.dirLog, other.path().toStdString());
    EXPECT_EQ(settings_.logFileType, 2);
    EXPECT_EQ(settings_.saveLog, 1);
    EXPECT_EQ(rebuilds, 0);
    EXPECT_TRUE(messages.messages.empty());
}

TEST_F(DirectoryDialog, RamDiskOptionChangeRebuildsOnceOnOk) {
    CDlgDirectory d(Deps());
    Get<QCheckBox>(d, 1028)->click();
    TypeAndLeave(d, 1026, other.path());
    EXPECT_EQ(rebuilds, 0);
    d.accept();
    EXPECT_EQ(settings_.useTempDrive, 1);
    EXPECT_EQ(settings_.tempDrive, other.path().toStdString());
    EXPECT_EQ(rebuilds, 1);
}

TEST_F(DirectoryDialog, CodecClickAppliesAtOnceAndSurvivesCancel) {
    CDlgDirectory d(Deps());
    auto* quality = Get<QPushButton>(d, 1049);
    auto* vfw = Get<QPushButton>(d, 1050);
    EXPECT_FALSE(quality->isEnabled());
    EXPECT_FALSE(vfw->isEnabled());
    Get<QLineEdit>(d, 1029)->setText(other.path());  // an edit Cancel must drop

    Get<QRadioButton>(d, 1061)->click();  // Cinepak
    EXPECT_EQ(settings_.mediaType, 3);
    EXPECT_EQ(rebuilds, 1);
    EXPECT_FALSE(quality->isEnabled());
    EXPECT_TRUE(vfw->isEnabled());
    EXPECT_EQ(Get<QLineEdit>(d, 1029)->text(), other.path());  // the typed text survives

    Get<QRadioButton>(d, 1061)->click();  // the same codec again: nothing to rebuild
    EXPECT_EQ(rebuilds, 1);
    Get<QRadioButton>(d, 1060)->click();
    EXPECT_TRUE(quality->isEnabled());
    EXPECT_FALSE(vfw->isEnabled());
    EXPECT_EQ(rebuilds, 2);

    d.reject();
    EXPECT_EQ(settings_.mediaType, 2);
    EXPECT_EQ(settings_.dirLog, log.path().toStdString());
    EXPECT_EQ(rebuilds, 2);
}

TEST_F(DirectoryDialog, LeavingAFieldReportsABadFolderButClosingTheDialogDoesNot) {
    CDlgDirectory d(Deps());
    d.show();
    QApplication::setActiveWindow(&d);
    auto* videoEdit = Get<QLineEdit>(d, 1021);
    videoEdit->setFocus();
    videoEdit->clear();
    QTest::keyClicks(videoEdit, "/no/such/folder");
    Get<QLineEdit>(d, 1029)->setFocus();
    EXPECT_EQ(messages.messages.size(), 1u);
    EXPECT_EQ(videoEdit->text(), "/no/such/folder");

    auto* logEdit = Get<QLineEdit>(d, 1029);
    QTest::keyClicks(logEdit, "/also/missing");
    QTest::keyClick(&d, Qt::Key_Escape);
    EXPECT_FALSE(d.isVisible());
    EXPECT_EQ(messages.messages.size(), 1u);
    EXPECT_EQ(settings_.dirVideo, video.path().toStdString());
}

}  // namespace
}  // namespace tesmira
