#include <fcntl.h>
#include <gtest/gtest.h>
#include <tiffio.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <thread>

#include "imaging/ome_tiff_file.h"
#include "imaging/ome_tiff_writer.h"
#include "imaging/ome_xml.h"
#include "imaging/scale_bar.h"
#include "imaging_test_util.h"

namespace tesmira {
namespace {

using testing::FillNoisyPattern;
using testing::ReadAll;
using testing::ScratchDir;

struct ReadBack {
    int pages = 0;
    std::string description;
    std::vector<std::vector<uint8_t>> pixels;  // per page, packed top-down
    int samples = 0;
};

ReadBack ReadWithLibtiff(const std::string& path) {
    ReadBack r;
    TIFFSetWarningHandler(nullptr);
    TIFF* tif = TIFFOpen(path.c_str(), "r");
    if (!tif)
        return r;
    do {
        uint32_t w = 0, h = 0;
        uint16_t spp = 0;
        TIFFGetField(tif, TIFFTAG_IMAGEWIDTH, &w);
        TIFFGetField(tif, TIFFTAG_IMAGELENGTH, &h);
        TIFFGetField(tif, TIFFTAG_SAMPLESPERPIXEL, &spp);
        r.samples = spp;
        if (r.pages == 0) {
            char* text = nullptr;
            if (TIFFGetField(tif, TIFFTAG_IMAGEDESCRIPTION, &text) && text)
                r.description = text;
        }
        std::vector<uint8_t> page(size_t(w) * h * spp);
        for (uint32_t y = 0; y < h; ++y)
            TIFFReadScanline(tif, page.data() + size_t(y) * w * spp, y);
        r.pixels.push_back(std::move(page));
        ++r.pages;
    } while (TIFFReadDirectory(tif));
    TIFFClose(tif);
    return r;
}

void WaitWritten(const OmeTiffWriter& w, int64_t frames) {
    for (int i = 0; i < 2000 && w.FramesWritten() < frames && w.Error().empty(); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
}

int Count(const std::string& text, const std::string& what) {
    int n = 0;
    for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1))
        ++n;
    return n;
}

OmePlane PlaneAt(int k) {
    OmePlane p;
    p.deltaTMs = 1000.0 * k;
    p.x = 10.0 * k;
    p.temperature =
        "T = 21.5 \xB0"
        "C";  // a meter's Latin-1 degree sign
    p.microscope = "vac <1e-5> & ok";
    return p;
}

// Every compression and both kinds of picture come back bit for bit, the file whole after each
// frame, the XML counting the frames stored so far.
TEST(OmeTiffWriter, EveryFrameIsReadableAsSoonAsItIsWritten) {
    struct Case {
        int bitCount;
        OmeCompression compression;
    } cases[] = {{24, OmeCompression::kNone},
                 {24, OmeCompression::kDeflate},
                 {32, OmeCompression::kLzw},
                 {8, OmeCompression::kDeflate}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.bitCount * 10 + int(c.compression));
        ScratchDir dir;
        const std::string path = dir / "001_OME.ome.tif";
        auto dib = CDib::Create(37, 11, c.bitCount);
        ASSERT_TRUE(dib);
        if (c.bitCount == 8)
            dib->MakeGreyPalette();
        OmeTiffOptions options;
        options.compression = c.compression;
        options.expectedFrames = 3;
        options.info.pixelSizeUm = 0.25;
        OmeTiffWriter writer;
        std::string error;
        ASSERT_TRUE(writer.Open(path, 37, 11, c.bitCount, options, &error)) << error;
        for (int k = 0; k < 3; ++k) {
            FillNoisyPattern(*dib, unsigned(k + 1));
            ASSERT_EQ(writer.Append(*dib, PlaneAt(k)), OmeAppend::kQueued);
            WaitWritten(writer, k + 1);
            const ReadBack r = ReadWithLibtiff(path);
            ASSERT_EQ(r.pages, k + 1);
            EXPECT_NE(r.description.find("SizeT=\"" + std::to_string(k + 1) + "\""),
                      std::string::npos);
            EXPECT_EQ(Count(r.description, "<Plane "), k + 1);
            EXPECT_EQ(r.description.substr(r.description.size() - 6), "</OME>");
            // The last page holds the picture, red first, top row first.
            const std::vector<uint8_t>& page = r.pixels.back();
            const int step = c.bitCount / 8;
            for (int y : {0, 10}) {
                for (int x : {0, 36}) {
                    const uint8_t* src = dib->PictureRow(y) + x * step;
                    const uint8_t* got = page.data() + (size_t(y) * 37 + x) * r.samples;
                    if (c.bitCount == 8) {
                        EXPECT_EQ(got[0], src[0]);
                    } else {
                        EXPECT_EQ(got[0], src[2]);
                        EXPECT_EQ(got[2], src[0]);
                    }
                }
            }
        }
        ASSERT_TRUE(writer.Close(&error)) << error;
        const ReadBack r = ReadWithLibtiff(path);
        EXPECT_EQ(r.samples, c.bitCount == 8 ? 1 : 3);
        EXPECT_NE(r.description.find("DeltaT=\"2000.000\""), std::string::npos);
        EXPECT_NE(r.description.find("PositionX=\"20.000\""), std::string::npos);
        EXPECT_NE(r.description.find("PhysicalSizeX=\"0.25\""), std::string::npos);
        EXPECT_NE(r.description.find("21.5 \xC2\xB0"
                                     "C"),
                  std::string::npos);
        EXPECT_NE(r.description.find("vac &lt;1e-5&gt; &amp; ok"), std::string::npos);
    }
}

