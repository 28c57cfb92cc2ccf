#include "imaging/ome_xml.h"

#include <algorithm>
#include <cstdarg>
#include <cstdio>

namespace tesmira {
namespace {

std::string Printf(const char* format, ...) __attribute__((format(printf, 1, 2)));
std::string Printf(const char* format, ...) {
    char buffer[512];
    va_list args;
    va_start(args, format);
    const int n = std::vsnprintf(buffer, sizeof buffer, format, args);
    va_end(args);
    return n < 0 ? std::string()
                 : std::string(buffer, std::min<size_t>(size_t(n), sizeof buffer - 1));
}

// A length of UTF-8 sequence starting at text[i], or 0 when the bytes there are not one.
size_t Utf8Length(const std::string& text, size_t i) {
    const auto c = static_cast<unsigned char>(text[i]);
    size_t n = c >= 0xF0 && c < 0xF5 ? 4 : c >= 0xE0 ? 3 : c >= 0xC2 && c < 0xE0 ? 2 : 0;
    if (n == 0 || i + n > text.size())
        return 0;
    for (size_t k = 1; k < n; ++k) {
        if ((static_cast<unsigned char>(text[i + k]) & 0xC0) != 0x80)
            return 0;
    }
    return n;
}

// Device texts are short; a runaway one never swells the XML of every frame.
constexpr size_t kMaxNoteBytes = 160;

std::string Note(const char* key, const std::string& value) {
    return Printf("<M K=\"%s\">", key) + XmlEscaped(value.substr(0, kMaxNoteBytes)) + "</M>";
}

const char kOmeEnd[] = "</OME>";

}  // namespace

std::string XmlEscaped(const std::string& text) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (c < 0x20 && c != '\t') {
            continue;
        } else if (c < 0x80) {
            switch (c) {
                case '&':
                    out += "&amp;";
                    break;
                case '<':
                    out += "&lt;";
                    break;
                case '>':
                    out += "&gt;";
                    break;
                case '"':
                    out += "&quot;";
                    break;
                case '\'':
                    out += "&apos;";
                    break;
                default:
                    out += char(c);
            }
        } else if (const size_t n = Utf8Length(text, i)) {
            out.append(text, i, n);
            i += n - 1;
        } else {
            out += char(0xC0 | (c >> 6));
            out += char(0x80 | (c & 0x3F));
        }
    }
    return out;
}

void OmeXmlBuilder::Add(const OmePlane& p) {
    const bool notes = !p.temperature.empty() || !p.humidity.empty() || !p.microscope.empty();
    planeText_ += Printf(
        "<Plane TheZ=\"0\" TheC=\"0\" TheT=\"%lld\" DeltaT=\"%.3f\" DeltaTUnit=\"ms\" "
        "PositionX=\"%.3f\" PositionXUnit=\"\xC2\xB5m\" PositionY=\"%.3f\" "
        "PositionYUnit=\"\xC2\xB5m\" PositionZ=\"%.3f\" PositionZUnit=\"\xC2\xB5m\"",
        static_cast<long long>(planes_), p.deltaTMs, p.x, p.y, p.z);
    if (notes) {
        planeText_ += Printf("><AnnotationRef ID=\"Annotation:%lld\"/></Plane>\n",
                             static_cast<long long>(planes_));
        annotationText_ += Printf("<MapAnnotation ID=\"Annotation:%lld\"><Value>",
                                  static_cast<long long>(planes_)) +
                           Note("Temperature", p.temperature) + Note("Humidity", p.humidity) +
                           Note("Microscope", p.microscope) + "</Value></MapAnnotation>\n";
    } else {
        planeText_ += "/>\n";
    }
    ++planes_;
}

