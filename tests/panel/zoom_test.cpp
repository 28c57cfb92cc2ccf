// Zoom on the panel: placement of any factor on the slider, the steps, what the video view is
// told, the zoom edit, the fit button, the keys and the zoom forced to 1.0 while recording.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QSlider>
#include <QTest>

#include "common/message_recorder.h"
#include "panel/dlg_main.h"
#include "panel/zoom_steps.h"
#include "panel_test_support.h"

namespace tesmira {
namespace {

using test::PayloadNumber;

TEST(ZoomPlacement, RoundsClampsAndPlacesOnTheSlider) {
    struct Case {
        double typed, shown;
        int index;
    };
    const Case cases[] = {{0.05, 0.1, 0},   {12, 10.0, 16},   {1.234, 1.23, 6}, {0.83, 0.83, 6},
                          {0.824, 0.82, 5}, {0.099, 0.1, 0},  {0.1, 0.1, 0},    {10, 10, 16},
                          {9.5, 9.5, 16},   {9.49, 9.49, 15}, {1.0, 1.0, 6},    {0.14, 0.14, 1},
                          {-3, 0.1, 0}};
    for (const Case& c : cases) {
        const ZoomPlacement p = PlaceZoom(c.typed);
        EXPECT_NEAR(p.shown, c.shown, 1e-12) << c.typed;
        EXPECT_EQ(p.index, c.index) << c.typed;
    }
    EXPECT_EQ(PlaceZoom(std::nan("")).index, 6);
}

TEST(ZoomPlacement, EveryStepSitsOnItsOwnPosition) {
    for (int i = 0; i < kZoomSteps; ++i)
        EXPECT_EQ(PlaceZoom(kZoomStepTable[i]).index, i) << i;
}

class PanelZoomTest : public ::testing::Test {
protected:
    PanelZoomTest() {
        panel.Conditions().cameraReady = [] { return true; };
        world.run.isLive = true;
        panel.UpdateRecordControls();
    }
    QSlider* Slider() { return qobject_cast<QSlider*>(panel.Control(1039)); }
    QLineEdit* ZoomEdit() { return qobject_cast<QLineEdit*>(panel.Control(1040)); }
    bool Key(int key, Qt::KeyboardModifiers mods = Qt::NoModifier) {
        QKeyEvent e(QEvent::KeyPress, key, mods);
        return panel.PreTranslateKey(&e);
    }
    void ShowActive() {
        panel.show();
        panel.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&panel));
    }

    test::PanelWorld world;
    CDlgMain panel{world.Deps()};
    test::HintRecorder views{world.doc};
};

TEST_F(PanelZoomTest, StepsUpAndDownAndTellsTheViewEvenAtTheEnds) {
    panel.SetZoom(9.0);
    ASSERT_EQ(panel.Fields().zoomIndex, 15);
    panel.ZoomIn();
    panel.ZoomIn();
    ASSERT_EQ(views.Of(301).size(), 2u);
    EXPECT_DOUBLE_EQ(PayloadNumber(views.Of(301)[1].payload), 10.0);
    EXPECT_EQ(views.Of(301)[1].sender, &panel);
    EXPECT_EQ(panel.Fields().zoomIndex, 16);
    EXPECT_EQ(Slider()->value(), 16);
    EXPECT_EQ(ZoomEdit()->text(), QStringLiteral("10"));

    panel.SetZoom(0.1);
    views.records.clear();
    panel.ZoomOut();
    ASSERT_EQ(views.Of(301).size(), 1u);
    EXPECT_DOUBLE_EQ(PayloadNumber(views.Of(301)[0].payload), 0.1);
    EXPECT_EQ(panel.Fields().zoomIndex, 0);
    EXPECT_TRUE(views.Of(301).size() == 1u) << "moving the slider by program is not a user move";
}

TEST_F(PanelZoomTest, SetZoomShowsButDoesNotBroadcast) {
    panel.SetZoom(1.234);
    EXPECT_EQ(ZoomEdit()->text(), QStringLiteral("1.23"));
    EXPECT_EQ(Slider()->value(), 6);
    world.doc.UpdateAllViews(nullptr, UpdateHint::kSetZoom,
                             0.824);  // the graph attached the video
    EXPECT_EQ(ZoomEdit()->text(), QStringLiteral("0.82"));
    EXPECT_EQ(Slider()->value(), 5);
    EXPECT_TRUE(views.Of(301).empty());
}

TEST_F(PanelZoomTest, UserMovingTheSliderZoomsTheView) {
    Slider()->setValue(9);
    ASSERT_EQ(views.Of(301).size(), 1u);
    EXPECT_EQ(views.Of(301)[0].sender, nullptr);
    EXPECT_DOUBLE_EQ(PayloadNumber(views.Of(301)[0].payload), 3.0);
    EXPECT_EQ(ZoomEdit()->text(), QStringLiteral("3"));
}

