#include "dialogs/codec_settings_dialogs.h"

#include <QCoreApplication>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSlider>
#include <QSpinBox>
#include <QVBoxLayout>

#include "core/dialog_texts.h"
#include "core/notifier.h"
#include "core/settings.h"
#include "recording/codec_settings.h"

namespace tesmira {
namespace {

// A slider and a spin box showing the same quality figure.
QWidget* QualityRow(QWidget* parent, QSlider*& slider, QSpinBox*& spin, const char* name) {
    auto* row = new QWidget(parent);
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    slider = new QSlider(Qt::Horizontal, row);
    spin = new QSpinBox(row);
    slider->setRange(kQualityMin, kQualityMax);
    spin->setRange(kQualityMin, kQualityMax);
    slider->setObjectName(QString(name) + "Slider");
    spin->setObjectName(QString(name) + "Spin");
    QObject::connect(slider, &QSlider::valueChanged, spin, &QSpinBox::setValue);
    QObject::connect(spin, qOverload<int>(&QSpinBox::valueChanged), slider, &QSlider::setValue);
    layout->addWidget(slider, 1);
    layout->addWidget(spin);
    return row;
}

QDialogButtonBox* OkCancel(QDialog* dialog) {
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, dialog);
    buttons->button(QDialogButtonBox::Ok)->setText("OK");
    buttons->button(QDialogButtonBox::Cancel)->setText(CancelCaption());
    QObject::connect(buttons, &QDialogButtonBox::accepted, dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, dialog, &QDialog::reject);
    return buttons;
}

}  // namespace

CDlgMjpegQuality::CDlgMjpegQuality(QWidget* parent, int quality) : QDialog(parent) {
    setObjectName("mjpegQualityPage");
    setWindowTitle("MJPG (Nikon) Commpression");
    auto* layout = new QVBoxLayout(this);
    auto* form = new QFormLayout;
    form->addRow(tr("画質："), QualityRow(this, slider_, spin_, "quality"));
    layout->addLayout(form);
    layout->addWidget(
        new QLabel(tr("値が大きいほど高画質・大きなファイルになります（1〜100）。"), this));
    layout->addWidget(OkCancel(this));
    SetQuality(quality);
}

int CDlgMjpegQuality::Quality() const {
    return spin_->value();
}
void CDlgMjpegQuality::SetQuality(int quality) {
    spin_->setValue(quality);
}

CDlgVfwConfig::CDlgVfwConfig(QWidget* parent, const QString& compressorName, int keyFrameInterval,
                             int quality)
    : QDialog(parent) {
    setObjectName("vfwConfigPage");
    setWindowTitle(compressorName);
    auto* layout = new QVBoxLayout(this);
    auto* form = new QFormLayout;
    keyFrame_ = new QSpinBox(this);
    keyFrame_->setObjectName("keyFrameSpin");
    keyFrame_->setRange(kKeyFrameMin, kKeyFrameMax);
    keyFrame_->setSuffix(tr(" フレームごと"));
    form->addRow(tr("キーフレーム："), keyFrame_);
    form->addRow(tr("画質："), QualityRow(this, slider_, quality_, "quality"));
    layout->addLayout(form);
    layout->addWidget(OkCancel(this));
    SetValues(keyFrameInterval, quality);
}

int CDlgVfwConfig::KeyFrameInterval() const {
    return keyFrame_->value();
}
int CDlgVfwConfig::Quality() const {
    return quality_->value();
}
void CDlgVfwConfig::SetValues(int keyFrameInterval, int quality) {
    keyFrame_->setValue(keyFrameInterval);
    quality_->setValue(quality);
}

QString CompressorName(int mediaType) {
    switch (mediaType) {
        case 1:
            return "MJPEG Compressor";
        case 2:
            return "MainConcept (Nikon) MJPG Video Encoder";
        case 3:
            return "Cinepak Codec by Radius";
        case 4:
            return "Microsoft Video 1";
        default:
            return {};
    }
}

bool ShowCompressorProperties(QWidget* parent, int mediaType, EncoderPages& pages,
                              INotifier& notifier) {
    if (mediaType != 2) {
        notifier.Notify(
            QCoreApplication::translate("Dialogs", "このコーデックにはプロパティー頁がありません\n")
                .toStdString(),
            MessageIcon::Exclamation);
        return false;
    }
    CDlgMjpegQuality page(parent, pages.mjpegQuality);
    if (page.exec() != QDialog::Accepted)
        return false;
    pages.mjpegQuality = page.Quality();
    return true;
}

bool ShowCompressorDialog(QWidget* parent, int mediaType, EncoderPages& pages) {
    if (mediaType != 3 && mediaType != 4)
        return false;
    VfwConfig& vfw = pages.vfw[mediaType - 3];
    CDlgVfwConfig config(parent, CompressorName(mediaType), vfw.keyFrameInterval, vfw.quality);
    if (config.exec() != QDialog::Accepted)
        return false;
    vfw.keyFrameInterval = config.KeyFrameInterval();
    vfw.quality = config.Quality();
    return true;
}

}  // namespace tesmira
