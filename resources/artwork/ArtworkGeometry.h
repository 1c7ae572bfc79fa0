#pragma once

// Where everything sits in the editor and how the film strips turn. The artwork program draws with
// these numbers and the resource tests measure the images against them, so both agree by build.

#include <algorithm>
#include <array>
#include <cmath>
#include <string_view>

namespace artwork
{
struct Box
{
    int x, y, w, h;

    constexpr double centreX() const { return x + w / 2.0; }
    constexpr double centreY() const { return y + h / 2.0; }
};

constexpr int editorWidth = 944;
constexpr int editorHeight = 280;

// The strip of the logo at the top left, which the editor's menu hot-spot copies.
constexpr Box hotSpot{0, 0, 228, 38};

// Preset bar and header buttons. The recessed box holds both arrows and the combo box between them.
constexpr Box prevPresetButton{668, 8, 16, 24};
constexpr Box nextPresetButton{848, 8, 16, 24};
constexpr Box savePresetButton{874, 8, 26, 24};
constexpr Box bypassButton{904, 8, 32, 24};
constexpr Box presetComboBox{687, 11, 160, 18};
constexpr Box presetBox{664, 6, 204, 28};

constexpr Box valveModeSwitch{152, 96, 32, 40};
constexpr double lampX = 168.0, lampY = 204.0;

// The light plate of the valve section and the meter's window.
constexpr Box valvePlate{10, 46, 324, 226};
constexpr Box meterWindow{728, 56, 160, 80};

// About overlay: black at half alpha with an opaque panel; the panel's last pixel is (663, 248).
constexpr Box aboutPanel{280, 33, 384, 216};
constexpr int aboutShadeAlpha = 128;

//==============================================================================
// Knobs. Angles are in degrees clockwise from 12 o'clock; frame 0 is the lowest position.
constexpr double sweepStart = -150.0;
constexpr double sweepEnd = 150.0;
constexpr int continuousFrames = 101;
constexpr int steppedFrames = 6;

// A continuous knob's frames sweep evenly from 7 to 5 o'clock.
constexpr double frameAngle(int frame)
{
    return sweepStart + (sweepEnd - sweepStart) * frame / (continuousFrames - 1);
}

// A stepped knob is a six-way switch with a narrower throw, 40 degrees from step to step, which
// keeps its side legends clear of the neighbouring knobs'.
constexpr double steppedSweepStart = -100.0;
constexpr double steppedSweepEnd = 100.0;

constexpr double stepAngle(int step)
{
    return steppedSweepStart + (steppedSweepEnd - steppedSweepStart) * step / (steppedFrames - 1);
}

// The value a continuous knob holds for a parameter value v: snapped to its 0.001 interval and
// limited to 0..1, as the slider does.
inline double knobValue(double v)
{
    const double snapped = 0.001 * std::floor(v / 0.001 + 0.5);
    return snapped <= 0.0 ? 0.0 : (snapped >= 1.0 ? 1.0 : snapped);
}

// The frame the film-strip knob shows for that value: the fraction is dropped, never rounded.
inline int continuousFrameFor(double v)
{
    return static_cast<int>((continuousFrames - 1) * knobValue(v));
}

inline double continuousMarkAngle(double v)
{
    return frameAngle(continuousFrameFor(v));
}

enum class KnobKind
{
    valve,      // black knob with a white pointer, 88 x 88 frames
    compressor, // grey knob with a bar pointer, 104 x 104 frames
};

// Radii in pixels from the knob's centre.
struct KnobShape
{
    double skirt;     // outer edge of the knob
    double body;      // edge of the raised body
    double face;      // edge of the top face
    double tickInner; // printed scale, on the panel
    double tickMajorOuter;
    double tickMinorOuter;
    double labelGap; // nearest edge of a scale number
};

constexpr KnobShape valveKnobShape{25.5, 20.5, 17.5, 29.0, 33.5, 31.5, 36.0};
constexpr KnobShape compressorKnobShape{31.0, 25.5, 22.5, 34.5, 38.5, 36.5, 40.5};

constexpr const KnobShape& shapeOf(KnobKind kind)
{
    return kind == KnobKind::valve ? valveKnobShape : compressorKnobShape;
}

struct Knob
{
    const char* image; // file name without ".png"
    Box bounds;
    int frames;
    KnobKind kind;

