// The form of the control panel: the 93 controls of template 131 with their identifiers,
// captions and fonts, laid out as a compact cockpit of about 312 x 686 pixels (208 x 422 dialog
// units). Behaviour lives in dlg_main.cpp and in the binders of the other rooms.
#include <QCheckBox>
#include <QComboBox>
#include <QFont>
#include <QFontMetrics>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QVBoxLayout>
#include <algorithm>

#include "panel/dlg_main.h"
#include "panel/panel_fonts.h"

namespace tesmira {
namespace {

QString U(const char* utf8) {
    return QString::fromUtf8(utf8);
}

template <typename W>
W* Tag(W* w, int id, const char* name) {
    w->setProperty("id", id);
    w->setObjectName(QString::fromLatin1(name));
    return w;
}

// A push button as wide as its caption needs (the style's default minimum width would make the
// cockpit far wider than its pane).
class CompactButton : public QPushButton {
public:
    using QPushButton::QPushButton;
    QSize sizeHint() const override {
        const QSize natural = QPushButton::sizeHint();
        const int needed = fontMetrics().horizontalAdvance(text()) + 14;
        return {std::min(natural.width(), std::max(needed, 26)), natural.height()};
    }
    QSize minimumSizeHint() const override { return sizeHint(); }
};

QPushButton* Button(QWidget* parent, int id, const char* name, const QString& caption) {
    auto* b = Tag(new CompactButton(caption, parent), id, name);
    b->setAutoDefault(false);
    b->setFixedHeight(22);
    b->setFocusPolicy(Qt::TabFocus);  // a click leaves the keyboard with the panel, for jogging
    return b;
}

QPushButton* JogButton(QWidget* parent, int id, const char* name, const QString& caption) {
    QPushButton* b = Button(parent, id, name, caption);
    b->setFixedSize(28, 21);
    return b;
}

QLabel* Caption(QWidget* parent, const char* name, const QString& text) {
    return Tag(new QLabel(text, parent), kStaticId, name);
}

QLineEdit* Edit(QWidget* parent, int id, const char* name, int width) {
    auto* e = Tag(new QLineEdit(parent), id, name);
    e->setFixedWidth(width);
    e->setAlignment(Qt::AlignRight);
    return e;
}

QGroupBox* Group(QWidget* parent, const char* name, const QString& title) {
    return Tag(new QGroupBox(title, parent), kStaticId, name);
}

template <typename Layout>
Layout* Tight(Layout* layout) {
    layout->setContentsMargins(4, 2, 4, 3);
    layout->setSpacing(2);
    return layout;
}

QFont SmallFont(QFont font) {
    font.setPointSizeF(font.pointSizeF() * 0.85);
    return font;
}

}  // namespace

void CDlgMain::BuildForm() {
    auto* root = new QVBoxLayout(this);
    root->setContentsMargins(4, 4, 4, 4);
    root->setSpacing(2);

    // XY jog: coarse steps on the outer ring, fine steps inside, diagonals in the corners.
    auto* xyRow = new QHBoxLayout;
    xyRow->setSpacing(4);
    auto* jog = new QGridLayout;
    jog->setSpacing(1);
    jog->addWidget(JogButton(this, 1015, "jogCoarseUpperLeft", U("┏")), 0, 0);
    jog->addWidget(JogButton(this, 1005, "jogCoarseUp", U("∧")), 0, 2);
    jog->addWidget(JogButton(this, 1016, "jogCoarseUpperRight", U("┓")), 0, 4);
    jog->addWidget(JogButton(this, 1018, "jogFineUpperLeft", U("┌")), 1, 1);
    jog->addWidget(JogButton(this, 1001, "jogFineUp", U("↑")), 1, 2);
    jog->addWidget(JogButton(this, 1012, "jogFineUpperRight", U("┐")), 1, 3);
    jog->addWidget(JogButton(this, 1008, "jogCoarseLeft", U("＜")), 2, 0);
    jog->addWidget(JogButton(this, 1003, "jogFineLeft", U("←")), 2, 1);
    jog->addWidget(JogButton(this, 1004, "jogFineRight", U("→")), 2, 3);
    jog->addWidget(JogButton(this, 1007, "jogCoarseRight", U("＞")), 2, 4);
    jog->addWidget(JogButton(this, 1013, "jogFineLowerLeft", U("└")), 3, 1);
    jog->addWidget(JogButton(this, 1002, "jogFineDown", U("↓")), 3, 2);
    jog->addWidget(JogButton(this, 1014, "jogFineLowerRight", U("┘")), 3, 3);
    jog->addWidget(JogButton(this, 1017, "jogCoarseLowerLeft", U("┗")), 4, 0);
    jog->addWidget(JogButton(this, 1006, "jogCoarseDown", U("∨")), 4, 2);
    jog->addWidget(JogButton(this, 1019, "jogCoarseLowerRight", U("┛")), 4, 4);
    xyRow->addLayout(jog);

    auto* xySide = new QVBoxLayout;
    xySide->setSpacing(3);
    QGroupBox* steps = Group(this, "xyStepGroup", tr("移動量(μｍ)"));
    auto* stepGrid = Tight(new QGridLayout(steps));
    stepGrid->addWidget(Caption(steps, "xyFineLabel", U("←↑↓→")), 0, 0);
    stepGrid->addWidget(Edit(steps, 1009, "xyFineEdit", 64), 0, 1);
    stepGrid->addWidget(Caption(steps, "xyCoarseLabel", U("＜∧∨＞")), 1, 0);
    stepGrid->addWidget(Edit(steps, 1010, "xyCoarseEdit", 64), 1, 1);
    xySide->addWidget(steps);
    xySide->addWidget(Button(this, 1011, "stageCentring", tr("ステージセンタリング")));
    xySide->addStretch(1);
    xyRow->addLayout(xySide, 1);
    root->addLayout(xyRow);

    // Z drive: four step buttons, the step edits, focus stepping and the key hint.
    QGroupBox* zGroup = Group(this, "zGroup", U("Z"));
    auto* zGrid = Tight(new QGridLayout(zGroup));
    zGrid->setHorizontalSpacing(3);
    auto* zButtons = new QHBoxLayout;
    zButtons->setSpacing(1);
    zButtons->addWidget(JogButton(zGroup, 1021, "zCoarseUp", U("∧")));
    zButtons->addWidget(JogButton(zGroup, 1025, "zFineUp", U("↑")));
    zButtons->addWidget(JogButton(zGroup, 1026, "zFineDown", U("↓")));
    zButtons->addWidget(JogButton(zGroup, 1028, "zCoarseDown", U("∨")));
    zButtons->addStretch(1);
    zGrid->addLayout(zButtons, 0, 0, 1, 4);
    zGrid->addWidget(Caption(zGroup, "zFineLabel", U("↑↓")), 1, 0);
    zGrid->addWidget(Edit(zGroup, 1029, "zFineEdit", 46), 1, 1);
    zGrid->addWidget(Caption(zGroup, "zCoarseLabel", U("∧∨")), 1, 2);
    zGrid->addWidget(Edit(zGroup, 1030, "zCoarseEdit", 46), 1, 3);
    zGrid->addWidget(Caption(zGroup, "deltaTLabel", U("ΔＴ")), 2, 0);
    zGrid->addWidget(Edit(zGroup, 1037, "deltaTEdit", 46), 2, 1);
    zGrid->addWidget(Caption(zGroup, "deltaZLabel", U("μm")), 2, 2);
    zGrid->addWidget(Edit(zGroup, 1038, "deltaZEdit", 46), 2, 3);
    auto* focusRow = new QHBoxLayout;
    focusRow->setSpacing(2);
    focusRow->addWidget(Button(zGroup, 1035, "focusStart", tr("Focus Start")));
    focusRow->addWidget(Button(zGroup, 1036, "focusStop", tr("Focus Stop")));
    zGrid->addLayout(focusRow, 0, 4);
    zGrid->addWidget(Button(zGroup, 1194, "zsyncDetails", tr("ショト連動詳細")), 1, 4);
    QLabel* keyHint = Caption(zGroup, "zKeyHint", tr("微 = [Ctrl]+[矢印]\n粗 = [Shift]+[Ctrl]+"));
    keyHint->setFont(SmallFont(font()));
    zGrid->addWidget(keyHint, 2, 4, 2, 1, Qt::AlignTop | Qt::AlignLeft);
    zGrid->setColumnStretch(4, 1);
    root->addWidget(zGroup);

    // Live video and recording.
    auto* run = new QGridLayout;
    run->setSpacing(2);
    run->addWidget(Button(this, 1023, "liveStart", tr("LiveStart")), 0, 0);
    run->addWidget(Button(this, 1024, "liveStop", tr("LiveStop")), 0, 1);
    run->addWidget(Button(this, 1022, "recStart", tr("RecStart")), 1, 0);
    run->addWidget(Button(this, 1020, "recStop", tr("RecStop")), 1, 1);
    run->addWidget(Button(this, 1032, "stillPhoto", tr("スチル写真")), 0, 2);
    auto* status = Tag(new QLabel(tr("Dropped Frames\n転送中"), this), 1027, "recordStatus");
    status->setFont(SmallFont(font()));
    status->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    // Room for the two lines it usually shows, so the panel below does not jump as it changes.
    status->setMinimumHeight(QFontMetrics(status->font()).lineSpacing() * 2);
    run->addWidget(status, 1, 2);
    run->setColumnStretch(2, 1);
    root->addLayout(run);

    // Zoom of the video view.
    auto* zoomMarks = new QHBoxLayout;
    zoomMarks->setContentsMargins(6, 0, 6, 0);
    zoomMarks->addWidget(Caption(this, "zoomMarkMin", U("0.1")));
    zoomMarks->addStretch(5);
    zoomMarks->addWidget(Caption(this, "zoomMarkOne", U("1.0")));
    zoomMarks->addStretch(9);
    zoomMarks->addWidget(Caption(this, "zoomMarkMax", U("10")));
    for (int i = 0; i < zoomMarks->count(); ++i) {
        if (QWidget* mark = zoomMarks->itemAt(i)->widget())
            mark->setFont(SmallFont(font()));
    }
    auto* zoomBox = new QVBoxLayout;
    zoomBox->setSpacing(0);
    zoomBox->addLayout(zoomMarks);
    auto* slider = Tag(new QSlider(Qt::Horizontal, this), 1039, "zoomSlider");
    slider->setRange(0, 16);
    slider->setPageStep(1);
    slider->setValue(6);
    zoomBox->addWidget(slider);
    auto* zoomRow = new QHBoxLayout;
    zoomRow->setSpacing(3);
    zoomRow->addWidget(Caption(this, "zoomLabel", tr("Zoom")));
    zoomRow->addWidget(Edit(this, 1040, "zoomEdit", 44));
    zoomRow->addWidget(Button(this, 1041, "zoomFit", tr("Video を View 内に納める")), 1);
    zoomBox->addLayout(zoomRow);
    root->addLayout(zoomBox);

    // Recording options, mode and time-lapse file type.
    auto* options = new QGridLayout;
    options->setSpacing(1);
    options->addWidget(Tag(new QCheckBox(tr("動画録画時 Zoom = 1.0"), this), 1193, "zoom1xOnRec"),
                       0, 0);
    options->addWidget(Tag(new QCheckBox(tr("動画に音声を入れる"), this), 1048, "recordAudio"), 0,
                       1, 1, 2);
    options->addWidget(Tag(new QCheckBox(tr("再生速度を変更する"), this), 1051, "resetFps"), 1, 0);
    auto* replay = Tag(new QComboBox(this), 1052, "replaySpeed");
    for (const char* name :
         {"29.97 (60i Color)", "30.0  (60i Mono)", "59.94 (60p Color)", "60.0  (60p Mono)"}) {
        replay->addItem(U(name));
    }
    replay->setCurrentIndex(0);
    options->addWidget(replay, 1, 1);
    options->addWidget(Button(this, 1053, "recordSettings", tr("詳細")), 1, 2);
    options->setColumnStretch(1, 1);
    root->addLayout(options);

    auto* modeRow = new QHBoxLayout;
    modeRow->setSpacing(3);
    QGroupBox* mode = Group(this, "recModeGroup", tr("録画モード"));
    auto* modeGrid = Tight(new QGridLayout(mode));
    modeGrid->setVerticalSpacing(0);
    modeGrid->addWidget(Tag(new QRadioButton(tr("１回"), mode), 1072, "modeOnce"), 0, 0);
    modeGrid->addWidget(Tag(new QRadioButton(tr("繰り返し"), mode), 1073, "modeRepeat"), 0, 1);
    modeGrid->addWidget(Tag(new QRadioButton(tr("タイムラップス"), mode), 1074, "modeTimelapse"), 1,
                        0);
    modeGrid->addWidget(
        Tag(new QRadioButton(tr("USB リレー ショット直接"), mode), 1075, "modeRelayShot"), 1, 1);
    modeRow->addWidget(mode, 1);
    QGroupBox* type = Group(this, "timelapseTypeGroup", tr("形式"));
    auto* typeBox = Tight(new QVBoxLayout(type));
    typeBox->setSpacing(0);
    typeBox->addWidget(Tag(new QRadioButton(QStringLiteral("AVI"), type), 1064, "timelapseAvi"));
    typeBox->addWidget(Tag(new QRadioButton(QStringLiteral("BMP"), type), 1065, "timelapseBmp"));
    typeBox->addWidget(Tag(new QRadioButton(QStringLiteral("JPG"), type), 1066, "timelapseJpg"));
    typeBox->addWidget(
        Tag(new QRadioButton(QStringLiteral("OME-TIFF"), type), 1067, "timelapseOmeTiff"));
    modeRow->addWidget(type);
    root->addLayout(modeRow);

    // Temperature and humidity meter beside the microscope readout.
    auto* instruments = new QHBoxLayout;
    instruments->setSpacing(3);
    QGroupBox* meter = Group(this, "meterGroup", tr("温度・湿度計"));
    auto* meterGrid = Tight(new QGridLayout(meter));
    meterGrid->addWidget(Button(meter, 1031, "meterOn", tr("ON")), 0, 0);
    meterGrid->addWidget(Button(meter, 1033, "meterOff", tr("OFF")), 0, 1);
    meterGrid->addWidget(Button(meter, 1045, "meterPorts", tr("計器")), 0, 2);
    auto* meterText = Tag(new QLabel(tr("  Temp:\n  Humid:"), meter), 1034, "meterReadout");
    meterText->setFont(ReadoutFont());
    meterGrid->addWidget(meterText, 1, 0, 1, 3);
    auto* correction = new QHBoxLayout;
    correction->setSpacing(2);
    correction->addWidget(Tag(new QCheckBox(tr("ﾃﾛｯﾌﾟ"), meter), 1057, "meterCaption"));
    correction->addStretch(1);
    correction->addWidget(Caption(meter, "tempCorrectionLabel", tr("補正")));
    correction->addWidget(Edit(meter, 1076, "tempCorrectionEdit", 40));
    meterGrid->addLayout(correction, 2, 0, 1, 3);
    instruments->addWidget(meter);

    QGroupBox* vev = Group(this, "vevGroup", tr("VEV Microscope INFO"));
    auto* vevGrid = Tight(new QGridLayout(vev));
    vevGrid->addWidget(Button(vev, 1042, "vevOn", tr("ON")), 0, 0);
    vevGrid->addWidget(Button(vev, 1043, "vevOff", tr("OFF")), 0, 1);
    vevGrid->addWidget(Tag(new QCheckBox(tr("ﾃﾛｯﾌﾟ"), vev), 1054, "vevCaption"), 0, 2);
    auto* vevText =
        Tag(new QLabel(tr(" VEV Microscope\n not connected!"), vev), 1044, "vevReadout");
    vevText->setFont(ReadoutFont());
    vevGrid->addWidget(vevText, 1, 0, 2, 3);
    instruments->addWidget(vev, 1);
    root->addLayout(instruments);

    // USB relay modules.
    QGroupBox* relays =
        Group(this, "relayGroup", tr("USB リレー  (Super-4 Relay Module) コントロール"));
    auto* relayGrid = Tight(new QGridLayout(relays));
    relayGrid->addWidget(Tag(new QLabel(U("--------"), relays), 1087, "relayModule1Name"), 0, 0);
    relayGrid->addWidget(Tag(new QLabel(U("--------"), relays), 1088, "relayModule2Name"), 1, 0);
    static const char* const kRelayNames[8] = {
        "relayModule1Relay1", "relayModule1Relay2", "relayModule1Relay3", "relayModule1Relay4",
        "relayModule2Relay1", "relayModule2Relay2", "relayModule2Relay3", "relayModule2Relay4"};
    static const char* const kRelayCaptions[4] = {"R1 OFF", "R2 OFF", "R3 OFF", "R4 OFF"};
    for (int channel = 0; channel < 8; ++channel) {
        QPushButton* b =
            Button(relays, 1079 + channel, kRelayNames[channel], U(kRelayCaptions[channel % 4]));
        relayGrid->addWidget(b, channel / 4, 1 + channel % 4);
    }
    auto* relayRun = new QHBoxLayout;
    relayRun->setSpacing(2);
    relayRun->addWidget(Button(relays, 1180, "relayShot", tr("ショット")));
    relayRun->addWidget(Button(relays, 1181, "relayRepeat", tr("繰り返し")));
    relayRun->addWidget(Button(relays, 1182, "relaySettings", tr("詳細")));
    relayGrid->addLayout(relayRun, 2, 0, 1, 5);
    root->addWidget(relays);
    root->addStretch(1);

    for (int id : {1033, 1035, 1036, 1043, 1054})
        createdDisabled_.insert(id);
    for (int id : {1039, 1040, 1041, 1193, 1027, 1034, 1044, 1087, 1088})
        panelOwned_.insert(id);
}

}  // namespace tesmira
