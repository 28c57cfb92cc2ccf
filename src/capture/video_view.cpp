#include "capture/video_view.h"

namespace tesmira {

CVideoView::CVideoView(QWidget* parent) : QScrollArea(parent) {
    setObjectName(QStringLiteral("videoView"));
}

void CVideoView::OnUpdate(CUpdateView*, int, const HintPayload&) {}

}  // namespace tesmira
