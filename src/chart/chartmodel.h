#pragma once
// Everything a chart holds, without any widget: the samples of each subset, the
// look, the scales, the three vertical lines and the graph annotations, plus the
// chart's own binary state block (serialize/deserialize).
//
// Samples: X is a date/time (double, days since 30 Dec 1899), Y a level (float).
// A Y equal to nullDataValueY (9999 unless changed) marks a sample that is not
// drawn; it reads back unchanged.

#include <QByteArray>
#include <QString>

#include <array>
#include <cstdint>
#include <map>
#include <span>
#include <vector>

namespace quedral {

// Colours are 32-bit values laid out as a·2^24 + b·2^16 + g·2^8 + r. An alpha of 0
// is taken as opaque (colour values written without alpha, e.g. 0x000000FF for red).
using Argb = std::uint32_t;

constexpr Argb PEargb(int a, int r, int g, int b)
{
    return (static_cast<Argb>(a & 0xFF) << 24) | (static_cast<Argb>(b & 0xFF) << 16)
        | (static_cast<Argb>(g & 0xFF) << 8) | static_cast<Argb>(r & 0xFF);
}
constexpr int argbAlpha(Argb c) { return static_cast<int>((c >> 24) & 0xFF); }
constexpr int argbRed(Argb c) { return static_cast<int>(c & 0xFF); }
constexpr int argbGreen(Argb c) { return static_cast<int>((c >> 8) & 0xFF); }
constexpr int argbBlue(Argb c) { return static_cast<int>((c >> 16) & 0xFF); }

constexpr float kDefaultNullDataValueY = 9999.0f;

// Scale control (ManualScaleControlX / ManualScaleControlY).
enum ScaleControl : int { sgNoManualScale = 0, sgManualMin = 1, sgManualMax = 2, sgManualMinAndMax = 3 };
// AllowZooming.
enum Zooming : int { sgNoZooming = 0, sgHorzZooming = 1, sgVertZooming = 2, sgHorzPlusVertZooming = 3 };
// GridStyle.
enum GridStyle : int { sgThin = 0, sgThick = 1, sgDot = 2, sgDash = 3, sgOnePixel = 4 };
// AllowDataLabels.
enum DataLabels : int { sgNoDataLabels = 0, sgDataValues = 1 };
// DateTimeMode: sgVBDateTime shows X as date/time (days since 30 Dec 1899).
enum DateTimeMode : int { sgNoDateTimeMode = 0, sgVBDateTime = 1 };
// ViewingStyle.
enum ViewingStyle : int { sgColor = 0, sgMonochrome = 1, sgMonochromePlusSymbols = 2 };
// ArrowCursor: 1 arrow, 2 text; anything else is a cursor the widget was handed.
enum ArrowCursorKind : int { sgArrowCursor = 1, sgTextCursor = 2, sgCustomCursor = 3 };
// Graph annotation types used by the program.
enum GraphAnnotationType : int { sgAnnotTextOnly = 0, sgAnnotCross = 2 };
// Line types of subsets and vertical lines: 0 thin solid, 1 dash, 2 dot,
// 3 dash-dot, 4 dash-dot-dot, 5 medium solid, 6 thick solid.
enum LineType : int {
    sgLineThinSolid = 0, sgLineDash = 1, sgLineDot = 2, sgLineDashDot = 3, sgLineDashDotDot = 4,
    sgLineMediumSolid = 5, sgLineThickSolid = 6
};

struct ChartFont {
    QString family;     // empty: the application's default family
    int pointSize = 0;  // 0: the default size
    bool bold = false;
    bool italic = false;
    bool operator==(const ChartFont&) const = default;
};

struct SubsetStyle {
    QString label;
    Argb color = PEargb(255, 0, 0, 0);
    int lineType = sgLineThinSolid;
    bool operator==(const SubsetStyle&) const = default;
};

struct VertLineAnnotation {
    double x = 0.0;
    QString text;
    int type = sgLineThinSolid;
    Argb color = PEargb(255, 0, 0, 0);
    bool operator==(const VertLineAnnotation&) const = default;
};

struct GraphAnnotation {
    double x = 0.0;
    double y = 0.0;
    QString text;
    int type = sgAnnotTextOnly;
    Argb color = PEargb(255, 0, 0, 0);
    bool operator==(const GraphAnnotation&) const = default;
};

class ChartModel {
public:
    static constexpr int kMaxSubsets = 64;
    static constexpr int kMaxPoints = 1 << 24;        // 16,777,216 points per subset
    static constexpr int kVertLineCount = 3;

    ChartModel();

    // ---- Data -------------------------------------------------------------
    int subsets() const { return m_subsets; }
    int points() const { return m_points; }
    // Resizes keeping what fits; new samples read X = 0 and Y = null. Values outside
    // 0..kMaxSubsets / 0..kMaxPoints are clamped; returns false when clamped.
    bool setSubsets(int n);
    bool setPoints(int n);
    // Every sample of every subset becomes X = 0, Y = null.
    void clearData();

