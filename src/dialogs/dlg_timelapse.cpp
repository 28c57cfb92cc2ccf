#include "dialogs/dlg_timelapse.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QFocusEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>
#include <algorithm>
#include <charconv>
#include <cstdio>
#include <string>

#include "core/notifier.h"
#include "core/tesmira_doc.h"
#include "core/ui_text.h"

namespace tesmira {
namespace {

// Row r of the relay table: radios 1092..1094, ON/OFF offsets 1095/1096, ON time 1097..1099,
// OFF time 1100..1102, each plus 11·r.
int RowId(int row, int first) {
    return first + 11 * row;
}

constexpr int kVideoIds[] = {1025, 1026, 1027, 1028, 57640};
constexpr int kTimelapseIds[] = {1054, 1055, 1057, 1058, 1059, 1060};
constexpr int kTotalTimeIds[] = {1058, 1059, 1060};
constexpr int kShutterFirst = 1184;
constexpr const char* kShutterNames[] = {"Nikon D5000", "EOS KissX2", "EOS 50D", "Sony Alpha77",
                                         QT_TRANSLATE_NOOP("tesmira::CDlgTimelapse", "なし")};

// The shortest text that reads back as the same number, whatever the user's locale.
QString Real(double v) {
    char buf[64];
    const auto [end, ec] = std::to_chars(buf, buf + sizeof buf, v);
    return ec == std::errc() ? QString::fromLatin1(buf, int(end - buf)) : QStringLiteral("0");
}

}  // namespace

CDlgTimelapse::CDlgTimelapse(QWidget* parent) : QDialog(parent) {
    setProperty("id", 138);
    setObjectName(QStringLiteral("timelapsePanel"));
    setWindowTitle(
        tr("ビデオの録画時間と回数　および　タイムラップスビデオの撮影間隔と齣数　さ"
           "らに　USBリレー制御　設定"));
    BuildForm();
}

QLineEdit* CDlgTimelapse::Edit(int id, int width) {
    auto* e = new QLineEdit(this);
    e->setProperty("id", id);
    e->setAlignment(Qt::AlignRight);
    e->setMaximumWidth(width);
    e->installEventFilter(this);
    edits_[id] = e;
    return e;
}

void CDlgTimelapse::BuildForm() {
    auto label = [this](const QString& text) { return new QLabel(text, this); };
    auto radio = [this](int id, const QString& text) {
        auto* b = new QRadioButton(text, this);
        b->setProperty("id", id);
        connect(b, &QAbstractButton::clicked, this, [this] { Apply(); });
        return b;
    };
    auto check = [this](int id, const QString& text) {
        auto* b = new QCheckBox(text, this);
        b->setProperty("id", id);
        connect(b, &QAbstractButton::clicked, this, [this] { Apply(); });
        return b;
    };

    auto* video = new QGroupBox(tr("ビデオ"), this);
    auto* vg = new QGridLayout(video);
    vg->addWidget(label(tr("録画時間")), 0, 0);
    vg->addWidget(Edit(1025), 0, 1);
    vg->addWidget(label(tr("分")), 0, 2);
    vg->addWidget(Edit(1026), 0, 3);
    vg->addWidget(label(tr("秒")), 0, 4);
    vg->addWidget(label(tr("録画間隔")), 1, 0);
    vg->addWidget(Edit(1027), 1, 1);
    vg->addWidget(label(tr("分")), 1, 2);
    vg->addWidget(Edit(1028), 1, 3);
    vg->addWidget(label(tr("秒")), 1, 4);
    vg->addWidget(label(tr("録画回数")), 2, 0);
    vg->addWidget(Edit(57640, 90), 2, 1, 1, 3);

    auto* tl = new QGroupBox(tr("タイムラップスビデオ"), this);
    auto* tg = new QGridLayout(tl);
    tg->addWidget(label(tr("コマ間隔")), 0, 0);
    tg->addWidget(Edit(1054), 0, 1);
    tg->addWidget(label(tr("分")), 0, 2);
    tg->addWidget(Edit(1055), 0, 3);
    tg->addWidget(label(tr("秒")), 0, 4);
    tg->addWidget(label(tr("最大齣数")), 1, 0);
    tg->addWidget(Edit(1057, 90), 1, 1, 1, 3);
    tg->addWidget(label(tr("録画時間")), 2, 0);
    tg->addWidget(Edit(1058), 2, 1);
    tg->addWidget(label(tr("時")), 2, 2);
    tg->addWidget(Edit(1059), 2, 3);
    tg->addWidget(label(tr("分")), 2, 4);
    tg->addWidget(Edit(1060), 2, 5);
    tg->addWidget(label(tr("秒")), 2, 6);
    tg->addWidget(label(tr("再生時間")), 3, 0);
    replay_ = new QLabel(this);
    replay_->setProperty("id", 1056);
    tg->addWidget(replay_, 3, 1, 1, 5);

    auto* overlay = new QGroupBox(tr("テロップ："), this);
    auto* og = new QHBoxLayout(overlay);
    og->addWidget(check(1070, tr("時刻")));
    og->addWidget(check(1069, tr("温度")));
    og->addWidget(check(1071, tr("Zー軸値")));
    og->addWidget(label(tr("フォント高さ：")));
    og->addWidget(Edit(1077));
    og->addWidget(label(QStringLiteral("pxl")));
    og->addWidget(check(1207, tr("スケールバー")));

    // The pixel size, typed in or worked out from a line of known length drawn on the live
    // picture.
    auto* scale = new QGroupBox(tr("画素サイズ："), this);
    auto* cg = new QGridLayout(scale);
    cg->addWidget(Edit(1206, 90), 0, 0);
    cg->addWidget(label(QStringLiteral("\u00b5m/pxl")), 0, 1);
    lineLength_ = new QLabel(this);
    lineLength_->setProperty("id", 1209);
    cg->addWidget(lineLength_, 1, 0, 1, 2);
    cg->addWidget(Edit(1208, 90), 2, 0);
    cg->addWidget(label(QStringLiteral("\u00b5m")), 2, 1);
    auto* calibrate = new QPushButton(tr("較正"), this);
    calibrate->setProperty("id", 1210);
    calibrate->setAutoDefault(false);
    connect(calibrate, &QPushButton::clicked, this, [this] { Calibrate(); });
    cg->addWidget(calibrate, 2, 2);

    auto* shutter = new QGroupBox(tr("シャッター音："), this);
    auto* sg = new QHBoxLayout(shutter);
    auto* shutterGroup = new QButtonGroup(this);
    for (int i = 0; i < 5; ++i) {
        QRadioButton* b = radio(kShutterFirst + i, tr(kShutterNames[i]));
        shutterGroup->addButton(b, i);
        sg->addWidget(b);
    }

    auto* relays = new QGroupBox(tr("USB リレー"), this);
    auto* rg = new QGridLayout(relays);
    rg->addWidget(label(tr("+/- X 秒")), 0, 4, 1, 2);
    rg->addWidget(label(QStringLiteral("hh = 0 - 23       mm = 0 - 59     ss = 0 - 59")), 0, 6, 1,
                  8);
    rg->addWidget(label(QStringLiteral("ON")), 1, 4);
    rg->addWidget(label(QStringLiteral("OFF")), 1, 5);
    int line = 2;
    for (int row = 0; row < kRelayChannels; ++row) {
        if (row % kRelaysPerModule == 0) {
            auto* name = new QLabel(QStringLiteral("--------"), this);
            name->setProperty("id", row == 0 ? 1087 : 1088);
            moduleNames_[row / kRelaysPerModule] = name;
            rg->addWidget(name, line++, 0, 1, 4);
        }
        auto* group = new QButtonGroup(this);
        const char* modes[] = {QT_TR_NOOP("なし"), QT_TR_NOOP("録画/ショット"), QT_TR_NOOP("時刻")};
        rg->addWidget(label(QStringLiteral("R%1").arg(row % kRelaysPerModule + 1)), line, 0);
        for (int m = 0; m < 3; ++m) {
            QRadioButton* b = radio(RowId(row, 1092 + m), tr(modes[m]));
            group->addButton(b, m);
            rg->addWidget(b, line, 1 + m);
        }
        rg->addWidget(Edit(RowId(row, 1095)), line, 4);
        rg->addWidget(Edit(RowId(row, 1096)), line, 5);
        rg->addWidget(label(QStringLiteral("ON")), line, 6);
        for (int k = 0; k < 3; ++k)
            rg->addWidget(Edit(RowId(row, 1097 + k), 36), line, 7 + k);
        rg->addWidget(label(QStringLiteral("OFF")), line, 10);
        for (int k = 0; k < 3; ++k)
            rg->addWidget(Edit(RowId(row, 1100 + k), 36), line, 11 + k);
        ++line;
    }
    rg->addWidget(check(1183, tr("時刻に同期してONのときも，ショット中は常にOFF")), line, 0, 1, 14);

    auto* close = new QPushButton(tr("閉じる"), this);
    close->setProperty("id", 1);
    close->setAutoDefault(false);
    connect(close, &QPushButton::clicked, this, &QWidget::hide);

    auto* top = new QHBoxLayout;
    top->addWidget(video);
    top->addWidget(tl);
    auto* bottom = new QHBoxLayout;
    bottom->addWidget(overlay);
    bottom->addWidget(scale);
    bottom->addWidget(shutter);
    bottom->addStretch();
    bottom->addWidget(close);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(relays);
    layout->addLayout(bottom);
}

QWidget* CDlgTimelapse::Control(int id) const {
    for (QWidget* w : findChildren<QWidget*>()) {
        if (w->property("id").toInt() == id)
            return w;
    }
    return nullptr;
}

void CDlgTimelapse::Attach(TimelapsePanelDeps deps) {
    deps_ = std::make_unique<TimelapsePanelDeps>(std::move(deps));
    fields_ = PanelFieldsFromSettings(deps_->settings);
    replayText_ =
        NormaliseTimelapse(fields_.timelapse, false, deps_->settings.replayFps).replayText;
    ShowFields();
}

bool CDlgTimelapse::ModulePresent(int module) const {
    return deps_ && deps_->moduleName && !deps_->moduleName(module + 1).empty();
}

void CDlgTimelapse::ValidateSchedules() {
    if (!deps_)
        return;
    fields_ = PanelFieldsFromSettings(deps_->settings);
    ShowFields();
    Apply();
}

void CDlgTimelapse::ReloadVideoFields() {
    if (!deps_)
        return;
    fields_.video = PanelFieldsFromSettings(deps_->settings).video;
    fields_.recCount = deps_->settings.recRepaet;
    ShowFields();
}

bool CDlgTimelapse::ReadControls() {
    RecordingPanelFields read = fields_;
    auto refuse = [this](int id, const std::string& message) {
        deps_->notifier.Notify(message, MessageIcon::Exclamation);
        if (QLineEdit* e = edits_[id]) {
            e->setFocus();
            e->selectAll();
        }
        return false;
    };
    auto whole = [&](int id, Range64 range, int64_t& value) {
        const auto v = ParseWhole(edits_[id]->text().toStdString(), range);
        if (!v)
            return refuse(id, WholeRangeMessage(range));
        value = *v;
        return true;
    };
    auto real = [&](int id, double& value) {
        const auto v = ParseReal(edits_[id]->text().toStdString(), kRelayOffset);
        if (!v)
            return refuse(id, RealRangeMessage(kRelayOffset));
        value = *v;
        return true;
    };
    auto clock = [&](int firstId, ClockTime& t) {
        int64_t h = t.h, m = t.m, s = t.s;
        if (!whole(firstId, kClockHours, h) || !whole(firstId + 1, kClockMinutes, m) ||
            !whole(firstId + 2, kClockMinutes, s))
            return false;
        t = {int(h), int(m), int(s)};
        return true;
    };
    VideoFields& v = read.video;
    TimelapseFields& t = read.timelapse;
    if (!whole(1025, kVideoLengthMinutes, v.lengthMin) ||
        !whole(1026, kFieldSeconds, v.lengthSec) ||
        !whole(1027, kVideoIntervalMinutes, v.intervalMin) ||
        !whole(1028, kFieldSeconds, v.intervalSec) || !whole(57640, kRecCount, read.recCount) ||
        !whole(1054, kFrameIntervalMinutes, t.intervalMin) ||
        !whole(1055, kFieldSeconds, t.intervalSec) || !whole(1057, kFrames, t.maxFrames) ||
        !whole(1058, kTotalHours, t.totalH) || !whole(1059, kFieldSeconds, t.totalMin) ||
        !whole(1060, kFieldSeconds, t.totalSec) || !whole(1077, kFontHeight, read.fontHeight))
        return false;
    auto checked = [this](int id) {
        auto* b = qobject_cast<QAbstractButton*>(Control(id));
        return b && b->isChecked();
    };
    read.textTime = checked(1070);
    read.textTemperature = checked(1069);
    read.textZ = checked(1071);
    read.clockOffDuringShot = checked(1183);
    read.textScaleBar = checked(1207);
    const auto pixel = ParseReal(edits_[1206]->text().toStdString(), kPixelSizeUm);
    if (!pixel)
        return refuse(1206, RealRangeMessage(kPixelSizeUm));
    read.pixelSizeUm = *pixel;
    for (int i = 0; i < 5; ++i) {
        if (checked(kShutterFirst + i))
            read.shutterSound = i;
    }
    for (int row = 0; row < kRelayChannels; ++row) {
        RelayRow& r = read.rows[row];
        for (int m = 0; m < 3; ++m) {
            if (checked(RowId(row, 1092 + m)))
                r.mode = static_cast<RowMode>(m);
        }
        if (!real(RowId(row, 1095), r.onSec) || !real(RowId(row, 1096), r.offSec) ||
            !clock(RowId(row, 1097), r.on) || !clock(RowId(row, 1100), r.off))
            return false;
    }
    fields_ = read;
    return true;
}

void CDlgTimelapse::ShowFields() {
    auto set = [this](int id, int64_t value) {
        if (QLineEdit* e = edits_[id])
            e->setText(QString::number(value));
    };
    auto setChecked = [this](int id, bool on) {
        if (auto* b = qobject_cast<QAbstractButton*>(Control(id)))
            b->setChecked(on);
    };
    const RecordingPanelFields& f = fields_;
    set(1025, f.video.lengthMin);
    set(1026, f.video.lengthSec);
    set(1027, f.video.intervalMin);
    set(1028, f.video.intervalSec);
    set(57640, f.recCount);
    set(1054, f.timelapse.intervalMin);
    set(1055, f.timelapse.intervalSec);
    set(1057, f.timelapse.maxFrames);
    set(1058, f.timelapse.totalH);
    set(1059, f.timelapse.totalMin);
    set(1060, f.timelapse.totalSec);
    set(1077, f.fontHeight);
    replay_->setText(QString::fromStdString(replayText_));
    setChecked(1070, f.textTime);
    setChecked(1069, f.textTemperature);
    setChecked(1071, f.textZ);
    setChecked(1183, f.clockOffDuringShot);
    setChecked(1207, f.textScaleBar);
    edits_[1206]->setText(Real(f.pixelSizeUm));
    const double line = linePixels_ ? linePixels_() : 0.0;
    lineLength_->setText(line > 0 ? tr("ライブ画像上の線：%1 pxl").arg(line, 0, 'f', 1)
                                  : tr("ライブ画像上で既知の長さの線をドラッグ"));
    setChecked(kShutterFirst + std::clamp(f.shutterSound, 0, 4), true);
    for (int row = 0; row < kRelayChannels; ++row) {
        const RelayRow& r = f.rows[row];
        setChecked(RowId(row, 1092 + static_cast<int>(r.mode)), true);
        edits_[RowId(row, 1095)]->setText(Real(r.onSec));
        edits_[RowId(row, 1096)]->setText(Real(r.offSec));
        const int on[] = {r.on.h, r.on.m, r.on.s};
        const int off[] = {r.off.h, r.off.m, r.off.s};
        for (int k = 0; k < 3; ++k) {
            set(RowId(row, 1097 + k), on[k]);
            set(RowId(row, 1100 + k), off[k]);
        }
    }
    for (int m = 0; m < kRelayModules; ++m) {
        const std::string name = deps_ && deps_->moduleName ? deps_->moduleName(m + 1) : "";
        moduleNames_[m]->setText(name.empty() ? QStringLiteral("--------")
                                              : QString::fromStdString(name));
    }
    EnableForMode();
}

void CDlgTimelapse::EnableForMode() {
    const int mode = deps_ ? deps_->settings.recMode : 0;
    for (int id : kVideoIds)
        edits_[id]->setEnabled(mode == 0 || mode == 1);
    for (int id : kTimelapseIds)
        edits_[id]->setEnabled(mode == 2 || mode == 3);
    for (int i = 0; i < 5; ++i) {
        if (QWidget* w = Control(kShutterFirst + i))
            w->setEnabled(mode == 2 || mode == 3);
    }
    for (int row = 0; row < kRelayChannels; ++row) {
        const bool present = ModulePresent(row / kRelaysPerModule);
        for (int m = 0; m < 3; ++m) {
            if (QWidget* w = Control(RowId(row, 1092 + m)))
                w->setEnabled(present);
        }
    }
}

bool CDlgTimelapse::Apply() {
    if (!deps_ || busy_)
        return false;
    busy_ = true;
    if (!ReadControls()) {
        busy_ = false;
        return false;
    }
    const PanelApply result = ApplyRecordingPanel(deps_->settings, fields_, fromTotalTime_,
                                                  {ModulePresent(0), ModulePresent(1)});
    fields_ = result.fields;
    replayText_ = result.replayText;
    ShowFields();
    // Each refused row is back at "なし" on screen before its message shows.
    for (std::string_view message : result.messages)
        deps_->notifier.Notify(UiText("Instruments", std::string(message).c_str()),
                               MessageIcon::Exclamation);
    if (deps_->applied)
        deps_->applied(result.schedule);
    deps_->doc.UpdateAllViews(nullptr, UpdateHint::kRefreshControls);
    busy_ = false;
    return true;
}

void CDlgTimelapse::keyPressEvent(QKeyEvent* event) {
    // Enter applies instead of closing the panel.
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        Apply();
        return;
    }
    QDialog::keyPressEvent(event);
}

