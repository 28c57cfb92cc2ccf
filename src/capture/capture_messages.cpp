#include "capture/capture_owner.h"

#include "core/ui_text.h"

namespace tesmira {

std::string AbsentDefaultCameraLine(const std::string& camera) {
    return FillIn(UiText("Capture",
                         "既定のカメラ %s が見つかりません。メニューの [キャプチャー] の "
                         "[カメラ選択] でカメラを選んでください。\n"),
                  camera);
}

std::string MessageFor(const MediaError& error) {
    switch (error.code) {
        case MediaFailure::GStreamerInit:
            return "DirectShow Error: COM initialisation!";
        case MediaFailure::PipelineCreate:
            return "DirectShow Error: FilterGraph!";
        case MediaFailure::DeviceSystem:
            return "DirectShow Error: SystemDeviceEnum!";
        case MediaFailure::CameraCategory:
            return "DirectShow Error: VideoInputDeviceCategory!";
        case MediaFailure::AddCameraFilter:
            return "DirectShow Error: AddFilter for camera!";
        case MediaFailure::CameraFailed:
            return UiText(
                "Capture",
                "カメラをインストールできませんでした!\n他のアプリケーションが使用している可能"
                "性があります。\nメニューの [キャプチャー] の [カメラ選択] で\n別のカメラを探"
                "してください。\n");
        case MediaFailure::AddAudioFilter:
            return "DirectShow Error: AddFilter for audio!";
        case MediaFailure::MicrophoneFailed:
            return UiText(
                "Capture",
                "マイクをインストールできませんでした!\nメニューの [キャプチャー] の [カメラ/"
                "マイク選択] で\nマイクの接続を確認して下さい。\n");
        case MediaFailure::GrabberMissing:
            return "DirectShow Error: ISampleGrabber!";
        case MediaFailure::ConverterMissing:
            return "DirectShow Error: ColorSpaceConverter!";
        case MediaFailure::GrabberFilter:
            return "DirectShow Error: GrabberFilter!";
        case MediaFailure::MediaType:
            return "DirectShow Error: SetMediaType!";
        case MediaFailure::NotConnected:
            return "DirectShow Error: VFW_E_NOT_CONNECTED!\n" +
                   UiText("Capture",
                          "ストリームの構築に失敗しました。\nTesmira を再起動して下さい。\n");
        case MediaFailure::NoConnectedFormat:
            return "DirectShow Error: GetConnectedMediaType of Live!";
        case MediaFailure::BitmapFailed:
            return "Out of memory on creating a Dib\n";
        case MediaFailure::RunFailed:
            return "DirectShow Error: Run!\n" + error.detail + "\n";
    }
    return {};
}

}  // namespace tesmira
