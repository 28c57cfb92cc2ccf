// Every modal dialog of the program, walked the same way: a Cancel button reads "キャンセル"
// wherever there is one, and Enter presses the dialog's default button. The time-limit dialog
// keeps Enter for checking its fields, as designed, and must not close on it.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <functional>
#include <memory>

#include "app/about_dlg.h"
#include "capture/camera_dialogs.h"
#include "common/message_recorder.h"
#include "core/run_state.h"
#include "core/settings.h"
#include "dialogs/avi_rate_dialog.h"
#include "dialogs/codec_settings_dialogs.h"
#include "dialogs/dlg_directory.h"
#include "dialogs/dlg_port_select.h"
#include "dialogs/dlg_time_limit.h"
#include "dialogs/file_dialog_sel.h"
#include "media/device_catalog.h"
#include "recording/avi_rate.h"
#include "recording/codec_settings.h"
#include "serial/port_assignment_model.h"

namespace tesmira::test {
namespace {

// No cameras and no microphones.
class EmptyCatalog : public IDeviceCatalog {
public:
    std::optional<std::vector<CaptureDevice>> Cameras() override {
        return std::vector<CaptureDevice>{};
    }
    std::optional<std::vector<CaptureDevice>> Microphones() override {
        return std::vector<CaptureDevice>{};
    }
    GstElement* CreateCameraSource(const std::string&) override { return nullptr; }
    GstElement* CreateMicrophoneSource(const std::string&) override { return nullptr; }
};

QString Plain(QString caption) {
    return caption.remove(QLatin1Char('&'));
}

bool LooksLikeCancel(const QString& caption) {
    const QString c = Plain(caption);
    return c.compare(QStringLiteral("Cancel"), Qt::CaseInsensitive) == 0 ||
           c == QString::fromUtf8("ｷｬﾝｾﾙ") || c == QString::fromUtf8("キャンセル") ||
           c == QString::fromUtf8("取消");
}

struct Walk {
    const char* name;
    std::function<std::unique_ptr<QDialog>()> make;
    const char* enterPresses;  // caption of the button Enter presses; nullptr: Enter presses none
    bool hasCancel;
};

class DialogWalk : public ::testing::Test {
protected:
    // The folders dialog's parts: no capture graph to rebuild and a terabyte free everywhere.
    DirectoryDeps FolderDeps() {
        const auto terabyteFree = [](const std::string&) { return int64_t{1} << 40; };
        return {settings, run, pages, messages, [] {}, {}, terabyteFree};
    }

    Settings settings;
    RunState run;
    MessageRecorder messages;
    EncoderPages pages;
    EmptyCatalog catalog;
    PortAssignmentModel ports{PortAssignment{}, [] { return std::vector<std::string>{}; }};
};

TEST_F(DialogWalk, OneCancelCaptionAndEnterPressesTheDefaultButton) {
    ports.Initialise();
    settings.dirVideo = "/";  // a folder that exists, so OK has nothing to refuse
    settings.dirLog = "/";
    const Walk walks[] = {
        {"about", [] { return std::make_unique<CAboutDlg>(QStringLiteral("v")); }, "OK", false},
        {"MJPEG quality", [] { return std::make_unique<CDlgMjpegQuality>(nullptr, 75); }, "OK",
         true},
        {"compressor configuration",
         [] { return std::make_unique<CDlgVfwConfig>(nullptr, QStringLiteral("Cinepak"), 15, 75); },
         "OK", true},
        {"folders and codec", [this] { return std::make_unique<CDlgDirectory>(FolderDeps()); },
         "OK", true},
        {"time limit",
         [this] {
             return std::make_unique<CDlgTimeLimit>(TimeLimitDeps{settings, messages, {}});
         },
         nullptr, true},
        {"frame-rate rewrite",
         [this] {
             return std::make_unique<CDlgAviRate>("/tmp/x.avi", AviRateInfo{30.0, 30.0, 10, 1},
                                                  settings, messages);
         },
         "書き換え", true},
        {"port assignment", [this] { return std::make_unique<CDlgPortSelect>(ports); }, "OK", true},
        {"camera choice", [this] { return std::make_unique<CDlgCameraSelect>(catalog, "", ""); },
         "OK", true},
        {"folder picker",
         [] {
             return std::make_unique<CFileDialogSel>(
                 nullptr, FolderPickRequest{QString::fromUtf8("決定"), QStringLiteral("t"), "/tmp",
                                            "All Files (*.*)|*.*||"});
         },
         "決定", true},
    };
    for (const Walk& w : walks) {
        SCOPED_TRACE(w.name);
        std::unique_ptr<QDialog> dialog = w.make();
        dialog->show();
        QApplication::processEvents();
        int cancels = 0;
        QString pressed;
        const auto buttons = dialog->findChildren<QPushButton*>();
        for (QPushButton* b : buttons) {
            if (LooksLikeCancel(b->text())) {
                ++cancels;
                EXPECT_EQ(QString::fromUtf8("キャンセル"), b->text());
            }
            QObject::connect(b, &QAbstractButton::clicked, dialog.get(),
                             [&pressed, b] { pressed = Plain(b->text()); });
        }
        EXPECT_EQ(w.hasCancel ? 1 : 0, cancels);
        QTest::keyClick(dialog.get(), Qt::Key_Return);
        QApplication::processEvents();
        if (w.enterPresses) {
            EXPECT_EQ(QString::fromUtf8(w.enterPresses), pressed);
        } else {
            EXPECT_TRUE(pressed.isEmpty()) << "Enter pressed " << pressed.toStdString();
            EXPECT_TRUE(dialog->isVisible()) << "Enter closed the dialog";
        }
        dialog->hide();
    }
}

TEST_F(DialogWalk, FieldsShowTheirUsualContentsWhole) {
    ports.Initialise();
    CDlgDirectory folders(FolderDeps());
    folders.show();
    QApplication::processEvents();
    const QString folder = QStringLiteral("/home/microscope/.local/share/tesmira-demo/Video/");
    for (int id : {1021, 1026, 1029}) {
        auto* edit = qobject_cast<QLineEdit*>(folders.Control(id));
        ASSERT_TRUE(edit) << id;
        EXPECT_GE(edit->width(), edit->fontMetrics().horizontalAdvance(folder) + 8) << id;
    }

    CDlgPortSelect portDialog(ports);
    portDialog.show();
    QApplication::processEvents();
    const QString port = QStringLiteral("/run/user/1000/tesmira-lab-1000/links/meter");
    for (int slot = 1; slot <= 4; ++slot) {
        auto* name = portDialog.findChild<QLabel*>(QStringLiteral("portName%1").arg(slot));
        ASSERT_TRUE(name) << slot;
        EXPECT_GE(name->contentsRect().width(), name->fontMetrics().horizontalAdvance(port))
            << slot;
    }
}

}  // namespace
}  // namespace tesmira::test
