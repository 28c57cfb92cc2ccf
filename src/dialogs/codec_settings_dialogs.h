// The settings pages of the compressors: the quality page of choice 2 (button 1049 "画質設定")
// and the configuration of Cinepak and Microsoft Video 1 (button 1050 " VfW Compressor Config").
// OK stores the values in the encoder pages handed in; Cancel changes nothing.
#pragma once

#include <QDialog>

class QSpinBox;
class QSlider;

namespace tesmira {

struct EncoderPages;
class INotifier;

class CDlgMjpegQuality : public QDialog {
    Q_OBJECT
public:
    CDlgMjpegQuality(QWidget* parent, int quality);
    int Quality() const;
    void SetQuality(int quality);

private:
    QSlider* slider_ = nullptr;
    QSpinBox* spin_ = nullptr;
};

class CDlgVfwConfig : public QDialog {
    Q_OBJECT
public:
    CDlgVfwConfig(QWidget* parent, const QString& compressorName, int keyFrameInterval,
                  int quality);
    int KeyFrameInterval() const;
    int Quality() const;
    void SetValues(int keyFrameInterval, int quality);

private:
    QSpinBox* keyFrame_ = nullptr;
    QSlider* slider_ = nullptr;
    QSpinBox* quality_ = nullptr;
};

// The compressor's name as the record branch knows it ("MJPEG Compressor" ...); empty for 0.
QString CompressorName(int mediaType);

// Opens the page for the current "MediaType" as a modal child of parent. Each returns true when
// the user accepted new values. A choice without that page shows the fitting message (quality
// page) or nothing (configuration), as the buttons are enabled only for their compressors.
bool ShowCompressorProperties(QWidget* parent, int mediaType, EncoderPages& pages,
                              INotifier& notifier);
bool ShowCompressorDialog(QWidget* parent, int mediaType, EncoderPages& pages);

}  // namespace tesmira
