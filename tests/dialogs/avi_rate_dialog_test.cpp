// Dialog 140: the rates shown, the custom edit enabled only for "カスタム", the range check and
// the persisted choice.
#include <gtest/gtest.h>

#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>

#include "common/message_recorder.h"
#include "core/settings.h"
#include "dialogs/avi_rate_dialog.h"

namespace tesmira {
namespace {

template <typename T>
T* Find(QWidget& root, int id) {
    for (T* w : root.findChildren<T*>())
        if (w->property("id").toInt() == id)
            return w;
    return nullptr;
}

TEST(AviRateDialog, ShowsTheRatesAndPersistsTheChoice) {
    Settings s;
    s.nRadioFps = 1;
    s.editFps = 29.97;
    test::MessageRecorder messages;
    AviRateInfo info{29.97, 30.0, 1234, 2};
    EXPECT_EQ(
        AviRateSummaryText(info),
        " 再生コマ速度\n      29.97 fps (header)\n     30.00 fps (stream)\n\n 総コマ数\n   1234 "
        "frames");
    CDlgAviRate dialog("/v/a.avi", info, s, messages);
    auto* custom = Find<QLineEdit>(dialog, 1192);
    ASSERT_NE(custom, nullptr);
    EXPECT_FALSE(custom->isEnabled());
    ASSERT_TRUE(Find<QRadioButton>(dialog, 1187)->isChecked()) << "stored choice restored";
    Find<QRadioButton>(dialog, 1190)->click();
    EXPECT_TRUE(custom->isEnabled());

    custom->setText("20000");
    dialog.accept();
    EXPECT_EQ(messages.messages.size(), 1u) << "out of range: message, dialog stays open";
    EXPECT_EQ(dialog.result(), 0);
    custom->setText("12.5");
    dialog.accept();
    EXPECT_EQ(dialog.result(), int(QDialog::Accepted));
    EXPECT_DOUBLE_EQ(dialog.ChosenRate(), 12.5);
    EXPECT_EQ(s.nRadioFps, 4);
    EXPECT_DOUBLE_EQ(s.editFps, 12.5);
    EXPECT_DOUBLE_EQ(ChosenReplayRate(2, 12.5), 59.94);
}

}  // namespace
}  // namespace tesmira
