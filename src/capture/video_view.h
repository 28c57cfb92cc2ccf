// The live-video pane: a scroll area hosting the video widget at the current zoom factor.
#pragma once

#include <QScrollArea>

#include "app/tesmira_doc.h"

namespace tesmira {

class CVideoView : public QScrollArea, public CUpdateView {
    Q_OBJECT
public:
    explicit CVideoView(QWidget* parent = nullptr);
    void OnUpdate(CUpdateView* sender, int hint, const HintPayload& payload) override;
};

}  // namespace tesmira