std::string OmeXmlBuilder::Text() const {
    const OmeSeriesInfo& i = info_;
    std::string xml =
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
        "<OME xmlns=\"http://www.openmicroscopy.org/Schemas/OME/2016-06\" "
        "xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\" "
        "xsi:schemaLocation=\"http://www.openmicroscopy.org/Schemas/OME/2016-06 "
        "http://www.openmicroscopy.org/Schemas/OME/2016-06/ome.xsd\" Creator=\"Tesmira\">\n";
    xml += "<Image ID=\"Image:0\" Name=\"" + XmlEscaped(i.name) + "\">\n";
    xml += Printf(
        "<Pixels ID=\"Pixels:0\" DimensionOrder=\"XYCZT\" Type=\"uint8\" SizeX=\"%d\" "
        "SizeY=\"%d\" SizeC=\"%d\" SizeZ=\"1\" SizeT=\"%lld\" Interleaved=\"%s\" "
        "TimeIncrement=\"%.3f\" TimeIncrementUnit=\"ms\"",
        i.width, i.height, i.samples, static_cast<long long>(planes_),
        i.samples > 1 ? "true" : "false", i.timeIncrementMs);
    if (i.pixelSizeUm > 0.0)
        xml += Printf(
            " PhysicalSizeX=\"%.6g\" PhysicalSizeXUnit=\"\xC2\xB5m\" PhysicalSizeY=\"%.6g\" "
            "PhysicalSizeYUnit=\"\xC2\xB5m\"",
            i.pixelSizeUm, i.pixelSizeUm);
    xml += ">\n";
    xml += Printf("<Channel ID=\"Channel:0:0\" SamplesPerPixel=\"%d\"/>\n", i.samples);
    xml += Printf("<TiffData IFD=\"0\" PlaneCount=\"%lld\"/>\n", static_cast<long long>(planes_));
    xml += planeText_;
    xml += "</Pixels>\n</Image>\n";
    if (!annotationText_.empty())
        xml += "<StructuredAnnotations>\n" + annotationText_ + "</StructuredAnnotations>\n";
    xml += kOmeEnd;
    return xml;
}

namespace {

// Replaces the number in the first `attribute="N"` with `value`; false when there is none.
bool SetNumber(std::string* xml, const char* attribute, int64_t value) {
    const std::string key = std::string(attribute) + "=\"";
    const size_t at = xml->find(key);
    if (at == std::string::npos)
        return false;
    const size_t start = at + key.size();
    const size_t end = xml->find('"', start);
    // Only a plain count is ours to change: anything else is not an XML this program wrote.
    if (end == std::string::npos || end == start || end - start > 18)
        return false;
    for (size_t i = start; i < end; ++i) {
        if ((*xml)[i] < '0' || (*xml)[i] > '9')
            return false;
    }
    xml->replace(start, end - start, std::to_string(value));
    return true;
}

}  // namespace

bool SetOmeFrameCount(std::string* xml, int64_t frames) {
    if (frames < 0 || xml->find("<OME ") == std::string::npos ||
        xml->find("Creator=\"Tesmira\"") == std::string::npos)
        return false;
    if (xml->find("</Pixels>") == std::string::npos || !SetNumber(xml, "SizeT", frames) ||
        !SetNumber(xml, "PlaneCount", frames))
        return false;
    // Planes stand one a line, in frame order.
    std::string kept;
    int64_t planes = 0;
    size_t pos = xml->find("<Plane ");
    const size_t firstPlane = pos;
    const size_t end = xml->find("</Pixels>");
    if (end == std::string::npos)
        return false;
    while (pos != std::string::npos && pos < end) {
        size_t lineEnd = xml->find('\n', pos);
        if (lineEnd == std::string::npos || lineEnd > end)
            lineEnd = end;
        else
            ++lineEnd;
        if (planes < frames)
            kept.append(*xml, pos, lineEnd - pos);
        ++planes;
        pos = lineEnd;
        if (xml->compare(pos, 7, "<Plane ") != 0)
            break;
    }
    for (; planes < frames; ++planes)
        kept += "<Plane TheZ=\"0\" TheC=\"0\" TheT=\"" + std::to_string(planes) + "\"/>\n";
    const size_t from = firstPlane == std::string::npos || firstPlane > end ? end : firstPlane;
    xml->replace(from, end - from, kept);
    // Padding left before the closing tag by an in-place rewrite goes.
    const size_t close = xml->rfind(kOmeEnd);
    if (close == std::string::npos)
        return false;
    size_t blank = close;
    while (blank > 0 && (*xml)[blank - 1] == ' ')
        --blank;
    xml->erase(blank, close - blank);
    xml->resize(blank + sizeof kOmeEnd - 1);
    return true;
}

}  // namespace tesmira
