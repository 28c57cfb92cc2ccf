// The dialog "シリアルポート選択" offscreen: controls by id, the arrows, the enabling rule on
// clicks, the refresh tick and OK/Cancel.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>

#include "common/find_control.h"
#include "dialogs/dlg_port_select.h"

namespace tesmira::test {
namespace {

class PortDialogTest : public ::testing::Test {
protected:
    PortDialogTest() : model(Initial(), [this] { return ports; }) {
        model.Initialise();
        dialog = std::make_unique<CDlgPortSelect>(model);
    }
    static PortAssignment Initial() {
        PortAssignment a;
        a.names = {"", "", "", "/dev/ttyUSB3"};
        a.zKind = kind::kZLepMac5000;
        a.meterKind = kind::kMeterUsbrh2;
        return a;
    }
    template <typename W>
    W* Control(int id) {
        auto* w = qobject_cast<W*>(test::FindControl(dialog.get(), id));
        EXPECT_NE(w, nullptr) << "control " << id;
        return w;
    }
    QString Name(int slotId) { return Control<QLabel>(slotId)->text(); }
    QListWidget* List() { return Control<QListWidget>(1078); }

    std::vector<std::string> ports{"/dev/ttyS0", "/dev/ttyUSB0", "/dev/ttyUSB1", "/dev/ttyUSB3"};
    PortAssignmentModel model;
    std::unique_ptr<CDlgPortSelect> dialog;
};

TEST_F(PortDialogTest, CarriesEveryControlAndStartsItsRefreshTimer) {
    EXPECT_EQ(dialog->windowTitle(), QString::fromUtf8("シリアルポート選択"));
    EXPECT_EQ(dialog->property("id").toInt(), 132);
    for (int id : {1032, 1033, 1037, 1034, 1035, 1036, 1197, 1198, 1199, 1200})
        EXPECT_NE(Control<QRadioButton>(id), nullptr);
    for (int id : {1015, 1017, 1018, 1020, 1021, 1022, 1027, 1028, 1, 2})
        EXPECT_NE(Control<QPushButton>(id), nullptr);
    for (int id : {1016, 1019, 1023, 1029})
        EXPECT_NE(Control<QLabel>(id), nullptr);
    EXPECT_EQ(Control<QPushButton>(2)->text(), QString::fromUtf8("キャンセル"));
    EXPECT_EQ(Control<QCheckBox>(1038)->text(), QString::fromUtf8("XY と Z に同じポート"));
    EXPECT_TRUE(Control<QRadioButton>(1035)->isChecked());
    EXPECT_TRUE(Control<QRadioButton>(1198)->isChecked());
    EXPECT_EQ(Name(1029), "/dev/ttyUSB3");
    EXPECT_EQ(List()->count(), 3);
    EXPECT_EQ(List()->currentRow(), 0);
    ASSERT_NE(dialog->RefreshTimer(), nullptr);
    EXPECT_TRUE(dialog->RefreshTimer()->isActive());
    EXPECT_EQ(dialog->RefreshTimer()->interval(), 1000);
}

TEST_F(PortDialogTest, ArrowsMoveTheNameAndSelectIt) {
    List()->setCurrentRow(1);
    Control<QPushButton>(1015)->click();
    EXPECT_EQ(Name(1016), "/dev/ttyUSB0");
    EXPECT_EQ(List()->count(), 2);
    EXPECT_EQ(List()->currentRow(), 0);
    Control<QPushButton>(1017)->click();
    EXPECT_EQ(Name(1016), "");
    EXPECT_EQ(List()->count(), 3);
    EXPECT_EQ(List()->currentItem()->text(), "/dev/ttyUSB0");
}

TEST_F(PortDialogTest, KindClicksRunTheEnablingRule) {
    auto* onePort = Control<QCheckBox>(1038);
    EXPECT_TRUE(onePort->isEnabled());
    onePort->click();
    EXPECT_FALSE(Control<QPushButton>(1018)->isEnabled());
    EXPECT_FALSE(Control<QPushButton>(1020)->isEnabled());
    Control<QRadioButton>(1036)->click();  // Chuo Seiki
    EXPECT_FALSE(onePort->isEnabled());
    EXPECT_FALSE(onePort->isChecked());
    EXPECT_TRUE(Control<QPushButton>(1018)->isEnabled());

    Control<QRadioButton>(1199)->click();  // TDSN7200: the meter has no port
    EXPECT_EQ(Name(1029), "");
    EXPECT_FALSE(Control<QPushButton>(1027)->isEnabled());
    EXPECT_FALSE(Control<QPushButton>(1028)->isEnabled());
    EXPECT_EQ(List()->currentItem()->text(), "/dev/ttyUSB3");
}

TEST_F(PortDialogTest, RefreshTickClearsASlotWhosePortVanished) {
    List()->setCurrentRow(2);
    Control<QPushButton>(1018)->click();
    ASSERT_EQ(Name(1019), "/dev/ttyUSB1");
    ports = {"/dev/ttyS0", "/dev/ttyUSB0", "/dev/ttyUSB3"};
    dialog->OnRefreshTick();
    EXPECT_EQ(Name(1019), "");
    EXPECT_EQ(Name(1029), "/dev/ttyUSB3");
    EXPECT_EQ(List()->count(), 2);
}

TEST_F(PortDialogTest, OkReadsTheControlsAndCancelStopsTheTimer) {
    Control<QRadioButton>(1037)->click();  // Sigma Koki
    Control<QPushButton>(1)->click();
    EXPECT_EQ(dialog->result(), QDialog::Accepted);
    EXPECT_EQ(model.values.xyKind, kind::kXySigmaKoki);
    EXPECT_FALSE(dialog->RefreshTimer()->isActive());

    auto other = std::make_unique<CDlgPortSelect>(model);
    qobject_cast<QPushButton*>(test::FindControl(other.get(), 2))->click();
    EXPECT_EQ(other->result(), QDialog::Rejected);
    EXPECT_FALSE(other->RefreshTimer()->isActive());
}

}  // namespace
}  // namespace tesmira::test
