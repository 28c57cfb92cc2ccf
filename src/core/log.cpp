#include "core/log.h"

Q_LOGGING_CATEGORY(lcCore, "tesmira.core", QtInfoMsg)
Q_LOGGING_CATEGORY(lcSerial, "tesmira.serial", QtInfoMsg)
Q_LOGGING_CATEGORY(lcStage, "tesmira.stage", QtInfoMsg)
Q_LOGGING_CATEGORY(lcImaging, "tesmira.imaging", QtInfoMsg)
Q_LOGGING_CATEGORY(lcMedia, "tesmira.media", QtInfoMsg)
Q_LOGGING_CATEGORY(lcRecording, "tesmira.recording", QtInfoMsg)
Q_LOGGING_CATEGORY(lcInstruments, "tesmira.instruments", QtInfoMsg)
Q_LOGGING_CATEGORY(lcPanel, "tesmira.panel", QtInfoMsg)
Q_LOGGING_CATEGORY(lcCapture, "tesmira.capture", QtInfoMsg)
Q_LOGGING_CATEGORY(lcDialogs, "tesmira.dialogs", QtInfoMsg)
Q_LOGGING_CATEGORY(lcApp, "tesmira.app", QtInfoMsg)
Q_LOGGING_CATEGORY(lcAutomation, "tesmira.automation", QtInfoMsg)
