// The message pane: a rich-text pane in which recording control writes its summaries. New text is
// always appended at the end in colour and cannot be undone; the user may still edit the text.
#pragma once

#include <QTextEdit>

#include "app/tesmira_doc.h"

namespace tesmira {

namespace hint {
constexpr int kClearMessages = 100;
constexpr int kAppendGreen = 101;
constexpr int kAppendBlue = 102;
}  // namespace hint

class CTesmiraView : public QTextEdit, public CUpdateView {
    Q_OBJECT
public:
    explicit CTesmiraView(QWidget* parent = nullptr);
    ~CTesmiraView() override;

    // 100 clears the text and the undo buffer; 101/102 append the text payload in green/blue.
    void OnUpdate(CUpdateView* sender, int hint, const HintPayload& payload) override;

    void Append(const QString& text, const QColor& colour);
    bool CanUndo() const;
};

}  // namespace tesmira
