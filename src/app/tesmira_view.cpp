#include "app/tesmira_view.h"

#include <QTextCursor>
#include <QTextDocument>

#include "core/log.h"

namespace tesmira {

CTesmiraView::CTesmiraView(CTesmiraDoc& doc, QWidget* parent) : QTextEdit(parent), doc_(doc) {
    setObjectName(QStringLiteral("messagePane"));
    setAcceptRichText(false);
    doc_.AddView(this);
}

CTesmiraView::~CTesmiraView() {
    doc_.RemoveView(this);
}

bool CTesmiraView::CanUndo() const {
    return document()->isUndoAvailable();
}

void CTesmiraView::Append(const QString& text, const QColor& colour) {
    QString clean = text;
    clean.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    clean.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    // The pane's lines also go to the log (QT_LOGGING_RULES="tesmira.app.debug=true"), so what
    // the user was told can be read after the window is gone.
    qCDebug(lcApp).noquote() << "message pane:" << clean.trimmed();

    // Switching undo off for the insertion keeps it out of the undo history; Qt empties the
    // history when it does, as the pane's appends are never meant to be taken back.
    document()->setUndoRedoEnabled(false);
    QTextCursor cursor(document());
    cursor.movePosition(QTextCursor::End);
    QTextCharFormat format;
    format.setForeground(colour);
    cursor.insertText(clean, format);
    setTextCursor(cursor);  // the selection ends at the very end, so the view follows the text
    setCurrentCharFormat(format);
    document()->setUndoRedoEnabled(true);
    ensureCursorVisible();
}

void CTesmiraView::OnUpdate(CUpdateView*, UpdateHint h, const HintPayload& payload) {
    switch (h) {
        case UpdateHint::kClearMessages:
            clear();
            document()->clearUndoRedoStacks();
            break;
        case UpdateHint::kAppendGreen:
        case UpdateHint::kAppendBlue: {
            const auto* text = std::get_if<std::string>(&payload);
            if (!text)
                break;
            Append(QString::fromStdString(*text),
                   h == UpdateHint::kAppendGreen ? QColor(0, 0x80, 0) : QColor(0, 0, 0xFF));
            break;
        }
        default:
            break;
    }
}

}  // namespace tesmira