bool CDlgTimelapse::eventFilter(QObject* watched, QEvent* event) {
    const QEvent::Type type = event->type();
    if ((type == QEvent::FocusIn || type == QEvent::FocusOut) && !busy_) {
        const int id = watched->property("id").toInt();
        bool totalTime = false;
        for (int t : kTotalTimeIds)
            totalTime = totalTime || t == id;
        // Leaving the panel for another window applies too: what was typed is stored before
        // anything else reads the settings.
        const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
        if (type == QEvent::FocusIn) {
            fromTotalTime_ = totalTime;
        } else if (reason != Qt::PopupFocusReason) {
            // Rows of an absent module apply nothing.
            const bool row = id >= 1095 && id <= 1179;
            const int module = id >= 1139 ? 1 : 0;
            if (!row || ModulePresent(module))
                Apply();
            fromTotalTime_ = false;
        }
    }
    return QDialog::eventFilter(watched, event);
}

// The pixel size from the line drawn on the live picture and its known length in µm.
void CDlgTimelapse::Calibrate() {
    if (!deps_)
        return;
    const double line = linePixels_ ? linePixels_() : 0.0;
    if (!(line >= 2.0)) {
        deps_->notifier.Notify(
            UiText("Dialogs", "ライブ画像の上で，長さの分かっている線をドラッグして下さい。"),
            MessageIcon::Exclamation);
        return;
    }
    const auto known = ParseReal(edits_[1208]->text().toStdString(), kKnownLengthUm);
    if (!known || *known <= 0.0) {
        deps_->notifier.Notify(RealRangeMessage(kKnownLengthUm), MessageIcon::Exclamation);
        edits_[1208]->setFocus();
        return;
    }
    edits_[1206]->setText(Real(std::min(*known / line, kPixelSizeUm.hi)));
    Apply();
}

}  // namespace tesmira
