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

std::string WithoutTrailingSpaces(std::string text) {
    while (!text.empty() && text.back() == ' ')
        text.pop_back();
    return text;
}

std::string WithoutLeadingSpaces(const std::string& text) {
    const size_t first = text.find_first_not_of(' ');
    return first == std::string::npos ? std::string() : text.substr(first);
}

// The pieces of `text` to try one by one: its words, each with the spaces in front of it, or its
// characters (whole UTF-8 sequences).
std::vector<std::string> WordsOf(const std::string& text) {
    std::vector<std::string> words;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find_first_not_of(' ', start);
        end = end == std::string::npos ? text.size() : text.find(' ', end);
        if (end == std::string::npos)
            end = text.size();
        words.push_back(text.substr(start, end - start));
        start = end;
    }
    return words;
}

std::vector<std::string> CharactersOf(const std::string& text) {
    std::vector<std::string> chars;
    for (size_t i = 0; i < text.size();) {
        size_t n = 1;
        while (i + n < text.size() && (static_cast<unsigned char>(text[i + n]) & 0xC0) == 0x80)
            ++n;
        chars.push_back(text.substr(i, n));
        i += n;
    }
    return chars;
}

// Lays the pieces of one designed line out on as many drawn lines as it takes.
class LineFitter {
public:
    LineFitter(double maxWidth, const std::function<double(const std::string&)>& width,
               std::vector<std::string>& out)
        : maxWidth_(maxWidth), width_(width), out_(out) {}

    void Place(const std::string& part) {
        if (Add(part))
            return;
        NewLine();
        const std::string alone = WithoutLeadingSpaces(part);
        if (Add(alone))
            return;
        for (const std::string& word : WordsOf(alone)) {
            if (Add(word))
                continue;
            NewLine();
            const std::string bare = WithoutLeadingSpaces(word);
            if (Add(bare))
                continue;
            for (const std::string& c : CharactersOf(bare)) {
                if (Add(c))
                    continue;
                NewLine();
                current_ = c;  // one character per line at the least
            }
        }
    }
    // The last drawn line keeps its trailing spaces, as a line that fits is drawn whole.
    void Finish() {
        if (!WithoutTrailingSpaces(current_).empty())
            out_.push_back(current_);
        current_.clear();
    }

private:
    bool Add(const std::string& piece) {
        const std::string candidate = current_ + piece;
        if (maxWidth_ > 0 && width_(WithoutTrailingSpaces(candidate)) > maxWidth_)
            return false;
        current_ = candidate;
        return true;
    }
    void NewLine() {
        const std::string line = WithoutTrailingSpaces(current_);
        if (!line.empty())
            out_.push_back(line);
        current_.clear();
    }

    double maxWidth_;
    const std::function<double(const std::string&)>& width_;
    std::vector<std::string>& out_;
    std::string current_;
};

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

std::vector<std::vector<std::string>> OverlayLineParts(const OverlayInputs& in) {
    const bool time = in.isTextOutTime;
    const bool temperature = in.isTextOutTemparature && in.temperatureText.has_value();
    const bool z = in.isTextOutZValue;
    const bool microscope = in.microscopeCaption && in.microscopeText.has_value();
    std::vector<std::vector<std::string>> lines;
    if (!time && !temperature && !z && !microscope)
        return lines;
    if (time || temperature || z) {
        std::vector<std::string> line{"Tesmira   "};
        if (time) {
            const std::tm& t = in.localTime;
            line.push_back(Format("%4d.%02d.%02d  %02d:%02d:%02d    ", t.tm_year + 1900,
                                  t.tm_mon + 1, t.tm_mday, t.tm_hour, t.tm_min, t.tm_sec));
        }
        if (temperature) {
            line.push_back(*in.temperatureText);
            if (in.humidityText && !in.humidityText->empty())
                line.push_back(*in.humidityText);
        }
        if (z)
            line.push_back(Format("    Z =%8.2f \u00b5m", in.stageZ));
        lines.push_back(std::move(line));
    }
    if (microscope)
        lines.push_back({OneLine(*in.microscopeText)});
    return lines;
}

std::vector<std::string> OverlayLines(const OverlayInputs& in) {
    std::vector<std::string> out;
    for (const std::vector<std::string>& parts : OverlayLineParts(in)) {
        std::string line;
        for (const std::string& part : parts)
            line += part;
        out.push_back(std::move(line));
    }
    return out;
}

std::vector<std::string> WrapOverlayLines(const std::vector<std::vector<std::string>>& lines,
                                          double maxWidth,
                                          const std::function<double(const std::string&)>& width) {
    std::vector<std::string> out;
    for (const std::vector<std::string>& parts : lines) {
        LineFitter fit(maxWidth, width, out);
        for (const std::string& part : parts)
            fit.Place(part);
        fit.Finish();
    }
    return out;
}

bool StampOverlay(CDib& dib, const OverlayInputs& in) {
    const std::vector<std::vector<std::string>> designed = OverlayLineParts(in);
    QImage::Format format{};
    if (designed.empty() || in.fontHeight <= 0 || !ImageFormatFor(dib.BitCount(), &format))
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
    const std::vector<std::string> lines =
        WrapOverlayLines(designed, dib.Width() - kOverlayLeft, [&metrics](const std::string& text) {
            return metrics.horizontalAdvance(QString::fromStdString(text));
        });

    // Each line's cell has its top-left corner at the designed point, filled black behind the
    // text (opaque background), and nothing is drawn outside that cell.
    const int height = in.fontHeight;
    for (size_t i = 0; i < lines.size(); ++i) {
        if (kOverlayTop + static_cast<qreal>(i) * height >= dib.Height())
            break;  // below the picture
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

bool StampOverlayText(CDib& dib, int x, int y, const std::string& text, int fontHeight) {
    QImage::Format format{};
    if (text.empty() || fontHeight <= 0 || !ImageFormatFor(dib.BitCount(), &format))
        return false;
    QImage image(dib.Pixels(), dib.Width(), dib.Height(), static_cast<qsizetype>(dib.Stride()),
                 format);
    QPainter painter(&image);
    painter.setTransform(QTransform(1, 0, 0, -1, 0, dib.Height()));  // picture rows top down
    const QFont font = OverlayFont(fontHeight);
    painter.setFont(font);
    painter.setPen(Qt::white);
    const QFontMetricsF metrics(font);
    const QString line = QString::fromStdString(text);
    const QRectF cell(x, y, std::ceil(metrics.horizontalAdvance(line)), fontHeight);
    painter.setClipRect(cell);
    painter.fillRect(cell, Qt::black);
    painter.drawText(QPointF(cell.left(), cell.top() + metrics.ascent()), line);
    return true;
}

double OverlayTextWidth(const std::string& text, int fontHeight) {
    if (fontHeight <= 0)
        return 0.0;
    return QFontMetricsF(OverlayFont(fontHeight)).horizontalAdvance(QString::fromStdString(text));
}

}  // namespace tesmira
