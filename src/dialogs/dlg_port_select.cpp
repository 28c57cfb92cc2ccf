#include "dialogs/dlg_port_select.h"

#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <QVBoxLayout>

#include "core/dialog_texts.h"
#include "serial/port_assignment.h"

namespace tesmira {
namespace {

// A long port path the slots and the list show in full.
constexpr char kTypicalPortPath[] = "/run/user/1000/tesmira-lab-1000/links/meter";

QString U(const char* text) {
    return QString::fromUtf8(text);
}

template <typename W>
W* Tag(W* w, int id, const char* name) {
    w->setProperty("id", id);
    w->setObjectName(QString::fromLatin1(name));
    return w;
}

struct RadioSpec {
    int id;
    int value;
    const char* caption;
    const char* name;
};

QGroupBox* RadioGroup(const char* title, const char* name, QButtonGroup* group,
                      std::initializer_list<RadioSpec> radios, QWidget* parent) {
    // Titles and captions are looked up in the dialog's context (maker names are translated).
    auto* box =
        new QGroupBox(QCoreApplication::translate("tesmira::CDlgPortSelect", title), parent);
    box->setObjectName(QString::fromLatin1(name));
    auto* layout = new QVBoxLayout(box);
    for (const RadioSpec& r : radios) {
        auto* radio =
            Tag(new QRadioButton(QCoreApplication::translate("tesmira::CDlgPortSelect", r.caption),
                                 box),
                r.id, r.name);
        group->addButton(radio, r.value);
        layout->addWidget(radio);
    }
    return box;
}

struct SlotRow {
    const char* label;
    int assignId, releaseId, nameId;
};
constexpr SlotRow kSlots[4] = {
    {"  XY\n  or\n XYZ", 1015, 1017, 1016},
    {"Z", 1018, 1020, 1019},
    {"S", 1021, 1022, 1023},
    {"T", 1027, 1028, 1029},
};

}  // namespace

CDlgPortSelect::CDlgPortSelect(PortAssignmentModel& model, QWidget* parent)
    : QDialog(parent), model_(model) {
    setProperty("id", kTemplateId);
    setObjectName(QStringLiteral("portSelectDialog"));
    setWindowTitle(tr("シリアルポート選択"));
    BuildControls();

    refreshTimer_ = new QTimer(this);
    refreshTimer_->setObjectName(QStringLiteral("portRefreshTimer"));
    refreshTimer_->setProperty("id", kRefreshTimerId);
    connect(refreshTimer_, &QTimer::timeout, this, &CDlgPortSelect::OnRefreshTick);
    refreshTimer_->start(kRefreshMs);

    WriteControls();
    list_->setFocus();
}

void CDlgPortSelect::BuildControls() {
    auto* top = new QHBoxLayout(this);
    auto* kinds = new QVBoxLayout;
    top->addLayout(kinds);

    xyGroup_ = new QButtonGroup(this);
    kinds->addWidget(
        RadioGroup("XY", "xyKindGroup", xyGroup_,
                   {{1032, kind::kXyTe2000e, "TE2000E", "xyTe2000e"},
                    {1033, kind::kXyLepMac5000, "LEP MAC", "xyLepMac"},
                    {1037, kind::kXySigmaKoki,
                     QT_TRANSLATE_NOOP("tesmira::CDlgPortSelect", "シグマ光機"), "xySigmaKoki"}},
                   this));
    zGroup_ = new QButtonGroup(this);
    kinds->addWidget(
        RadioGroup("Z", "zKindGroup", zGroup_,
                   {{1034, kind::kZTe2000e, "TE2000E", "zTe2000e"},
                    {1035, kind::kZLepMac5000, "LEP MAC", "zLepMac"},
                    {1036, kind::kZChuoSeiki,
                     QT_TRANSLATE_NOOP("tesmira::CDlgPortSelect", "中央精機"), "zChuoSeiki"}},
                   this));
    auto* shutter = new QGroupBox(tr("S（シャッター）"), this);
    shutter->setObjectName(QStringLiteral("shutterGroup"));
    auto* shutterLayout = new QVBoxLayout(shutter);
    shutterLayout->addWidget(new QLabel(QStringLiteral("Uniblitz Shutter #1"), shutter));
    kinds->addWidget(shutter);
    meterGroup_ = new QButtonGroup(this);
    kinds->addWidget(RadioGroup(QT_TRANSLATE_NOOP("tesmira::CDlgPortSelect", "温度・湿度計"),
                                "meterKindGroup", meterGroup_,
                                {{1197, kind::kMeterUsbrh, "USBRH Stawberry...", "meterUsbrh"},
                                 {1198, kind::kMeterUsbrh2, "USBRH2 Stawberry...", "meterUsbrh2"},
                                 {1199, kind::kMeterTdsn7200, "TDSN7200 TD", "meterTdsn7200"},
                                 {1200, kind::kMeterOneWire, "1-Wire Thermometer", "meterOneWire"}},
                                this));

    auto* listBox = new QGroupBox(tr("ポート一覧"), this);
    listBox->setObjectName(QStringLiteral("portListGroup"));
    auto* listLayout = new QVBoxLayout(listBox);
    list_ = Tag(new QListWidget(listBox), 1078, "portList");
    // Full device paths stay readable, the simulated lab's long links included.
    const int pathWidth =
        fontMetrics().horizontalAdvance(QString::fromLatin1(kTypicalPortPath)) + 12;
    list_->setMinimumWidth(pathWidth + 24);
    listLayout->addWidget(list_);
    top->addWidget(listBox);

    auto* slots = new QGridLayout;
    top->addLayout(slots);
    for (int i = 0; i < 4; ++i) {
        const SlotRow& row = kSlots[i];
        const int slot = i + 1;
        assign_[i] = Tag(new QPushButton(QStringLiteral(">>"), this), row.assignId,
                         ("assignPort" + std::to_string(slot)).c_str());
        release_[i] = Tag(new QPushButton(QStringLiteral("<<"), this), row.releaseId,
                          ("releasePort" + std::to_string(slot)).c_str());
        auto* caption = new QLabel(U(row.label), this);
        auto* port = new QLabel(tr("ポート %1").arg(slot), this);
        names_[i] = Tag(new QLabel(this), row.nameId, ("portName" + std::to_string(slot)).c_str());
        names_[i]->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        names_[i]->setMinimumWidth(pathWidth);
        names_[i]->setAccessibleName(QStringLiteral("COM_%1").arg(slot));
        auto* arrows = new QVBoxLayout;
        arrows->addWidget(assign_[i]);
        arrows->addWidget(release_[i]);
        slots->addWidget(caption, i * 2, 0, 2, 1);
        slots->addLayout(arrows, i * 2, 1, 2, 1);
        slots->addWidget(port, i * 2, 2);
        slots->addWidget(names_[i], i * 2 + 1, 2);
        connect(assign_[i], &QPushButton::clicked, this, [this, slot] { OnAssign(slot); });
        connect(release_[i], &QPushButton::clicked, this, [this, slot] { OnRelease(slot); });
    }
    useOnePort_ = Tag(new QCheckBox(tr("XY と Z に同じポート"), this), 1038, "useOnePort");
    useOnePort_->setEnabled(false);
    slots->addWidget(useOnePort_, 8, 0, 1, 3);

    auto* ok = Tag(new QPushButton(QStringLiteral("OK"), this), 1, "okButton");
    auto* cancel = Tag(new QPushButton(CancelCaption(), this), 2, "cancelButton");
    ok->setDefault(true);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    slots->addLayout(buttons, 9, 0, 1, 3);
    connect(ok, &QPushButton::clicked, this, [this] {
        ReadControls();
        accept();
    });
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);

