#include "imaging/text_overlay.h"

#include <QFont>
#include <QFontMetricsF>
#include <QImage>
#include <QPainter>
#include <QString>
#include <QTransform>
#include <algorithm>
#include <cmath>

#include "core/text_format.h"
#include "imaging/dib.h"

namespace tesmira {
namespace {

// The readout text ends with a line break, which would show as a stray glyph on a single drawn
// line.
std::string OneLine(std::string text) {
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r'))
        text.pop_back();
    std::replace_if(
        text.begin(), text.end(), [](char c) { return c == '\n' || c == '\r' || c == '\t'; }, ' ');
    return text;
}

bool ImageFormatFor(int bitCount, QImage::Format* format) {
    switch (bitCount) {
        case 8:
            *format = QImage::Format_Grayscale8;  // the frames' 8-bit table is the grey palette
            return true;
        case 16:
            *format = QImage::Format_RGB555;
            return true;
        case 24:
            *format = QImage::Format_BGR888;
            return true;
        case 32:
            *format = QImage::Format_RGB32;  // bytes blue, green, red, unused
            return true;
        default:
            return false;
    }
}

// Bold "Times New Roman" (Liberation Serif here) whose whole cell, ascent plus descent, is
// `height` pixels, as a positive font height asks for; Qt's pixel size is the em, which is
// smaller.
QFont OverlayFont(int height) {
    QFont font;
    font.setFamilies({QStringLiteral("Times New Roman"), QStringLiteral("Liberation Serif")});
    font.setStyleHint(QFont::Serif);
    font.setWeight(QFont::Bold);
    font.setPixelSize(height);
    const qreal cell = QFontMetricsF(font).height();
    if (cell > 0)
        font.setPixelSize(std::max(1, static_cast<int>(std::lround(height * height / cell))));
    return font;
}

}  // namespace

std::tm LocalTimeOf(std::time_t t) {
    std::tm out{};
    localtime_r(&t, &out);
    return out;
}

std::vector<std::string> OverlayLines(const OverlayInputs& in) {
    const bool time = in.isTextOutTime;
    const bool temperature = in.isTextOutTemparature && in.temperatureText.has_value();
    const bool z = in.isTextOutZValue;
    const bool microscope = in.microscopeCaption && in.microscopeText.has_value();
    std::vector<std::string> lines;
    if (!time && !temperature && !z && !microscope)
        return lines;
    if (time || temperature || z) {
        std::string line = "Tesmira   ";
        if (time) {
            const std::tm& t = in.localTime;
            line += Format("%4d.%02d.%02d  %02d:%02d:%02d    ", t.tm_year + 1900, t.tm_mon + 1,
                           t.tm_mday, t.tm_hour, t.tm_min, t.tm_sec);
        }
        if (temperature)
            line += *in.temperatureText + in.humidityText.value_or(std::string());
        if (z)
            line += Format("    Z =%8.2f \u00b5m", in.stageZ);
        lines.push_back(std::move(line));
    }
    if (microscope)
        lines.push_back(OneLine(*in.microscopeText));
    return lines;
}

bool StampOverlay(CDib& dib, const OverlayInputs& in) {
    const std::vector<std::string> lines = OverlayLines(in);
    QImage::Format format{};
    if (lines.empty() || in.fontHeight <= 0 || !ImageFormatFor(dib.BitCount(), &format))
        return false;

    // The image shares the bitmap's memory. Its row 0 is the first row in memory, the bottom of
    // the picture, so everything is drawn through a vertical flip: picture row y lands on
    // memory row height - 1 - y.
    QImage image(dib.Pixels(), dib.Width(), dib.Height(), static_cast<qsizetype>(dib.Stride()),
                 format);
    QPainter painter(&image);
    painter.setTransform(QTransform(1, 0, 0, -1, 0, dib.Height()));
    const QFont font = OverlayFont(in.fontHeight);
    painter.setFont(font);
    painter.setPen(Qt::white);
    const QFontMetricsF metrics(font);

    // Each line's cell has its top-left corner at the designed point, filled black behind the
    // text (opaque background), and nothing is drawn outside that cell.
    const int height = in.fontHeight;
    for (size_t i = 0; i < lines.size(); ++i) {
        const QString text = QString::fromStdString(lines[i]);
        const QRectF cell(kOverlayLeft, kOverlayTop + static_cast<qreal>(i) * height,
                          std::ceil(metrics.horizontalAdvance(text)), height);
        painter.setClipRect(cell);
        painter.fillRect(cell, Qt::black);
        painter.drawText(QPointF(cell.left(), cell.top() + metrics.ascent()), text);
    }
    painter.end();
    return true;
}

}  // namespace tesmira