TEST(OmeTiffWriter, XmlOutgrowingItsSlotMovesAndAnExistingFileIsNeverReplaced) {
    ScratchDir dir;
    const std::string path = dir / "s.ome.tif";
    auto dib = CDib::Create(8, 4, 24);
    OmeTiffOptions options;
    options.expectedFrames = 1;  // the slot fits a few frames only
    OmeTiffWriter writer;
    std::string error;
    ASSERT_TRUE(writer.Open(path, 8, 4, 24, options, &error));
    for (int k = 0; k < 40; ++k) {
        OmePlane p = PlaneAt(k);
        p.microscope = std::string(150, 'm');
        while (writer.Append(*dib, p) == OmeAppend::kDropped)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    ASSERT_TRUE(writer.Close(&error)) << error;
    const ReadBack r = ReadWithLibtiff(path);
    EXPECT_EQ(r.pages, 40);
    EXPECT_NE(r.description.find("SizeT=\"40\""), std::string::npos);
    EXPECT_EQ(Count(r.description, "<Plane "), 40);

    const std::vector<uint8_t> before = ReadAll(path);
    OmeTiffWriter second;
    EXPECT_FALSE(second.Open(path, 8, 4, 24, options, &error));
    EXPECT_EQ(ReadAll(path), before);
}

// A series cut short: whatever was left after the last whole page, and an XML behind the pages,
// is put right; the repaired file is whole on a second look.
TEST(OmeTiffRepair, CutShortSeriesKeepsEveryWholePage) {
    enum Damage { kTailGarbage, kLinkToGarbage, kXmlBehind, kNone };
    for (Damage damage : {kTailGarbage, kLinkToGarbage, kXmlBehind, kNone}) {
        SCOPED_TRACE(int(damage));
        ScratchDir dir;
        const std::string path = dir / "s.ome.tif";
        auto dib = CDib::Create(16, 8, 24);
        OmeTiffOptions options;
        options.expectedFrames = 5;
        {
            OmeTiffWriter writer;
            std::string error;
            ASSERT_TRUE(writer.Open(path, 16, 8, 24, options, &error));
            for (int k = 0; k < 3; ++k) {
                writer.Append(*dib, PlaneAt(k));
                WaitWritten(writer, k + 1);
            }
            ASSERT_TRUE(writer.Close(&error));
        }
        const int fd = open(path.c_str(), O_RDWR);
        ASSERT_GE(fd, 0);
        const off_t size = lseek(fd, 0, SEEK_END);
        OmeTiffScan scan = ScanOmeTiff(fd, uint64_t(size));
        ASSERT_EQ(scan.pages, 3);
        const char garbage[64] = "half a page";
        if (damage == kTailGarbage || damage == kLinkToGarbage) {
            ASSERT_EQ(pwrite(fd, garbage, sizeof garbage, size), ssize_t(sizeof garbage));
        }
        if (damage == kLinkToGarbage) {
            const uint64_t at = uint64_t(size);
            ASSERT_EQ(pwrite(fd, &at, 8, off_t(scan.lastNextLink)), 8);
        }
        if (damage == kXmlBehind) {
            std::string xml = ReadOmeDescription(fd, scan.description);
            ASSERT_TRUE(SetOmeFrameCount(&xml, 2));
            std::string error;
            ASSERT_TRUE(WriteOmeDescription(fd, &scan.description, xml, &error));
        }
        close(fd);

        const OmeRepairResult repaired = RepairOmeTiff(path);
        EXPECT_EQ(repaired.status,
                  damage == kNone ? OmeRepairStatus::kWhole : OmeRepairStatus::kRepaired);
        EXPECT_EQ(repaired.frames, 3);
        EXPECT_EQ(RepairOmeTiff(path).status, OmeRepairStatus::kWhole);
        const ReadBack r = ReadWithLibtiff(path);
        EXPECT_EQ(r.pages, 3);
        EXPECT_NE(r.description.find("SizeT=\"3\""), std::string::npos);
        EXPECT_EQ(Count(r.description, "<Plane "), 3);
        EXPECT_EQ(ReadAll(path).size(), size_t(size));
    }
}

TEST(OmeTiffRepair, FilesThatAreNotOursStayAsTheyAre) {
    ScratchDir dir;
    const std::string path = dir / "x.tif";
    for (const std::string& content :
         {std::string(), std::string("II\x2B\0\x08\0\0\0", 8) + std::string(8, '\0'),
          std::string("MM\0\x2A plain TIFF")}) {
        FILE* f = std::fopen(path.c_str(), "wb");
        std::fwrite(content.data(), 1, content.size(), f);
        std::fclose(f);
        EXPECT_EQ(RepairOmeTiff(path).status, OmeRepairStatus::kNotOmeTiff);
        const std::vector<uint8_t> after = ReadAll(path);
        EXPECT_EQ(std::string(after.begin(), after.end()), content);
    }
}

TEST(OmeXml, DeviceTextsBecomeSafeXml) {
    const struct {
        std::string in, out;
    } cases[] = {{"a<b>&\"'", "a&lt;b&gt;&amp;&quot;&apos;"},
                 {"line\r\nbreak\x01", "linebreak"},
                 {"\xB0", "\xC2\xB0"},
                 {"\xC2\xB5m \xE6\xB8\xA9", "\xC2\xB5m \xE6\xB8\xA9"},
                 {"\xE6\xB8", "\xC3\xA6\xC2\xB8"}};
    for (const auto& c : cases)
        EXPECT_EQ(XmlEscaped(c.in), c.out) << c.in;
}

// Only a count this program wrote is rewritten; a value that reaches past its element (found by
// the fuzzer) leaves the text alone.
TEST(OmeXml, FrameCountIsRewrittenOnlyInOurOwnXml) {
    OmeXmlBuilder builder(OmeSeriesInfo{"s", 4, 2, 3, 1000.0, 0.0});
    builder.Add(OmePlane{});
    builder.Add(OmePlane{});
    std::string xml = builder.Text();
    ASSERT_TRUE(SetOmeFrameCount(&xml, 1));
    EXPECT_NE(xml.find("SizeT=\"1\""), std::string::npos);
    EXPECT_EQ(xml.find("TheT=\"1\""), std::string::npos);
    std::string odd = "<OME Creator=\"Tesmira\"><Pixels SizeT=\"</Pixels>\" PlaneCount=\"1\">";
    EXPECT_FALSE(SetOmeFrameCount(&odd, 1));
}

}  // namespace
}  // namespace tesmira

