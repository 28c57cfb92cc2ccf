// The OME-XML that the first page of a time-lapse OME-TIFF carries: the picture size, the frames
// stored so far with their times and stage positions, and per frame the room climate and the
// microscope line as key/value annotations. Analysis programs read the series from it.
#pragma once

#include <cstdint>
#include <string>

namespace tesmira {

struct OmeSeriesInfo {
    std::string name;  // the series' file name, for the Image element
    int width = 0;
    int height = 0;
    int samples = 3;               // 3 for RGB, 1 for grey
    double timeIncrementMs = 0.0;  // the requested interval
    double pixelSizeUm = 0.0;      // 0: not calibrated, no PhysicalSize
};

struct OmePlane {
    double deltaTMs = 0.0;  // since the first frame
    double x = 0.0, y = 0.0, z = 0.0;
    std::string temperature;
    std::string humidity;
    std::string microscope;
};

// Builds the XML frame by frame: Add is cheap, Text puts the whole document together.
class OmeXmlBuilder {
public:
    explicit OmeXmlBuilder(OmeSeriesInfo info) : info_(std::move(info)) {}

    void Add(const OmePlane& plane);
    int64_t Planes() const { return planes_; }
    std::string Text() const;

private:
    OmeSeriesInfo info_;
    int64_t planes_ = 0;
    std::string planeText_;
    std::string annotationText_;
};

// Text safe inside an XML attribute or element: markup characters escaped, control characters
// dropped, bytes that are not UTF-8 (a meter's Latin-1 degree sign) taken as Latin-1.
std::string XmlEscaped(const std::string& text);

// Rewrites the frame count of an OME-XML this program wrote so that it says `frames`: SizeT and
// PlaneCount set, Plane elements beyond dropped and missing ones added bare. False when the text
// is not such an XML.
bool SetOmeFrameCount(std::string* xml, int64_t frames);

}  // namespace tesmira
