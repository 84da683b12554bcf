#include "chart/chartmodel.h"

#include <QStringDecoder>
#include <QtEndian>

#include <algorithm>
#include <cmath>
#include <cstring>

namespace quedral {

Argb defaultSubsetColor(int subset)
{
    static constexpr Argb kPalette[] = {
        PEargb(255, 0, 0, 0),     PEargb(255, 255, 0, 0),   PEargb(255, 0, 0, 255),
        PEargb(255, 0, 128, 0),   PEargb(255, 128, 0, 128), PEargb(255, 255, 128, 0),
        PEargb(255, 0, 128, 128), PEargb(255, 128, 128, 128),
    };
    constexpr int n = static_cast<int>(sizeof kPalette / sizeof kPalette[0]);
    return kPalette[((subset % n) + n) % n];
}

ChartModel::ChartModel()
{
    m_x.resize(static_cast<size_t>(m_subsets));
    m_y.resize(static_cast<size_t>(m_subsets));
    vertLines[0].color = PEargb(0, 0, 128, 0);
    vertLines[1].color = PEargb(255, 0, 0, 255);
    vertLines[2].color = PEargb(0, 255, 0, 0);
}

// ---------------------------------------------------------------------------
// Data

bool ChartModel::setSubsets(int n)
{
    const int clamped = std::clamp(n, 0, kMaxSubsets);
    if (clamped != m_subsets) {
        m_subsets = clamped;
        m_x.resize(static_cast<size_t>(clamped), std::vector<double>(static_cast<size_t>(m_points), 0.0));
        m_y.resize(static_cast<size_t>(clamped), std::vector<float>(static_cast<size_t>(m_points), nullDataValueY));
        touchData();
    }
    return clamped == n;
}

bool ChartModel::setPoints(int n)
{
    const int clamped = std::clamp(n, 0, kMaxPoints);
    if (clamped != m_points) {
        m_points = clamped;
        for (auto& v : m_x)
            v.resize(static_cast<size_t>(clamped), 0.0);
        for (auto& v : m_y)
            v.resize(static_cast<size_t>(clamped), nullDataValueY);
        touchData();
    }
    return clamped == n;
}

void ChartModel::clearData()
{
    for (auto& v : m_x)
        std::fill(v.begin(), v.end(), 0.0);
    for (auto& v : m_y)
        std::fill(v.begin(), v.end(), nullDataValueY);
    touchData();
}

double ChartModel::xDataII(int subset, int point) const
{
    if (subset < 0 || subset >= m_subsets || point < 0 || point >= m_points)
        return 0.0;
    return m_x[static_cast<size_t>(subset)][static_cast<size_t>(point)];
}

float ChartModel::yData(int subset, int point) const
{
    if (subset < 0 || subset >= m_subsets || point < 0 || point >= m_points)
        return nullDataValueY;
    return m_y[static_cast<size_t>(subset)][static_cast<size_t>(point)];
}

bool ChartModel::setXDataII(int subset, int point, double x)
{
    if (subset < 0 || subset >= m_subsets || point < 0 || point >= m_points)
        return false;
    m_x[static_cast<size_t>(subset)][static_cast<size_t>(point)] = x;
    touchData();
    return true;
}

bool ChartModel::setYData(int subset, int point, float y)
{
    if (subset < 0 || subset >= m_subsets || point < 0 || point >= m_points)
        return false;
    m_y[static_cast<size_t>(subset)][static_cast<size_t>(point)] = y;
    touchData();
    return true;
}

qsizetype ChartModel::setBulkXData(const double* x, qsizetype count)
{
    if (!x || count <= 0 || m_subsets < 1)
        return 0;
    const qsizetype n = std::min<qsizetype>(count, m_points);
    std::copy(x, x + n, m_x[0].begin());
    touchData();
    return n;
}

qsizetype ChartModel::setBulkYData(const float* y, qsizetype count)
{
    if (!y || count <= 0)
        return 0;
    qsizetype done = 0;
    for (int s = 0; s < m_subsets && done < count; ++s) {
        const qsizetype n = std::min<qsizetype>(count - done, m_points);
        std::copy(y + done, y + done + n, m_y[static_cast<size_t>(s)].begin());
        done += n;
    }
    touchData();
    return done;
}

std::span<const double> ChartModel::xValues(int subset) const
{
    if (subset < 0 || subset >= m_subsets)
        return {};
    return m_x[static_cast<size_t>(subset)];
}

std::span<const float> ChartModel::yValues(int subset) const
{
    if (subset < 0 || subset >= m_subsets)
        return {};
    return m_y[static_cast<size_t>(subset)];
}

bool ChartModel::isNull(float y) const
{
    return y == nullDataValueY || std::isnan(y);
}

// ---------------------------------------------------------------------------
// Look

SubsetStyle ChartModel::subsetStyle(int s) const
{
    if (s >= 0 && s < static_cast<int>(m_styles.size()))
        return m_styles[static_cast<size_t>(s)];
    SubsetStyle d;
    d.color = defaultSubsetColor(s);
    return d;
}

namespace {
SubsetStyle* styleSlot(std::vector<SubsetStyle>& styles, int s)
{
    if (s < 0 || s >= ChartModel::kMaxSubsets)
        return nullptr;
    while (static_cast<int>(styles.size()) <= s) {
        SubsetStyle d;
        d.color = defaultSubsetColor(static_cast<int>(styles.size()));
        styles.push_back(d);
    }
    return &styles[static_cast<size_t>(s)];
}
} // namespace

void ChartModel::setSubsetLabel(int s, const QString& label)
{
    if (auto* st = styleSlot(m_styles, s))
        st->label = label;
}

void ChartModel::setSubsetColor(int s, Argb color)
{
    if (auto* st = styleSlot(m_styles, s))
        st->color = color;
}

void ChartModel::setSubsetLineType(int s, int lineType)
{
    if (auto* st = styleSlot(m_styles, s))
        st->lineType = lineType;
}

// ---------------------------------------------------------------------------
// Graph annotations

GraphAnnotation ChartModel::graphAnnotation(int index) const
{
    const auto it = m_annotations.find(index);
    return it == m_annotations.end() ? GraphAnnotation{} : it->second;
}

void ChartModel::setGraphAnnotation(int index, const GraphAnnotation& a) { m_annotations[index] = a; }
void ChartModel::setGraphAnnotationX(int index, double x) { m_annotations[index].x = x; }
void ChartModel::setGraphAnnotationY(int index, double y) { m_annotations[index].y = y; }
void ChartModel::setGraphAnnotationText(int index, const QString& text) { m_annotations[index].text = text; }
void ChartModel::setGraphAnnotationType(int index, int type) { m_annotations[index].type = type; }
void ChartModel::setGraphAnnotationColor(int index, Argb color) { m_annotations[index].color = color; }


} // namespace quedral