    constexpr double centreX() const { return bounds.centreX(); }
    constexpr double centreY() const { return bounds.centreY(); }
    constexpr bool stepped() const { return frames == steppedFrames; }
};

constexpr std::array<Knob, 10> knobs{{
    {"valve_drive", {64, 72, 88, 88}, continuousFrames, KnobKind::valve},
    {"valve_bias", {216, 72, 88, 88}, continuousFrames, KnobKind::valve},
    {"valve_input", {64, 160, 88, 88}, continuousFrames, KnobKind::valve},
    {"valve_blend", {216, 160, 88, 88}, continuousFrames, KnobKind::valve},
    {"comp_ratio", {352, 56, 104, 104}, steppedFrames, KnobKind::compressor},
    {"comp_attack", {464, 56, 104, 104}, steppedFrames, KnobKind::compressor},
    {"comp_recovery", {576, 56, 104, 104}, steppedFrames, KnobKind::compressor},
    {"comp_threshold", {352, 160, 104, 104}, continuousFrames, KnobKind::compressor},
    {"comp_blend", {464, 160, 104, 104}, continuousFrames, KnobKind::compressor},
    {"output", {576, 160, 104, 104}, continuousFrames, KnobKind::compressor},
}};

//==============================================================================
// Printed scales. A mark's value is the parameter value that gives the printed setting (for a
// stepped knob, the step); it is drawn at the angle of the frame the knob shows for that value.
// A mark without a label is a minor tick.
struct ScaleMark
{
    double value;
    const char* label;
};

namespace units
{
// Output gain is exp(3.4562609 v - 2.7631137): linear in decibels.
inline double outputValueForDecibels(double dB)
{
    return (dB * std::log(10.0) / 20.0 + 2.7631137) / 3.4562609;
}

// Threshold is -29 v - 1 dB.
inline double thresholdValueForDecibels(double dB)
{
    return (-1.0 - dB) / 29.0;
}
} // namespace units

struct Scale
{
    const char* knob;
    const char* legend;
    std::array<ScaleMark, 16> marks;
    int numMarks;
};

// Marks at every tenth of the range, labelled only at its two ends.
inline Scale tenthsLabelledAtTheEnds(const char* knob, const char* legend, const char* low, const char* high)
{
    Scale scale{knob, legend, {}, 11};
    for (int k = 0; k <= 10; ++k)
        scale.marks[(size_t)k] = {k / 10.0, k == 0 ? low : (k == 10 ? high : nullptr)};
    return scale;
}

// Built at start-up because the unit conversions are not constexpr.
inline const std::array<Scale, 10>& scales()
{
    using namespace units;
    static const std::array<Scale, 10> table{{
        {"valve_drive",
         "DRIVE",
         {{{0.0, "0"},
           {0.125, nullptr},
           {0.25, "6"},
           {0.375, nullptr},
           {0.5, "12"},
           {0.625, nullptr},
           {0.75, "18"},
           {0.875, nullptr},
           {1.0, "+24"}}},
         9},
        {"valve_bias",
         "BIAS",
         {{{0.0, "0"},
           {0.1, nullptr},
           {0.2, "2"},
           {0.3, nullptr},
           {0.4, "4"},
           {0.5, nullptr},
           {0.6, "6"},
           {0.7, nullptr},
           {0.8, "8"},
           {0.9, nullptr},
           {1.0, "10"}}},
         11},
        tenthsLabelledAtTheEnds("valve_input", "INPUT", "LOW", "FULL"),
        tenthsLabelledAtTheEnds("valve_blend", "BLEND", "DRY", "WET"),
        {"comp_ratio",
         "RATIO",
         {{{0, "1.25"}, {1, "1.43"}, {2, "1.67"}, {3, "2"}, {4, "3.33"}, {5, "10"}}},
         6},
        {"comp_attack",
         "ATTACK(MS)",
         {{{0, "0.1"}, {1, "0.3"}, {2, "1"}, {3, "3"}, {4, "10"}, {5, "30"}}},
         6},
        {"comp_recovery",
         "RECOVERY(SEC)",
         {{{0, "0.1"}, {1, "0.3"}, {2, "0.6"}, {3, "1.2"}, {4, "1.5"}, {5, "2"}}},
         6},
        {"comp_threshold",
         "THRESHOLD(DB)",
         {{{thresholdValueForDecibels(-1.0), "-1"},
           {thresholdValueForDecibels(-3.0), nullptr},
           {thresholdValueForDecibels(-5.0), "-5"},
           {thresholdValueForDecibels(-7.5), nullptr},
           {thresholdValueForDecibels(-10.0), "-10"},
           {thresholdValueForDecibels(-12.5), nullptr},
           {thresholdValueForDecibels(-15.0), "-15"},
           {thresholdValueForDecibels(-17.5), nullptr},
           {thresholdValueForDecibels(-20.0), "-20"},
           {thresholdValueForDecibels(-22.5), nullptr},
           {thresholdValueForDecibels(-25.0), "-25"},
           {thresholdValueForDecibels(-27.5), nullptr},
           {thresholdValueForDecibels(-30.0), "-30"}}},
         13},
        tenthsLabelledAtTheEnds("comp_blend", "BLEND", "DRY", "WET"),
        {"output",
         "OUTPUT(DB)",
         {{{outputValueForDecibels(-24.0), "-24"},
           {outputValueForDecibels(-21.0), nullptr},
           {outputValueForDecibels(-18.0), "-18"},
           {outputValueForDecibels(-15.0), nullptr},
           {outputValueForDecibels(-12.0), "-12"},
           {outputValueForDecibels(-9.0), nullptr},
           {outputValueForDecibels(-6.0), "-6"},
           {outputValueForDecibels(-3.0), nullptr},
           {outputValueForDecibels(0.0), "0"},
           {outputValueForDecibels(3.0), nullptr},
           {1.0, "+6"}}},
         11},
    }};
    return table;
}

inline const Scale& scaleOf(const Knob& knob)
{
    for (const Scale& scale : scales())
        if (std::string_view(scale.knob) == knob.image)
            return scale;
    return scales().front();
}

inline double markAngle(const Knob& knob, const ScaleMark& mark)
{
    return knob.stepped() ? stepAngle(static_cast<int>(mark.value)) : continuousMarkAngle(mark.value);
}

//==============================================================================
// Gain-reduction meter. The needle turns about a pivot below the window, linearly in frame number;
// the editor shows frame trunc(50 x (1 - gain factor)).
constexpr int meterFrames = 51;
constexpr double meterPivotX = 80.0; // in the window's coordinates, just below its bottom edge
constexpr double meterPivotY = 88.0;
constexpr double meterSweepStart = -66.0; // frame 0: no reduction
constexpr double meterSweepEnd = 66.0;    // frame 50: the gain factor has reached 0
constexpr double meterHoodRadius = 17.0;  // the needle leaves a hood over the pivot here
constexpr double meterNeedleOuter = 70.0;
constexpr double meterTickInner = 63.5;
constexpr double meterTickMajorOuter = 71.0;
constexpr double meterTickMinorOuter = 68.0;
constexpr double meterLabelGap = 73.5;

constexpr double meterNeedleAngle(double frame)
{
    return meterSweepStart + (meterSweepEnd - meterSweepStart) * frame / (meterFrames - 1);
}

inline double meterFrameForReduction(double decibels)
{
    return (meterFrames - 1) * (1.0 - std::pow(10.0, -decibels / 20.0));
}

} // namespace artwork