TEST_F(PanelZoomTest, FitTakesTheFactorTheViewChose) {
    views.onHint = [this](UpdateHint hint, const HintPayload&) {
        if (hint == UpdateHint::kFitVideo)
            world.settings.defaultZoomFactor = 0.8333333333;
    };
    qobject_cast<QAbstractButton*>(panel.Control(1041))->click();
    ASSERT_EQ(views.Of(304).size(), 1u);
    EXPECT_DOUBLE_EQ(world.settings.defaultZoomFactor, 0.8333333333)
        << "the view keeps the exact factor";
    EXPECT_EQ(ZoomEdit()->text(), QStringLiteral("0.83"));
    EXPECT_EQ(Slider()->value(), 6);
    EXPECT_TRUE(views.Of(301).empty());
}

TEST_F(PanelZoomTest, TypedZoomIsAppliedOnEnterAndClamped) {
    ShowActive();
    ZoomEdit()->setFocus();
    QApplication::processEvents();
    ASSERT_TRUE(panel.Fields().zoomEditHasFocus);
    ZoomEdit()->setText("12");
    EXPECT_TRUE(Key(Qt::Key_Return));
    ASSERT_EQ(views.Of(301).size(), 1u);
    EXPECT_DOUBLE_EQ(PayloadNumber(views.Of(301)[0].payload), 10.0);
    EXPECT_EQ(panel.Fields().zoomIndex, 16);
    EXPECT_FALSE(ZoomEdit()->hasFocus()) << "the focus goes back to the panel";
    EXPECT_FALSE(panel.Fields().zoomEditHasFocus);
}

TEST_F(PanelZoomTest, TypedTextThatIsNoNumberIsRefusedAndNothingChanges) {
    ShowActive();
    panel.SetZoom(2.0);
    ZoomEdit()->setFocus();
    QApplication::processEvents();
    ZoomEdit()->setText("big");
    EXPECT_TRUE(Key(Qt::Key_Enter));
    ASSERT_EQ(world.notifier.messages.size(), 1u);
    EXPECT_EQ(world.notifier.messages[0].text, "数値を入力してください。");
    EXPECT_TRUE(views.Of(301).empty());
    EXPECT_EQ(panel.Fields().zoomIndex, 8);
}

TEST_F(PanelZoomTest, LeavingTheEditWithoutEnterDropsTheEntry) {
    ShowActive();
    world.settings.defaultZoomFactor = 1.5;
    ZoomEdit()->setFocus();
    QApplication::processEvents();
    ZoomEdit()->setText("7");
    panel.setFocus();
    QApplication::processEvents();
    EXPECT_EQ(ZoomEdit()->text(), QStringLiteral("1.5"));
    EXPECT_TRUE(views.Of(301).empty());
}

TEST_F(PanelZoomTest, KeysZoomAndMoveTheViewUnlessAnEditIsEdited) {
    panel.SetZoom(1.0);
    EXPECT_TRUE(Key(Qt::Key_Z));
    EXPECT_EQ(panel.Fields().zoomIndex, 7);
    EXPECT_TRUE(Key(Qt::Key_S, Qt::ShiftModifier));
    EXPECT_EQ(panel.Fields().zoomIndex, 6);
    EXPECT_TRUE(Key(Qt::Key_C));
    EXPECT_TRUE(Key(Qt::Key_G));
    ASSERT_EQ(views.Of(303).size(), 1u);
    ASSERT_EQ(views.Of(302).size(), 1u);
    EXPECT_EQ(views.Of(303)[0].sender, &panel);

    int seen = 0;
    panel.AddKeyHandler([&](QKeyEvent* e) {
        ++seen;
        return e->key() == Qt::Key_Space;
    });
    EXPECT_TRUE(Key(Qt::Key_Space));
    EXPECT_FALSE(Key(Qt::Key_F5));
    EXPECT_EQ(seen, 2);

    panel.Fields().editHasFocus = true;  // typing into a step edit
    views.records.clear();
    EXPECT_FALSE(Key(Qt::Key_Z));
    EXPECT_FALSE(Key(Qt::Key_Space));
    EXPECT_EQ(seen, 2) << "no jogging or recording keys while an edit is being edited";
    EXPECT_TRUE(views.records.empty());
    EXPECT_EQ(panel.Fields().zoomIndex, 6);
}

TEST_F(PanelZoomTest, ArrowsOnTheFocusedSliderZoomInsteadOfMovingIt) {
    ShowActive();
    panel.SetZoom(1.0);
    Slider()->setFocus();
    QApplication::processEvents();
    ASSERT_TRUE(Slider()->hasFocus());
    QTest::keyClick(Slider(), Qt::Key_Right);
    EXPECT_EQ(panel.Fields().zoomIndex, 7);
    EXPECT_EQ(Slider()->value(), 7);
    ASSERT_EQ(views.Of(301).size(), 1u) << "one zoom, the slider itself did not also move";
    QTest::keyClick(Slider(), Qt::Key_Left);
    QTest::keyClick(Slider(), Qt::Key_Left);
    EXPECT_EQ(panel.Fields().zoomIndex, 5);
    EXPECT_EQ(views.Of(301).size(), 3u);
}

}  // namespace
}  // namespace tesmira
