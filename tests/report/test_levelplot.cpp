// The report's own plot of the level over time: its ticks, its level axis, and the line drawn
// where the levels are and broken where they are missing.
#include <gtest/gtest.h>

#include <QImage>
#include <QPainter>

#include "report/levelplot.h"
#include "support/testenv.h"

using namespace quedral;

namespace {

QStringList labelsOf(const std::vector<PlotTick>& ticks)
{
    QStringList labels;
    for (const PlotTick& t : ticks)
        labels << t.label;
    return labels;
}

TEST(LevelPlot, TimeTicksAreClockAlignedWithTheDateWhereItChanges)
{
    const double t = test::days(2026, 12, 11, 8, 0, 0);
    const double s = kSecondInDays;
    const struct {
        double from, to;
        int maxTicks;
        QStringList labels;
    } cases[] = {
        {t, t + 60 * s, 6, {"08:00:00\n2026-12-11", "08:00:10", "08:00:20", "08:00:30", "08:00:40", "08:00:50", "08:01:00"}},
        {t + 3 * s, t + 57 * s, 6, {"08:00:10\n2026-12-11", "08:00:20", "08:00:30", "08:00:40", "08:00:50"}},
        {t, t + 3 * 3600 * s, 6, {"08:00\n2026-12-11", "08:30", "09:00", "09:30", "10:00", "10:30", "11:00"}},
        {t + 15 * 3600 * s, t + 17 * 3600 * s, 4, {"23:00\n2026-12-11", "23:30", "00:00\n2026-12-12", "00:30", "01:00"}},
        {t, t + 1, 1, {"2026-12-12"}},
        {t, t, 5, {}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(labelsOf(timeTicks(c.from, c.to, c.maxTicks)), c.labels) << c.labels.join(' ').toStdString();
    // Never more steps than asked for, however long the span.
    EXPECT_LE(timeTicks(t, t + 400, 5).size(), 6u);
}

TEST(LevelPlot, TheLevelAxisTakesWholeTensAroundTheLevels)
{
    const struct {
        std::optional<double> low, high;
        double axisLow, axisHigh, step;
    } cases[] = {
        {42, 87, 40, 90, 10}, {65, 65, 60, 80, 5}, {60, 80, 60, 80, 5},
        {30, 130, 30, 130, 10}, {25, 140, 20, 140, 20}, {std::nullopt, std::nullopt, 30, 130, 10},
    };
    for (const auto& c : cases) {
        const LevelAxis axis = levelAxisFor(c.low, c.high);
        EXPECT_EQ(axis.low, c.axisLow) << c.low.value_or(-1);
        EXPECT_EQ(axis.high, c.axisHigh) << c.low.value_or(-1);
        EXPECT_EQ(axis.step, c.step) << c.low.value_or(-1);
    }
}

// The plot of the levels on a white image; per column of the image, the rows the level line
// (blue) takes.
std::vector<std::vector<int>> plotted(const std::vector<double>& times, const std::vector<float>& levels)
{
    QImage image(800, 400, QImage::Format_RGB32);
    image.fill(Qt::white);
    {
        QPainter p(&image);
        LevelPlotOptions options;
        options.span = std::pair{times.front(), times.back()}; // shaded, not to be taken for the line
        drawLevelPlot(p, QRectF(0, 0, 800, 400), LevelSeries{times, levels, 1.0}, options);
    }
    if (qEnvironmentVariableIsSet("QUEDRAL_PLOT_DUMP"))
        image.save(qEnvironmentVariable("QUEDRAL_PLOT_DUMP"));
    std::vector<std::vector<int>> rows(800);
    for (int x = 0; x < 800; ++x)
        for (int y = 0; y < 400; ++y) {
            const QColor c = image.pixelColor(x, y);
            if (c.blue() - c.red() > 60 && c.blue() - c.green() > 40)
                rows[static_cast<std::size_t>(x)].push_back(y);
        }
    return rows;
}

// The runs of image columns the line takes: first and last column of each.
std::vector<std::pair<int, int>> runsOf(const std::vector<std::vector<int>>& rows)
{
    std::vector<std::pair<int, int>> runs;
    for (int x = 0; x < static_cast<int>(rows.size()); ++x) {
        if (rows[static_cast<std::size_t>(x)].empty())
            continue;
        if (!runs.empty() && runs.back().second == x - 1)
            runs.back().second = x;
        else
            runs.push_back({x, x});
    }
    return runs;
}

TEST(LevelPlot, TheLineIsBrokenWhereSamplesAreMissingAndHigherForLouder)
{
    std::vector<double> times;
    std::vector<float> levels;
    for (int i = 0; i < 100; ++i) {
        times.push_back(test::days(2026, 12, 11, 8, 0, 0) + i * kSecondInDays);
        levels.push_back(i < 50 ? 62.0f : 78.0f);
    }
    std::vector<std::pair<int, int>> runs = runsOf(plotted(times, levels));
    ASSERT_EQ(runs.size(), 1u) << "one unbroken line";
    const int width = runs[0].second - runs[0].first;

    for (int i = 40; i < 60; ++i) // out of range, null, the chart's null, not a number
        levels[static_cast<std::size_t>(i)] = std::array{0.0f, 9999.0f, 250.0f, NAN}[i % 4];
    const auto rows = plotted(times, levels);
    runs = runsOf(rows);
    ASSERT_EQ(runs.size(), 2u);
    const int gap = runs[1].first - runs[0].second;
    EXPECT_NEAR(gap, width * 21 / 99, width / 50) << "samples 40 to 59 missing: the line goes on at sample 60";
    // Louder is higher up: rows count from the top.
    EXPECT_GT(rows[static_cast<std::size_t>(runs[0].first + 5)].front(), rows[static_cast<std::size_t>(runs[1].second - 5)].back());

    // A pause in the times longer than one and a half intervals breaks the line too.
    levels.assign(100, 65.0f);
    for (std::size_t i = 50; i < 100; ++i)
        times[i] += 30 * kSecondInDays;
    EXPECT_EQ(runsOf(plotted(times, levels)).size(), 2u);
}

} // namespace
