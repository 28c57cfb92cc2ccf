// A refused entry in one of the real panel's edits, with a real modal message box in between:
// afterwards the edit and the stage must agree, and the keys must come back to the panel.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QLineEdit>
#include <QMessageBox>
#include <QPointer>
#include <QTest>
#include <QTimer>
#include <memory>

#include "binders/stage_binder.h"
#include "common/hint_recorder.h"
#include "core/run_state.h"
#include "panel/dlg_main.h"
#include "stage/stage_fakes.h"

namespace tesmira {
namespace test {
inline double PayloadNumber(const HintPayload& p) {
    const double* d = std::get_if<double>(&p);
    return d ? *d : -1.0;
}
}  // namespace test
namespace {

using test::StageFixture;

class PanelRefusal : public StageFixture {
protected:
    void SetUp() override {
        StageFixture::SetUp();
        settings.xyAxisType = 1;  // 0.1 um a pulse
        settings.zAxisType = 1;
        settings.move = 1000;  // fine XY step 100 um
        // The message is a real modal box, dismissed with OK as the user would. When it closes,
        // the window manager hands the activation back to the window the box belonged to, a
        // moment later; the offscreen platform has none, so the test does that step itself.
        // Where the keyboard focus lands inside the window is then up to the program.
        notifier.onMessage = [](const test::RecordedMessage& m) {
            QPointer<QWidget> owner = QApplication::activeWindow();
            QMessageBox box(QMessageBox::Warning, "Tesmira", QString::fromStdString(m.text),
                            QMessageBox::Ok, owner);
            QTimer::singleShot(0, &box, [&box] { box.button(QMessageBox::Ok)->click(); });
            box.exec();
            if (owner)
                QTimer::singleShot(0, owner, [owner] { owner->activateWindow(); });
        };
        panel = std::make_unique<CDlgMain>(PanelDeps{settings, run, doc, notifier});
        StartStageControls(*panel, control, {settings, doc, notifier});
        panel->MarkAttached({1009, 1010, 1029, 1030, 1037, 1038});  // as the composition does
        panel->show();
        panel->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(panel.get()));
        panel->setFocus();
    }
    void TearDown() override {
        panel.reset();
        StageFixture::TearDown();
    }
    QLineEdit* Edit(int id) { return qobject_cast<QLineEdit*>(panel->Control(id)); }
    // Keys go where the keyboard focus is, as the user's do.
    QWidget* KeyTarget() {
        return QApplication::focusWidget() ? QApplication::focusWidget() : panel.get();
    }
    void Key(int key, Qt::KeyboardModifiers mods = Qt::NoModifier) {
        QTest::keyClick(KeyTarget(), static_cast<Qt::Key>(key), mods);
    }
    void Settle() {
        EXPECT_TRUE(
            QTest::qWaitFor([this] { return QApplication::activeWindow() == panel.get(); }));
        QApplication::processEvents();
    }
    // Types and presses Enter wherever the keyboard is now.
    void TypeAndEnter(const QString& text) {
        for (QChar c : text)
            QTest::keyClicks(KeyTarget(), QString(c));
        Key(Qt::Key_Return);
        Settle();
    }
    // Clicks into the edit, selects what is there, types, Enter.
    void EnterInto(int id, const QString& text) {
        Edit(id)->setFocus(Qt::MouseFocusReason);
        Edit(id)->selectAll();
        TypeAndEnter(text);
    }

    RunState run;
    std::unique_ptr<CDlgMain> panel;
};

TEST_F(PanelRefusal, CorrectedStepIsTakenOnEnterAndTheKeysComeBack) {
    ASSERT_EQ("100", Edit(1009)->text());
    EnterInto(1009, "0");
    ASSERT_EQ(1u, notifier.messages.size());
    EXPECT_TRUE(Edit(1009)->hasFocus()) << "the refused edit keeps the keyboard for correction";

    TypeAndEnter("20");  // over the selected refused entry
    EXPECT_EQ(1u, notifier.messages.size());
    EXPECT_EQ("20", Edit(1009)->text());
    EXPECT_EQ(200, settings.move) << "the corrected value drives the stage";
    EXPECT_FALSE(Edit(1009)->hasFocus());

    Key(Qt::Key_Right);
    EXPECT_EQ(std::vector<std::string>{"MOVREL x=200\r"}, xy.writes);
    EXPECT_DOUBLE_EQ(-20.0, state.stageX);
    Key(Qt::Key_Up, Qt::ControlModifier);
    EXPECT_EQ(1u, z.writes.size()) << "Z keys work again";
}

TEST_F(PanelRefusal, LeavingARefusedEditShowsTheValueInUse) {
    EnterInto(1010, "-5");
    ASSERT_EQ(1u, notifier.messages.size());
    // The user gives up on the field by clicking elsewhere: it must not keep lying.
    panel->setFocus(Qt::MouseFocusReason);
    QApplication::processEvents();
    EXPECT_EQ(QString::number(control.Steps().xyCoarse), Edit(1010)->text());
    Key(Qt::Key_Left);
    EXPECT_EQ(1u, xy.writes.size()) << "the keys are the panel's again";
}

TEST_F(PanelRefusal, ZoomEditAfterANonNumberTakesTheCorrection) {
    panel->Conditions().cameraReady = [] { return true; };  // the zoom edit works while live
    run.isLive = true;
    panel->UpdateRecordControls();
    // The video view applies hint 301 and keeps the factor it applied.
    test::HintRecorder view(doc);
    view.onHint = [this](UpdateHint hint, const HintPayload& payload) {
        if (static_cast<int>(hint) == 301)
            settings.defaultZoomFactor = test::PayloadNumber(payload);
    };
    EnterInto(1040, "abc");
    ASSERT_EQ(1u, notifier.messages.size());
    TypeAndEnter("2");
    EXPECT_EQ(1u, notifier.messages.size());
    EXPECT_DOUBLE_EQ(2.0, panel->Fields().zoomFactor);
    EXPECT_FALSE(Edit(1040)->hasFocus());
    Key(Qt::Key_Left);
    EXPECT_EQ(1u, xy.writes.size()) << "the keys are the panel's again";
}

}  // namespace
}  // namespace tesmira
