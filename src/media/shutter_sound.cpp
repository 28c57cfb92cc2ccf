#include "media/shutter_sound.h"

#include <gst/app/gstappsrc.h>
#include <gst/gst.h>

#include <QFile>

// Resources compiled into a static library need an explicit initialisation, outside any
// namespace.
static void InitShutterSoundResources() {
    Q_INIT_RESOURCE(shutter_sounds);
}

namespace tesmira {

std::string ShutterSoundName(int index) {
    static const char* const kNames[] = {"D5000_SHUTTER", "KISSX2_SHUTTER", "50D_SHUTTER",
                                         "ALPHA77_SHUTTER"};
    if (index < 0 || index >= 4)
        return {};
    return kNames[index];
}

std::vector<uint8_t> ShutterSoundBytes(int index) {
    const std::string name = ShutterSoundName(index);
    if (name.empty())
        return {};
    static const bool initialised = (InitShutterSoundResources(), true);
    (void)initialised;
    QFile file(QStringLiteral(":/tesmira/sounds/%1.wav").arg(QString::fromStdString(name)));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const QByteArray bytes = file.readAll();
    return std::vector<uint8_t>(bytes.begin(), bytes.end());
}

ShutterSoundPlayer::ShutterSoundPlayer(std::string sink) : sink_(std::move(sink)) {}

ShutterSoundPlayer::~ShutterSoundPlayer() {
    if (pipeline_) {
        gst_element_set_state(pipeline_, GST_STATE_NULL);
        gst_object_unref(source_);
        gst_object_unref(pipeline_);
    }
}

bool ShutterSoundPlayer::Build() {
    if (pipeline_)
        return true;
    if (buildFailed_ || !gst_init_check(nullptr, nullptr, nullptr))
        return false;
    const std::string description =
        "appsrc name=wave format=bytes caps=audio/x-wav ! wavparse ! audioconvert ! "
        "audioresample ! " +
        sink_;
    GError* error = nullptr;
    GstElement* pipeline = gst_parse_launch(description.c_str(), &error);
    // A missing plugin or sink is not worth a message: shots simply stay silent.
    if (!pipeline || error) {
        if (error)
            g_error_free(error);
        if (pipeline)
            gst_object_unref(pipeline);
        buildFailed_ = true;
        return false;
    }
    pipeline_ = pipeline;
    source_ = gst_bin_get_by_name(GST_BIN(pipeline_), "wave");
    return source_ != nullptr;
}

void ShutterSoundPlayer::DropOldMessages() {
    GstBus* bus = gst_element_get_bus(pipeline_);
    while (GstMessage* message = gst_bus_pop(bus))
        gst_message_unref(message);
    gst_object_unref(bus);
}

void ShutterSoundPlayer::Play(int index) {
    if (index < 0 || index >= 4)
        return;
    std::vector<uint8_t>& bytes = cached_[index];
    if (bytes.empty())
        bytes = ShutterSoundBytes(index);
    Play(std::span<const uint8_t>(bytes));
}

void ShutterSoundPlayer::Play(std::span<const uint8_t> wave) {
    started_ = false;
    if (wave.empty() || !Build())
        return;
    // Back to READY flushes whatever the last sound left, so the same elements parse the new
    // file from its header.
    gst_element_set_state(pipeline_, GST_STATE_READY);
    DropOldMessages();
    if (gst_element_set_state(pipeline_, GST_STATE_PLAYING) == GST_STATE_CHANGE_FAILURE) {
        gst_element_set_state(pipeline_, GST_STATE_NULL);  // no sound device: stay silent
        return;
    }
    GstBuffer* buffer = gst_buffer_new_memdup(wave.data(), wave.size());
    if (gst_app_src_push_buffer(GST_APP_SRC(source_), buffer) != GST_FLOW_OK)
        return;
    gst_app_src_end_of_stream(GST_APP_SRC(source_));
    started_ = true;
}

bool ShutterSoundPlayer::WaitUntilPlayed(int timeoutMs) {
    if (!started_ || !pipeline_)
        return false;
    GstBus* bus = gst_element_get_bus(pipeline_);
    GstMessage* message = gst_bus_timed_pop_filtered(
        bus, static_cast<GstClockTime>(timeoutMs) * GST_MSECOND,
        static_cast<GstMessageType>(GST_MESSAGE_EOS | GST_MESSAGE_ERROR));
    gst_object_unref(bus);
    if (!message)
        return false;
    const bool played = GST_MESSAGE_TYPE(message) == GST_MESSAGE_EOS;
    gst_message_unref(message);
    return played;
}

}  // namespace tesmira