    // Reads outside the chart give X = 0 and Y = null; writes outside it are ignored
    // and return false.
    double xDataII(int subset, int point) const;
    float yData(int subset, int point) const;
    bool setXDataII(int subset, int point, double x);
    bool setYData(int subset, int point, float y);
    // Bulk hand-over: X of subset 0 from the start; Y of all subsets, subset 0's
    // points first. Copies min(count, capacity) values and returns how many.
    qsizetype setBulkXData(const double* x, qsizetype count);
    qsizetype setBulkYData(const float* y, qsizetype count);

    std::span<const double> xValues(int subset) const;
    std::span<const float> yValues(int subset) const;
    bool isNull(float y) const;
    // Changes whenever sample data changes; lets a view rebuild only when needed.
    std::uint64_t dataRevision() const { return m_dataRevision; }

    float nullDataValueY = kDefaultNullDataValueY;
    bool usingXDataII = true;
    bool subsetByPoint = false;
    int dateTimeMode = sgVBDateTime;

    // ---- Look -------------------------------------------------------------
    QString subsetLabel(int s) const { return subsetStyle(s).label; }
    Argb subsetColor(int s) const { return subsetStyle(s).color; }
    int subsetLineType(int s) const { return subsetStyle(s).lineType; }
    void setSubsetLabel(int s, const QString& label);
    void setSubsetColor(int s, Argb color);
    void setSubsetLineType(int s, int lineType);
    SubsetStyle subsetStyle(int s) const;
    const std::vector<SubsetStyle>& subsetStyles() const { return m_styles; }

    QString mainTitle;
    QString subTitle;
    QString xAxisLabel;
    QString yAxisLabel;
    Argb yAxisColor = PEargb(255, 0, 0, 0);
    int gridStyle = sgDot;
    int viewingStyle = sgColor;
    ChartFont mainTitleFont;
    ChartFont subTitleFont;
    ChartFont labelFont;  // axis labels, tick labels and annotation texts

    bool prepareImages = true;
    bool allowPopup = false;
    bool noHelp = true;
    int allowDataLabels = sgNoDataLabels;
    int workingAxis = 0;
    int arrowCursor = sgArrowCursor;

    // ---- Scale and zoom ---------------------------------------------------
    int manualScaleControlX = sgNoManualScale;
    int manualScaleControlY = sgNoManualScale;
    double manualMinX = 0.0;
    double manualMaxX = 1.0;
    double manualMinY = 0.0;
    double manualMaxY = 1.0;
    int allowZooming = sgHorzPlusVertZooming;
    bool scrollingHorzZoom = true;
    bool scrollingVertZoom = true;

    // ---- Vertical lines 0..2 ----------------------------------------------
    std::array<VertLineAnnotation, kVertLineCount> vertLines;
    bool showVertLineAnnotations = false;
    bool allowVertLineAnnotHotSpots = false;
    int lineAnnotationTextSize = 100;  // percent of the label font size

    // ---- Graph annotations (indexed by any integer) -----------------------
    // Reading an index never written gives type 0, empty text, X = Y = 0.
    GraphAnnotation graphAnnotation(int index) const;
    void setGraphAnnotation(int index, const GraphAnnotation& a);
    void setGraphAnnotationX(int index, double x);
    void setGraphAnnotationY(int index, double y);
    void setGraphAnnotationText(int index, const QString& text);
    void setGraphAnnotationType(int index, int type);
    void setGraphAnnotationColor(int index, Argb color);
    void clearGraphAnnotations() { m_annotations.clear(); }
    const std::map<int, GraphAnnotation>& graphAnnotations() const { return m_annotations; }
    bool allowGraphAnnotHotSpots = false;
    bool allowDataHotSpots = false;

    // ---- Customisation dialog pages ---------------------------------------
    bool allowPage1 = true;       // titles
    bool allowPage2 = true;       // axes and grid
    bool allowSubsetsPage = true; // subset labels, colours, line types
    bool allowFontPage = true;    // fonts

    // ---- State block ------------------------------------------------------
    // The whole chart, data included, as a little-endian block with a magic and a
    // version. deserialize() replaces this chart only when the block is sound;
    // otherwise it returns false, leaves the chart as it was and says why in *error.
    // A block holding a NaN, an infinity, a time outside the years 100 to 9999 or a level beyond
    // kMaxPlausibleLevel dB (other than the null value) is refused as well.
    QByteArray serialize() const;
    bool deserialize(const QByteArray& block, QString* error = nullptr);

    // The largest level (in dB, either sign) a chart's sample may hold; far above anything
    // sound can reach.
    static constexpr double kMaxPlausibleLevel = 1000.0;
    // The largest level-axis value or annotation height a chart may hold.
    static constexpr double kMaxPlausiblePosition = 1e6;

private:
    static QString implausibleValue(const ChartModel& m);
    void touchData() { ++m_dataRevision; }

    int m_subsets = 1;
    int m_points = 0;
    std::vector<std::vector<double>> m_x;  // [subset][point]
    std::vector<std::vector<float>> m_y;
    std::vector<SubsetStyle> m_styles;
    std::map<int, GraphAnnotation> m_annotations;
    std::uint64_t m_dataRevision = 0;
};

// Default colour of a subset without a colour of its own.
Argb defaultSubsetColor(int subset);

} // namespace quedral
