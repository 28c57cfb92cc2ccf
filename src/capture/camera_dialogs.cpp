#include "capture/camera_dialogs.h"

#include <fcntl.h>
#include <linux/videodev2.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QSlider>
#include <QVBoxLayout>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <memory>

#include "capture/capture_owner.h"
#include "core/dialog_texts.h"
#include "core/settings.h"
#include "media/capture_graph.h"
#include "media/device_rules.h"

namespace tesmira {
namespace {

QString Q(const std::string& s) {
    return QString::fromStdString(s);
}

// A device name as the lists show it: the camera's own sound input under its translated label.
QString Shown(const std::string& name) {
    return name == kCameraAudioLabel ? QCoreApplication::translate("Media", kCameraAudioLabel)
                                     : Q(name);
}

void AddDevice(QListWidget* list, const std::string& name) {
    auto* item = new QListWidgetItem(Shown(name), list);
    item->setData(Qt::UserRole, Q(name));
}

QPushButton* Button(const QString& text, int id, QWidget* parent) {
    auto* b = new QPushButton(text, parent);
    b->setProperty("id", id);
    return b;
}

struct WaitCursor {
    WaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~WaitCursor() { QApplication::restoreOverrideCursor(); }
};

}  // namespace

CDlgCameraSelect::CDlgCameraSelect(IDeviceCatalog& catalog, const std::string& camera,
                                   const std::string& audio, QWidget* parent)
    : QDialog(parent), model_(catalog) {
    setProperty("id", 134);
    setObjectName(QStringLiteral("cameraSelectDialog"));
    setWindowTitle(tr("カメラ選択"));
    model_.Open(camera, audio);

    auto* grid = new QGridLayout(this);
    auto* camGroup = new QGroupBox(tr("カメラ　リスト"), this);
    cameraList_ = new QListWidget(camGroup);
    cameraList_->setProperty("id", 1045);
    cameraList_->setObjectName(QStringLiteral("cameraList"));
    (new QVBoxLayout(camGroup))->addWidget(cameraList_);
    auto* camChosenGroup = new QGroupBox(tr("接続カメラ"), this);
    cameraChosen_ = new QLabel(QStringLiteral("Camera 1"), camChosenGroup);
    cameraChosen_->setProperty("id", 1018);
    cameraChosen_->setObjectName(QStringLiteral("chosenCamera"));
    (new QVBoxLayout(camChosenGroup))->addWidget(cameraChosen_);
    auto* takeCam = Button(QStringLiteral(">>"), 1015, this);
    takeCam->setObjectName(QStringLiteral("takeCamera"));
    auto* dropCam = Button(QStringLiteral("<<"), 1017, this);
    dropCam->setObjectName(QStringLiteral("clearCamera"));

    auto* micGroup = new QGroupBox(tr("マイク　リスト"), this);
    micList_ = new QListWidget(micGroup);
    micList_->setProperty("id", 1046);
    micList_->setObjectName(QStringLiteral("microphoneList"));
    (new QVBoxLayout(micGroup))->addWidget(micList_);
    auto* micChosenGroup = new QGroupBox(tr("接続マイク"), this);
    micChosen_ = new QLabel(QStringLiteral("Audio"), micChosenGroup);
    micChosen_->setProperty("id", 1019);
    micChosen_->setObjectName(QStringLiteral("chosenMicrophone"));
    (new QVBoxLayout(micChosenGroup))->addWidget(micChosen_);
    auto* takeMic = Button(QStringLiteral(">>"), 1016, this);
    takeMic->setObjectName(QStringLiteral("takeMicrophone"));
    auto* dropMic = Button(QStringLiteral("<<"), 1047, this);
    dropMic->setObjectName(QStringLiteral("clearMicrophone"));

    auto* camButtons = new QVBoxLayout;
    camButtons->addWidget(takeCam);
    camButtons->addWidget(dropCam);
    auto* micButtons = new QVBoxLayout;
    micButtons->addWidget(takeMic);
    micButtons->addWidget(dropMic);
    grid->addWidget(camGroup, 0, 0);
    grid->addLayout(camButtons, 0, 1);
    grid->addWidget(camChosenGroup, 0, 2);
    grid->addWidget(micGroup, 1, 0);
    grid->addLayout(micButtons, 1, 1);
    grid->addWidget(micChosenGroup, 1, 2);

    auto* ok = Button(QStringLiteral("OK"), 1, this);
    ok->setObjectName(QStringLiteral("ok"));
    ok->setDefault(true);
    auto* cancel = Button("", 2, this);
    cancel->setText(CancelCaption());
    cancel->setObjectName(QStringLiteral("cancel"));
    auto* endButtons = new QHBoxLayout;
    endButtons->addStretch();
    endButtons->addWidget(ok);
    endButtons->addWidget(cancel);
    grid->addLayout(endButtons, 2, 0, 1, 3);

    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(takeCam, &QPushButton::clicked, this, [this] {
        WaitCursor wait;
        Show(model_.TakeCamera(Selected(cameraList_)), false);
    });
    connect(dropCam, &QPushButton::clicked, this, [this] {
        WaitCursor wait;
        Show(model_.ClearCamera(), false);
    });
    connect(takeMic, &QPushButton::clicked, this, [this] {
        WaitCursor wait;
        Show(model_.TakeMicrophone(Selected(micList_)), false);
    });
    connect(dropMic, &QPushButton::clicked, this, [this] {
        WaitCursor wait;
        Show(model_.ClearMicrophone(), false);
    });

    refreshTimer_.setInterval(5000);
    refreshTimer_.setProperty("id", 1004);
    connect(&refreshTimer_, &QTimer::timeout, this, &CDlgCameraSelect::OnRefreshTimer);
    Show({}, true);
    refreshTimer_.start();
}

std::string CDlgCameraSelect::Selected(QListWidget* list) const {
    QListWidgetItem* item = list->currentItem();
    return item && item->isSelected() ? item->data(Qt::UserRole).toString().toStdString()
                                      : std::string();
}

void CDlgCameraSelect::OnRefreshTimer() {
    Show(model_.Refresh(), false);
}

void CDlgCameraSelect::Show(const CameraSelectModel::Changes& changes, bool all) {
    if (all || changes.cameras) {
        cameraList_->clear();
        for (const std::string& n : model_.Cameras())
            AddDevice(cameraList_, n);
    }
    if (all || changes.microphones) {
        micList_->clear();
        for (const std::string& n : model_.Microphones())
            AddDevice(micList_, n);
    }
    cameraChosen_->setText(Q(model_.ChosenCamera()));
    micChosen_->setText(Shown(model_.ChosenMicrophone()));
}

void CDlgCameraSelect::done(int result) {
    refreshTimer_.stop();  // OK, Cancel and closing the window all stop timer 1004 first
    QDialog::done(result);
}

void RunCameraSelectDialog(CaptureOwner& capture, QWidget* owner) {
    const Settings& s = capture.CurrentSettings();
    CDlgCameraSelect dialog(capture.Catalog(), s.camera, s.audio, owner);
    if (dialog.exec() != QDialog::Accepted)
        return;
    capture.ApplyCameraChoice(dialog.ChosenCamera(), dialog.ChosenMicrophone());
}

// ---- camera controls ------------------------------------------------------------------------

namespace {

// An open V4L2 device node, closed with the dialog.
struct DeviceFd {
    int fd = -1;
    ~DeviceFd() {
        if (fd >= 0)
            ::close(fd);
    }
};

int Xioctl(int fd, unsigned long request, void* arg) {
    int r;
    do
        r = ::ioctl(fd, request, arg);
    while (r < 0 && errno == EINTR);
    return r;
}

void AddControl(QFormLayout* form, QWidget* parent, std::shared_ptr<DeviceFd> dev,
                const v4l2_queryctrl& q) {
    const QString label = QString::fromUtf8(reinterpret_cast<const char*>(q.name));
    v4l2_control current{};
    current.id = q.id;
    Xioctl(dev->fd, VIDIOC_G_CTRL, &current);
    const uint32_t id = q.id;
    auto set = [dev, id](int value) {
        v4l2_control c{};
        c.id = id;
        c.value = value;
        Xioctl(dev->fd, VIDIOC_S_CTRL, &c);
    };
    if (q.type == V4L2_CTRL_TYPE_BOOLEAN) {
        auto* box = new QCheckBox(parent);
        box->setChecked(current.value != 0);
        QObject::connect(box, &QCheckBox::toggled, box, [set](bool on) { set(on ? 1 : 0); });
        form->addRow(label, box);
    } else if (q.type == V4L2_CTRL_TYPE_MENU || q.type == V4L2_CTRL_TYPE_INTEGER_MENU) {
        auto* combo = new QComboBox(parent);
        for (int i = q.minimum; i <= q.maximum; ++i) {
            v4l2_querymenu m{};
            m.id = q.id;
            m.index = static_cast<uint32_t>(i);
            if (Xioctl(dev->fd, VIDIOC_QUERYMENU, &m) < 0)
                continue;
            const QString text = q.type == V4L2_CTRL_TYPE_MENU
                                     ? QString::fromUtf8(reinterpret_cast<const char*>(m.name))
                                     : QString::number(m.value);
            combo->addItem(text, i);
            if (i == current.value)
                combo->setCurrentIndex(combo->count() - 1);
        }
        QObject::connect(combo, &QComboBox::currentIndexChanged, combo,
                         [combo, set](int index) { set(combo->itemData(index).toInt()); });
        form->addRow(label, combo);
    } else if (q.type == V4L2_CTRL_TYPE_INTEGER) {
        auto* slider = new QSlider(Qt::Horizontal, parent);
        slider->setRange(q.minimum, q.maximum);
        slider->setSingleStep(q.step > 0 ? q.step : 1);
        slider->setValue(current.value);
        auto* value = new QLabel(QString::number(current.value), parent);
        QObject::connect(slider, &QSlider::valueChanged, slider, [set, value](int v) {
            value->setText(QString::number(v));
            set(v);
        });
        auto* row = new QHBoxLayout;
        row->addWidget(slider, 1);
        row->addWidget(value);
        form->addRow(label, row);
    }
}

}  // namespace

void ShowCameraControlsDialog(CCaptureGraph& graph, QWidget* owner) {
    QDialog dialog(owner);
    dialog.setWindowTitle(QStringLiteral("Camera"));
    dialog.setObjectName(QStringLiteral("cameraControlsDialog"));
    auto* layout = new QVBoxLayout(&dialog);
    auto* form = new QFormLayout;
    layout->addLayout(form);

    auto dev = std::make_shared<DeviceFd>();
    const std::string path = graph.CameraDevicePath();
    if (!path.empty())
        dev->fd = ::open(path.c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC);
    int count = 0;
    if (dev->fd >= 0) {
        v4l2_queryctrl q{};
        q.id = V4L2_CTRL_FLAG_NEXT_CTRL;
        while (Xioctl(dev->fd, VIDIOC_QUERYCTRL, &q) == 0 && count < 200) {
            if (!(q.flags & (V4L2_CTRL_FLAG_DISABLED | V4L2_CTRL_FLAG_READ_ONLY)) &&
                q.type != V4L2_CTRL_TYPE_CTRL_CLASS) {
                AddControl(form, &dialog, dev, q);
                ++count;
            }
            q.id |= V4L2_CTRL_FLAG_NEXT_CTRL;
        }
    }
    // A GenICam camera: its exposure and gain, each on a slider over its whole range.
    for (const CameraSetting& setting : graph.CameraSettings()) {
        constexpr int kSteps = 1000;
        auto* slider = new QSlider(Qt::Horizontal, &dialog);
        slider->setObjectName(Q(setting.name));
        slider->setRange(0, kSteps);
        const double span = setting.max - setting.min;
        slider->setValue(int(std::lround((setting.value - setting.min) / span * kSteps)));
        auto* value = new QLabel(QString::number(setting.value, 'g', 5), &dialog);
        CCaptureGraph* target = &graph;
        const std::string name = setting.name;
        const double min = setting.min;
        QObject::connect(slider, &QSlider::valueChanged, slider, [=](int v) {
            const double chosen = min + span * v / kSteps;
            value->setText(QString::number(chosen, 'g', 5));
            target->SetCameraSetting(name, chosen);
        });
        auto* row = new QHBoxLayout;
        row->addWidget(slider, 1);
        row->addWidget(value);
        form->addRow(Q(setting.name), row);
        ++count;
    }
    if (count == 0)
        layout->addWidget(new QLabel(
            QCoreApplication::translate("Capture", "このカメラには調節できる項目がありません。\n") +
                Q(graph.BoundCameraName()),
            &dialog));
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, &dialog);
    buttons->button(QDialogButtonBox::Close)->setDefault(true);  // Enter closes the page
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    layout->addWidget(buttons);
    dialog.exec();
}