namespace tesmira {
namespace {

TEST(ScaleBar, RoundLengthNearAFifthOfTheWidthBurnsInAtItsPixelLength) {
    const struct {
        int width;
        double pixelUm;
        double lengthUm;
        int pixels;
        const char* label;
    } cases[] = {{640, 0.5, 50, 100, "50 \xC2\xB5m"},
                 {1920, 0.1, 50, 500, "50 \xC2\xB5m"},
                 {640, 0.0123, 2, 163, "2 \xC2\xB5m"},
                 {640, 1000, 100000, 100, "100 mm"},
                 {640, 0, 0, 0, ""}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.pixelUm);
        const ScaleBar bar = ChooseScaleBar(c.width, c.pixelUm);
        EXPECT_DOUBLE_EQ(bar.lengthUm, c.lengthUm);
        EXPECT_EQ(bar.pixels, c.pixels);
        EXPECT_EQ(bar.label, c.label);
        auto dib = CDib::Create(c.width, 480, 24);
        ASSERT_TRUE(dib);
        EXPECT_EQ(StampScaleBar(*dib, bar, 0), bar.Valid());
        // The white run in the bar's middle row is the bar, its right end the margin away.
        const int row = 480 - kScaleBarMargin - ScaleBarThickness(480) / 2 - 1;
        int white = 0, last = -1;
        for (int x = 0; x < c.width; ++x) {
            if (dib->PictureRow(row)[3 * x] == 255) {
                ++white;
                last = x;
            }
        }
        EXPECT_EQ(white, c.pixels);
        if (bar.Valid()) {
            EXPECT_EQ(last, c.width - kScaleBarMargin - 1);
        }
    }
}

}  // namespace
}  // namespace tesmira