    for (QButtonGroup* g : {xyGroup_, zGroup_, meterGroup_})
        connect(g, &QButtonGroup::idClicked, this, [this](int) { OnKindClicked(); });
    connect(useOnePort_, &QCheckBox::clicked, this, [this](bool) { OnKindClicked(); });
}

void CDlgPortSelect::ReadControls() {
    PortAssignment& v = model_.values;
    if (xyGroup_->checkedId() >= 0)
        v.xyKind = xyGroup_->checkedId();
    if (zGroup_->checkedId() >= 0)
        v.zKind = zGroup_->checkedId();
    if (meterGroup_->checkedId() >= 0)
        v.meterKind = meterGroup_->checkedId();
    v.useOnePort = useOnePort_->isChecked();
    model_.Select(list_->currentRow());
}

void CDlgPortSelect::WriteControls() {
    const PortAssignment& v = model_.values;
    auto check = [](QButtonGroup* g, int id) {
        if (QAbstractButton* b = g->button(id))
            b->setChecked(true);
    };
    check(xyGroup_, v.xyKind);
    check(zGroup_, v.zKind);
    check(meterGroup_, v.meterKind);
    useOnePort_->setChecked(v.useOnePort);
    useOnePort_->setEnabled(model_.UseOnePortEnabled());
    for (int i = 0; i < 4; ++i) {
        QString name = QString::fromStdString(v.names[i]);
        // A port whose device went away stays assigned, closed, until the device returns.
        const bool lost = model_.SlotLost(i + 1);
        if (lost)
            name = tr("%1（切断・閉）").arg(name);
        names_[i]->setText(name);
        names_[i]->setEnabled(!lost);
        assign_[i]->setEnabled(model_.SlotButtonsEnabled(i + 1));
        release_[i]->setEnabled(model_.SlotButtonsEnabled(i + 1));
    }
    const QSignalBlocker block(list_);
    list_->clear();
    for (const std::string& name : model_.Available())
        list_->addItem(QString::fromStdString(name));
    list_->setCurrentRow(model_.Selection());
}

void CDlgPortSelect::OnKindClicked() {
    ReadControls();
    model_.ApplyEnablingRule();
    WriteControls();
}

void CDlgPortSelect::OnAssign(int slot) {
    QApplication::setOverrideCursor(Qt::WaitCursor);
    ReadControls();
    model_.Assign(slot);
    WriteControls();
    list_->setFocus();
    QApplication::restoreOverrideCursor();
}

void CDlgPortSelect::OnRelease(int slot) {
    ReadControls();
    model_.Release(slot);
    WriteControls();
    list_->setFocus();
}

void CDlgPortSelect::OnRefreshTick() {
    ReadControls();
    model_.RefreshTick();
    WriteControls();
    list_->setFocus();
}

void CDlgPortSelect::done(int result) {
    refreshTimer_->stop();
    QDialog::done(result);
}

void RunPortAssignment(const PortAssignmentDeps& deps, QWidget* parent) {
    RunPortAssignmentWith(deps, [parent](PortAssignmentModel& model) {
        CDlgPortSelect dialog(model, parent);
        return dialog.exec() == QDialog::Accepted;
    });
}

}  // namespace tesmira
