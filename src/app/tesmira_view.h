// The message pane: a rich-text pane in which recording control writes its summaries. New text is
// always appended at the end in colour and cannot be undone; the user may still edit the text.
#pragma once

#include <QTextEdit>

#include "core/tesmira_doc.h"

namespace tesmira {

class CTesmiraView : public QTextEdit, public CUpdateView {
    Q_OBJECT
public:
    // Registers with `doc` for the pane's hints until destroyed.
    explicit CTesmiraView(CTesmiraDoc& doc, QWidget* parent = nullptr);
    ~CTesmiraView() override;

    // 100 clears the text and the undo buffer; 101/102 append the text payload in green/blue.
    void OnUpdate(CUpdateView* sender, UpdateHint hint, const HintPayload& payload) override;

    void Append(const QString& text, const QColor& colour);
    bool CanUndo() const;

private:
    CTesmiraDoc& doc_;
};

}  // namespace tesmira
