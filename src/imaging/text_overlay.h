// The text stamped into every stored picture: "Tesmira   " with the time, the meter's
// temperature and humidity and the Z position on the first line, the microscope readout on the
// line under it; bold serif, white on opaque black, from (25, 20). What does not fit into the
// picture's width continues on the next line below, so no reading is cut off.
#pragma once

#include <ctime>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace tesmira {

class CDib;

struct OverlayInputs {
    // Options from the settings.
    bool isTextOutTime = false;         // "IsTextOutTime"
    bool isTextOutTemparature = false;  // "IsTextOutTemparature"
    bool isTextOutZValue = false;       // "IsTextOutZVALUE"
    bool microscopeCaption = false;     // the microscope readout's caption option
    int fontHeight = 24;                // "FontHeight": the height of one text line in pixels

    // Values of the moment. The meter texts are present only while the meter is on; the
    // microscope text only while its readout is connected.
    std::tm localTime{};
    std::optional<std::string> temperatureText;  // e.g. "T = 23.4 °C" (UTF-8)
    std::optional<std::string> humidityText;     // e.g. " H = 45.6 %"
    std::optional<std::string> microscopeText;   // e.g. "VEV Vacuum: ...  Temp: 24 °C\n"
    double stageZ = 0.0;                         // micrometres
};

inline constexpr int kOverlayLeft = 25;
inline constexpr int kOverlayTop = 20;

// The designed lines, top to bottom, each as the parts it is made of: line 1 is "Tesmira   ", the
// time, the temperature, the humidity and Z (those that are on), the microscope line is one part.
// Empty when no part is on; line 1 is left out when the microscope line is the only part on.
std::vector<std::vector<std::string>> OverlayLineParts(const OverlayInputs& in);

// The designed lines as drawn on a picture wide enough for them.
std::vector<std::string> OverlayLines(const OverlayInputs& in);

// Fits designed lines into `maxWidth` as `width` measures a text: a line too wide continues on
// the next line below it, broken between its parts where a part fits, else between words, else
// between characters (at least one per line). Continuations start without leading spaces and
// every later line moves down with them. `maxWidth` <= 0 leaves the lines as they are.
std::vector<std::string> WrapOverlayLines(const std::vector<std::vector<std::string>>& lines,
                                          double maxWidth,
                                          const std::function<double(const std::string&)>& width);

// The local time of `t` as the overlay wants it.
std::tm LocalTimeOf(std::time_t t);

// Draws the overlay into the bitmap's own pixels (8-, 16-, 24- or 32-bit). Returns false, with
// the picture untouched, when there is nothing to draw or the depth cannot be drawn on. Needs a
// QGuiApplication for the fonts.
bool StampOverlay(CDib& dib, const OverlayInputs& in);

// One text in the overlay font, white on its black cell whose top-left corner is (x, y) of the
// picture; and the width that text takes.
bool StampOverlayText(CDib& dib, int x, int y, const std::string& text, int fontHeight);
double OverlayTextWidth(const std::string& text, int fontHeight);

}  // namespace tesmira
