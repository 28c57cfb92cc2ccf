// Where the rooms are put together. Each room offers a binder that attaches its behaviour to the
// frame's panes, menu commands (command_registry.h) and the panel's timers and keys; the calls
// are collected here so that main.cpp and the frame stay free of room logic.
#pragma once

namespace tesmira {

class CMainFrame;
struct EncoderPages;
class CaptureOwner;

// Start-up, once the frame, its panes and the floating panels exist (before the window shows).
void WireRooms(CMainFrame& frame);
// Start-up, with the splash window up and the frame hidden: build the capture graph for the
// stored camera and microphone, then broadcast hint 201.
void StartRooms(CMainFrame& frame);
// Close sequence, after the timers stopped and the placements were taken: release what the rooms
// hold (the relay-module library).
void ShutdownRooms();

// The compressors' page values of the workstation (loaded and saved with the settings).
EncoderPages& WorkstationEncoderPages();
// The capture graph's owner of the workstation (created by WireRooms).
CaptureOwner& WorkstationCapture();

}  // namespace tesmira