void ShowStreamFormatDialog(CaptureOwner& capture, QWidget* owner) {
    if (!capture.Graph())
        return;
    CCaptureGraph& graph = *capture.Graph();
    QDialog dialog(owner);
    dialog.setWindowTitle(QStringLiteral("Stream"));
    dialog.setObjectName(QStringLiteral("streamFormatDialog"));
    auto* layout = new QVBoxLayout(&dialog);
    const std::optional<StreamFormat> current = graph.InUseFormat();
    layout->addWidget(new QLabel(current ? Q(current->Label()) : QString(), &dialog));
    auto* list = new QListWidget(&dialog);
    list->setObjectName(QStringLiteral("formatList"));
    // One line a fixed format, the one in use selected; offers without a fixed size are left out.
    for (const std::string& caps : graph.OfferedFormats()) {
        const std::optional<StreamFormat> format = StreamFormatFromCaps(caps);
        if (!format)
            continue;
        auto* item = new QListWidgetItem(Q(format->Label()), list);
        item->setData(Qt::UserRole, Q(format->Caps()));
        if (current && *format == *current)
            list->setCurrentItem(item);
    }
    layout->addWidget(list);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
    buttons->button(QDialogButtonBox::Ok)->setDefault(true);
    buttons->button(QDialogButtonBox::Cancel)->setText(CancelCaption());
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    layout->addWidget(buttons);
    if (dialog.exec() != QDialog::Accepted || !list->currentItem())
        return;
    capture.ApplyStreamFormat(list->currentItem()->data(Qt::UserRole).toString().toStdString());
}

}  // namespace tesmira
