// The capture menu's dialogs: camera and microphone choice (template 134), the camera's own
// controls (brightness, contrast ...) and its stream formats.
#pragma once

#include <QDialog>
#include <QTimer>

#include "capture/camera_select_model.h"

class QListWidget;
class QLabel;

namespace tesmira {

class CCaptureGraph;
class CaptureOwner;

class CDlgCameraSelect : public QDialog {
    Q_OBJECT
public:
    CDlgCameraSelect(IDeviceCatalog& catalog, const std::string& camera, const std::string& audio,
                     QWidget* parent = nullptr);

    const std::string& ChosenCamera() const { return model_.ChosenCamera(); }
    const std::string& ChosenMicrophone() const { return model_.ChosenMicrophone(); }
    QTimer& RefreshTimer() { return refreshTimer_; }  // timer 1004
    // One refresh as timer 1004 does it.
    void OnRefreshTimer();

    void done(int result) override;

private:
    void Show(const CameraSelectModel::Changes& changes, bool all);
    std::string Selected(QListWidget* list) const;

    CameraSelectModel model_;
    QTimer refreshTimer_;
    QListWidget* cameraList_;
    QListWidget* micList_;
    QLabel* cameraChosen_;
    QLabel* micChosen_;
};

// Menu 32773: opens the dialog modally and applies the result.
void RunCameraSelectDialog(CaptureOwner& capture, QWidget* owner);
// Menu 32774: the camera's V4L2 controls, applied live.
void ShowCameraControlsDialog(CCaptureGraph& graph, QWidget* owner);
// Menu 32777: the formats the camera offers.
void ShowStreamFormatDialog(CaptureOwner& capture, QWidget* owner);

}  // namespace tesmira
