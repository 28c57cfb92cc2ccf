// The form: every control of template 131 is there with its identifier, caption and initial
// state, nothing another room drives works before its binder attaches, and the cockpit fits its
// pane without clipping a caption.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QSlider>
#include <map>
#include <set>

#include "panel/dlg_main.h"
#include "panel_test_support.h"

namespace tesmira {
namespace {

QString Text(QWidget* w) {
    if (auto* b = qobject_cast<QAbstractButton*>(w))
        return b->text();
    if (auto* l = qobject_cast<QLabel*>(w))
        return l->text();
    if (auto* g = qobject_cast<QGroupBox*>(w))
        return g->title();
    return {};
}

class PanelFormTest : public ::testing::Test {
protected:
    test::PanelWorld world;
};

TEST_F(PanelFormTest, HoldsTheNinetyThreeControlsOfTheTemplate) {
    CDlgMain panel{world.Deps()};
    std::multiset<int> ids;
    std::set<QString> names;
    for (QWidget* w : panel.findChildren<QWidget*>()) {
        const QVariant id = w->property("id");
        if (!id.isValid())
            continue;
        ids.insert(id.toInt());
        EXPECT_FALSE(w->objectName().isEmpty()) << id.toInt();
        EXPECT_TRUE(names.insert(w->objectName()).second) << w->objectName().toStdString();
    }
    EXPECT_EQ(ids.size(), 94u);
    EXPECT_EQ(ids.count(kStaticId), 19u) << "twelve captions and seven group boxes";
    for (int id : ids) {
        if (id != kStaticId) {
            EXPECT_EQ(ids.count(id), 1u) << id;
        }
    }
    EXPECT_EQ(panel.property("id").toInt(), 131);
}

TEST_F(PanelFormTest, CaptionsAndKindsAreThoseOfTheTemplate) {
    CDlgMain panel{world.Deps()};
    const std::map<int, const char*> captions = {{1001, "↑"},
                                                 {1002, "↓"},
                                                 {1003, "←"},
                                                 {1004, "→"},
                                                 {1005, "∧"},
                                                 {1006, "∨"},
                                                 {1007, "＞"},
                                                 {1008, "＜"},
                                                 {1012, "┐"},
                                                 {1013, "└"},
                                                 {1014, "┘"},
                                                 {1015, "┏"},
                                                 {1016, "┓"},
                                                 {1017, "┗"},
                                                 {1018, "┌"},
                                                 {1019, "┛"},
                                                 {1011, "ステージセンタリング"},
                                                 {1023, "LiveStart"},
                                                 {1024, "LiveStop"},
                                                 {1021, "∧"},
                                                 {1025, "↑"},
                                                 {1026, "↓"},
                                                 {1028, "∨"},
                                                 {1035, "Focus Start"},
                                                 {1036, "Focus Stop"},
                                                 {1194, "ショト連動詳細"},
                                                 {1031, "ON"},
                                                 {1033, "OFF"},
                                                 {1045, "計器"},
                                                 {1057, "ﾃﾛｯﾌﾟ"},
                                                 {1042, "ON"},
                                                 {1043, "OFF"},
                                                 {1054, "ﾃﾛｯﾌﾟ"},
                                                 {1041, "Video を View 内に納める"},
                                                 {1193, "動画録画時 Zoom = 1.0"},
                                                 {1048, "動画に音声を入れる"},
                                                 {1051, "再生速度を変更する"},
                                                 {1053, "詳細"},
                                                 {1072, "１回"},
                                                 {1073, "繰り返し"},
                                                 {1074, "タイムラップス"},
                                                 {1075, "USB リレー ショット直接"},
                                                 {1064, "AVI"},
                                                 {1065, "BMP"},
                                                 {1066, "JPG"},
                                                 {1067, "OME-TIFF"},
                                                 {1032, "スチル写真"},
                                                 {1079, "R1 OFF"},
                                                 {1082, "R4 OFF"},
                                                 {1083, "R1 OFF"},
                                                 {1086, "R4 OFF"},
                                                 {1180, "ショット"},
                                                 {1181, "繰り返し"},
                                                 {1182, "詳細"},
                                                 {1087, "--------"},
                                                 {1088, "--------"},
                                                 {1044, " VEV Microscope\n not connected!"}};
    for (const auto& [id, caption] : captions) {
        QWidget* w = panel.Control(id);
        ASSERT_NE(w, nullptr) << id;
        EXPECT_EQ(Text(w), QString::fromUtf8(caption)) << id;
    }
    for (int id : {1009, 1010, 1029, 1030, 1037, 1038, 1040, 1076}) {
        EXPECT_NE(qobject_cast<QLineEdit*>(panel.Control(id)), nullptr) << id;
    }
    for (int id = 1072; id <= 1075; ++id) {
        EXPECT_NE(qobject_cast<QRadioButton*>(panel.Control(id)), nullptr) << id;
    }
    auto* slider = qobject_cast<QSlider*>(panel.Control(1039));
    ASSERT_NE(slider, nullptr);
    EXPECT_EQ(slider->maximum(), 16);
    auto* combo = qobject_cast<QComboBox*>(panel.Control(1052));
    ASSERT_NE(combo, nullptr);
    EXPECT_EQ(combo->count(), 4);
    EXPECT_EQ(combo->itemText(1), QString::fromUtf8("30.0  (60i Mono)"));

    std::set<QString> groups;
    for (QGroupBox* g : panel.findChildren<QGroupBox*>())
        groups.insert(g->title());
    for (const char* title : {"移動量(μｍ)", "温度・湿度計", "VEV Microscope INFO",
                              "USB リレー  (Super-4 Relay Module) コントロール"}) {
        EXPECT_EQ(groups.count(QString::fromUtf8(title)), 1u) << title;
    }
    const QFont readout = panel.Control(1034)->font();
    EXPECT_TRUE(readout.families().contains(QStringLiteral("CenturyOldst")));
    EXPECT_TRUE(readout.bold());
    EXPECT_EQ(panel.Control(1044)->font(), readout);
}

TEST_F(PanelFormTest, RadioGroupsAreIndependent) {
    CDlgMain panel{world.Deps()};
    world.settings.recMode = 2;
    world.settings.timelapseType = 0;
    ASSERT_TRUE(panel.UpdateData(false));
    EXPECT_TRUE(qobject_cast<QAbstractButton*>(panel.Control(1074))->isChecked());
    EXPECT_TRUE(qobject_cast<QAbstractButton*>(panel.Control(1064))->isChecked());
    qobject_cast<QAbstractButton*>(panel.Control(1072))->setChecked(true);
    EXPECT_TRUE(qobject_cast<QAbstractButton*>(panel.Control(1064))->isChecked());
    ASSERT_TRUE(panel.UpdateData(true));
    EXPECT_EQ(world.settings.recMode, 0);
    EXPECT_EQ(world.settings.timelapseType, 0);
}

TEST_F(PanelFormTest, ControlsOfOtherRoomsWaitForTheirBinder) {
    CDlgMain panel{world.Deps()};
    for (int id : {1001, 1009, 1011, 1021, 1031, 1042, 1045, 1053, 1057, 1076, 1194, 1182}) {
        EXPECT_FALSE(panel.Control(id)->isEnabled()) << id;
    }
    EXPECT_TRUE(panel.Control(1193)->isEnabled()) << "the panel's own option works at once";

    panel.MarkAttached({1001, 1009, 1031, 1033, 1035, 1036, 1043, 1042});
    EXPECT_TRUE(panel.IsAttached(1001));
    EXPECT_TRUE(panel.Control(1001)->isEnabled());
    EXPECT_TRUE(panel.Control(1009)->isEnabled());
    EXPECT_TRUE(panel.Control(1031)->isEnabled());
    EXPECT_TRUE(panel.Control(1042)->isEnabled());
    for (int id : {1033, 1035, 1036, 1043}) {
        EXPECT_FALSE(panel.Control(id)->isEnabled()) << id << " is created disabled";
    }
    EXPECT_FALSE(panel.Control(1002)->isEnabled()) << "only the controls named are attached";
}

TEST_F(PanelFormTest, InitialUpdateRunsItsStepsOnce) {
    CDlgMain panel{world.Deps()};
    std::vector<std::string> steps;
    panel.Hooks().openSerialPorts = [&] { steps.push_back("ports"); };
    panel.Hooks().rebuildXyCommands = [&] { steps.push_back("xy"); };
    panel.Hooks().rebuildZCommands = [&] { steps.push_back("z"); };
    panel.Hooks().loadRelayModules = [&] { steps.push_back("relays"); };
    panel.Conditions().cameraReady = [&] {
        steps.push_back("rule");
        return false;
    };
    panel.OnInitialUpdate();
    panel.OnInitialUpdate();
    EXPECT_EQ(steps, (std::vector<std::string>{"ports", "xy", "z", "relays", "rule"}));
    EXPECT_EQ(qobject_cast<QLabel*>(panel.Control(1034))->text(),
              QString::fromUtf8("  T: --.- °C\n  H: --.- %"));
    EXPECT_EQ(qobject_cast<QSlider*>(panel.Control(1039))->value(), 6);
}

TEST_F(PanelFormTest, ReplaySpeedListFollowsTheOptionAtStartUp) {
    world.settings.resetFps = false;
    CDlgMain panel{world.Deps()};
    panel.MarkAttached({1051, 1052});
    EXPECT_FALSE(panel.Control(1052)->isEnabled());
    world.settings.resetFps = true;
    CDlgMain other{world.Deps()};
    other.MarkAttached({1051, 1052});
    other.OnInitialUpdate();
    EXPECT_TRUE(other.Control(1052)->isEnabled());
}

TEST_F(PanelFormTest, HintsReachTheRoomsThatDoTheWork) {
    CDlgMain panel{world.Deps()};
    std::vector<std::string> calls;
    panel.Hooks().rebuildXyCommands = [&] { calls.push_back("xy"); };
    panel.Hooks().rebuildZCommands = [&] { calls.push_back("z"); };
    panel.Hooks().stopRelayRepeat = [&] { calls.push_back("relay"); };
    panel.Hooks().stopRecording = [&] { calls.push_back("stop"); };
    auto& doc = world.doc;
    doc.UpdateAllViews(nullptr, UpdateHint::kRebuildXyCommands);
    doc.UpdateAllViews(nullptr, UpdateHint::kRebuildZCommands);
    doc.UpdateAllViews(nullptr, UpdateHint::kStopActivity);
    doc.UpdateAllViews(nullptr, static_cast<UpdateHint>(206));
    EXPECT_EQ(calls, (std::vector<std::string>{"xy", "z", "relay", "stop"}));
}

TEST_F(PanelFormTest, FitsItsPaneWithoutClippingAnyCaption) {
    CDlgMain panel{world.Deps()};
    for (int id = 1001; id <= 1194; ++id)
        panel.MarkAttached({id});
    panel.resize(panel.sizeHint());
    panel.show();
    QApplication::processEvents();
    // A maximised 1366 x 768 window leaves the panel about 700 pixels; the splitter gives the
    // panel its width.
    EXPECT_LE(panel.sizeHint().height(), 720);
    EXPECT_LE(panel.sizeHint().width(), 400);
    for (QWidget* w : panel.findChildren<QWidget*>()) {
        const QString text = Text(w);
        if (text.isEmpty() || qobject_cast<QGroupBox*>(w))
            continue;
        const QSize need = w->fontMetrics().size(0, text);
        int room = w->contentsRect().width();
        if (qobject_cast<QCheckBox*>(w) || qobject_cast<QRadioButton*>(w))
            room -= 18;
        EXPECT_LE(need.width(), room) << w->objectName().toStdString();
        EXPECT_LE(need.height(), w->height() + 2) << w->objectName().toStdString();
    }
}

}  // namespace
}  // namespace tesmira
