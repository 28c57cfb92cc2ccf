// The one capture graph of the process, its rebuild, live video on and off, and how the panel's
// buttons and the capture menu reach them.
#pragma once

#include <functional>

class QWidget;

namespace tesmira {

class CCaptureGraph;

// The current graph, or nullptr before the first build and after DestroyCaptureGraph.
CCaptureGraph* theCaptureGraph();

// Destroys any graph and builds one for "Camera" and "Audio" (start-up and every rebuild): the
// live flag is cleared first and, when live video was on and "RecMode" is not 3, the new graph
// runs again. Views get hint 201 when a graph exists.
void RebuildCaptureGraph();
void DestroyCaptureGraph();

// Button 1023 / 1024.
void LiveStart();
void LiveStop();
// Recording control installs its RecStop here; LiveStop calls it while a recording runs.
void SetRecStopHook(std::function<void()> recStop);

// Conditions of the panel's enabling rule (all false without a graph).
bool CameraReady();
bool MicrophoneReady();
bool TimelapseWriterAvailable();

// Menu enabling: 32773 camera choice, 32774 camera controls, 32777 stream format.
bool CanChooseCamera();
bool CanShowCameraProperties();
bool CanShowStreamProperties();

// Menu commands (UI thread).
void OnCameraSelect(QWidget* owner);      // 32773
void OnCameraProperties(QWidget* owner);  // 32774
void OnStreamProperties(QWidget* owner);  // 32777

// Connects LiveStart (1023) and LiveStop (1024) found below the panel.
void BindCaptureControls(QWidget* panelRoot);
// Connects the QActions 32773, 32774 and 32777 found below the main window and keeps their
// enabled state current whenever their menu opens.
void BindCaptureMenu(QWidget* mainWindow);

}  // namespace tesmira
