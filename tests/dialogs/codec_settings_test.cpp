#include <gtest/gtest.h>

#include <QApplication>
#include <QPushButton>
#include <QRadioButton>
#include <QSettings>
#include <QTemporaryDir>
#include <QTimer>
#include <functional>

#include "common/message_recorder.h"
#include "core/profile.h"
#include "core/run_state.h"
#include "core/settings.h"
#include "dialogs/codec_settings_dialogs.h"
#include "dialogs/dlg_directory.h"
#include "recording/codec_settings.h"

namespace tesmira {
namespace {

// Answers the next modal dialog once it is up.
void WhenModalShows(std::function<void(QWidget*)> act) {
    QTimer::singleShot(0, [act] {
        QWidget* modal = QApplication::activeModalWidget();
        ASSERT_NE(modal, nullptr);
        act(modal);
    });
}

class CodecSettingsTest : public ::testing::Test {
protected:
    test::MessageRecorder messages;
    Settings settings_;
    RunState run_;
    EncoderSettings encoders_;
    EncoderPages& encoderPages() { return encoders_.Pages(); }
    CodecSettings codecSettings() const { return encoders_.For(settings_.mediaType); }
    DirectoryDeps Deps() { return DirectoryDeps{settings_, run_, encoders_.Pages(), messages, {}}; }
};

TEST_F(CodecSettingsTest, EachCompressorGetsOnlyItsOwnPageValues) {
    EncoderPages pages;
    pages.mjpegQuality = 40;
    pages.vfw[0] = {5, 30};
    pages.vfw[1] = {50, 90};
    const CodecSettings defaults;
    const CodecSettings mjpeg = CodecSettingsFor(1, pages);
    EXPECT_EQ(mjpeg.mediaType, 1);
    EXPECT_EQ(mjpeg.mjpegQuality, defaults.mjpegQuality);  // no page of its own
    EXPECT_EQ(CodecSettingsFor(2, pages).mjpegQuality, 40);
    const CodecSettings cinepak = CodecSettingsFor(3, pages);
    EXPECT_EQ(cinepak.keyFrameInterval, 5);
    EXPECT_EQ(cinepak.vfwQuality, 30);
    const CodecSettings msv1 = CodecSettingsFor(4, pages);
    EXPECT_EQ(msv1.keyFrameInterval, 50);
    EXPECT_EQ(msv1.vfwQuality, 90);
    pages.vfw[1] = {0, 500};  // garbage is clamped, never handed to the encoder
    EXPECT_EQ(CodecSettingsFor(4, pages).keyFrameInterval, kKeyFrameMin);
    EXPECT_EQ(CodecSettingsFor(4, pages).vfwQuality, kQualityMax);
}

TEST_F(CodecSettingsTest, TheNextRecordingsSettingsFollowTheCodecChoice) {
    encoderPages().mjpegQuality = 33;
    settings_.mediaType = 2;
    EXPECT_EQ(codecSettings().mediaType, 2);
    EXPECT_EQ(codecSettings().mjpegQuality, 33);
    settings_.mediaType = 0;
    EXPECT_EQ(codecSettings().mediaType, 0);
}

TEST_F(CodecSettingsTest, PageValuesSurviveARestartAndBadStoredValuesAreClamped) {
    MemoryProfile store;
    {
        EncoderPages pages;
        pages.mjpegQuality = 61;
        pages.vfw[0] = {12, 44};
        pages.vfw[1] = {3, 97};
        SaveEncoderPages(store, pages);
    }
    {
        EncoderPages pages;
        LoadEncoderPages(store, pages);
        EXPECT_EQ(pages.mjpegQuality, 61);
        EXPECT_EQ(pages.vfw[0].keyFrameInterval, 12);
        EXPECT_EQ(pages.vfw[0].quality, 44);
        EXPECT_EQ(pages.vfw[1].keyFrameInterval, 3);
        EXPECT_EQ(pages.vfw[1].quality, 97);
    }
    store.values["MJPG Quality"] = "1000";
    store.values["Cinepak KeyFrame"] = "soup";
    store.values["MSVideo1 Quality"] = "-5";
    {
        EncoderPages pages;
        pages.vfw[0].keyFrameInterval = 20;
        LoadEncoderPages(store, pages);
        EXPECT_EQ(pages.mjpegQuality, kQualityMax);
        EXPECT_EQ(pages.vfw[0].keyFrameInterval, 20);  // unreadable: the current value stays
        EXPECT_EQ(pages.vfw[1].quality, kQualityMin);
    }
}

TEST_F(CodecSettingsTest, SettingsChosenInTheDirectoryDialogReachTheNextRecording) {
    CDlgDirectory d(Deps());
    qobject_cast<QRadioButton*>(d.Control(1062))->click();  // MS Video 1
    WhenModalShows([](QWidget* modal) {
        auto* config = qobject_cast<CDlgVfwConfig*>(modal);
        ASSERT_NE(config, nullptr);
        EXPECT_EQ(config->windowTitle(), "Microsoft Video 1");
        config->SetValues(25, 60);
        config->accept();
    });
    qobject_cast<QPushButton*>(d.Control(1050))->click();
    EXPECT_EQ(codecSettings().mediaType, 4);
    EXPECT_EQ(codecSettings().keyFrameInterval, 25);
    EXPECT_EQ(codecSettings().vfwQuality, 60);

    qobject_cast<QRadioButton*>(d.Control(1060))->click();  // MJPG with its quality page
    WhenModalShows([](QWidget* modal) {
        auto* page = qobject_cast<CDlgMjpegQuality*>(modal);
        ASSERT_NE(page, nullptr);
        EXPECT_EQ(page->windowTitle(), "MJPG (Nikon) Commpression");
        page->SetQuality(42);
        page->accept();
    });
    qobject_cast<QPushButton*>(d.Control(1049))->click();
    d.reject();
    EXPECT_EQ(codecSettings().mediaType, 2);
    EXPECT_EQ(codecSettings().mjpegQuality, 42);
}

TEST_F(CodecSettingsTest, CancelledPagesChangeNothing) {
    settings_.mediaType = 3;
    WhenModalShows([](QWidget* modal) {
        auto* config = qobject_cast<CDlgVfwConfig*>(modal);
        ASSERT_NE(config, nullptr);
        config->SetValues(99, 10);
        config->reject();
    });
    EXPECT_FALSE(ShowCompressorDialog(nullptr, settings_.mediaType, encoderPages()));
    EXPECT_EQ(encoderPages().vfw[0].keyFrameInterval, VfwConfig{}.keyFrameInterval);
    // A compressor without a quality page says so instead of opening one.
    EXPECT_FALSE(ShowCompressorProperties(nullptr, settings_.mediaType, encoderPages(), messages));
    EXPECT_EQ(messages.messages.size(), 1u);
}

}  // namespace
}  // namespace tesmira
