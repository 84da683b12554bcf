#include "report/reportpages.h"

#include <QPageLayout>
#include <QPageSize>
#include <QTextLayout>
#include <algorithm>

namespace quedral {

namespace {

constexpr double kFontSize = 9.5;
constexpr double kCellPad = 3; // points

// Lays text out in lines at most width wide (breaking a word only where it does not fit on a
// line of its own; "\n" starts a new line); returns its height.
double layOut(QTextLayout& layout, double width)
{
    QTextOption option;
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    layout.setTextOption(option);
    layout.beginLayout();
    double height = 0;
    for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
        line.setLineWidth(width);
        line.setPosition(QPointF(0, height));
        height += line.height();
    }
    layout.endLayout();
    return height;
}

QString withLineSeparators(QString text)
{
    return text.replace(QLatin1Char('\n'), QChar::LineSeparator);
}

// The width of column c (points): as given, 60 for a column past those given.
double columnWidth(const std::vector<double>& widths, qsizetype c)
{
    return c < static_cast<qsizetype>(widths.size()) ? widths[static_cast<std::size_t>(c)] : 60;
}

} // namespace

ReportPages::ReportPages(QPdfWriter& writer, QPainter& painter, QString footer)
    : m_writer(writer), m_painter(painter), m_footer(std::move(footer))
{
    m_unit = m_writer.resolution() / 72.0;
    const QSizeF page = QPageSize(QPageSize::A4).size(QPageSize::Point);
    m_width = page.width() - 2 * kMargin;
    m_left = u(kMargin);
    m_top = u(kMargin);
    m_bottom = u(page.height() - kMargin);
    m_y = m_top;
    drawFooter();
}

namespace {
// A font of the report. No ligatures: "fi" stays two letters, so that the report's text can be
// searched and copied as printed. Qt's shaping leaves them out when a font has any letter
// spacing; this one is a 64th of a device unit (at 300 dpi, under 0.004 pt).
QFont reportFont(const QString& family, QFont::StyleHint hint, double points)
{
    QFont f(family);
    f.setStyleHint(hint);
    f.setPointSizeF(points);
    f.setLetterSpacing(QFont::AbsoluteSpacing, 1.0 / 64);
    return f;
}
} // namespace

QFont ReportPages::font(double points, bool bold) const
{
    QFont f = reportFont(QStringLiteral("DejaVu Sans"), QFont::SansSerif, points);
    f.setBold(bold);
    return f;
}

QFont ReportPages::monoFont(double points) const
{
    QFont f = reportFont(QStringLiteral("DejaVu Sans Mono"), QFont::Monospace, points);
    f.setFixedPitch(true);
    return f;
}

void ReportPages::ensure(double height)
{
    if (m_y + height > m_bottom && m_y > m_top)
        newPage();
}

void ReportPages::newPage()
{
    m_writer.newPage();
    ++m_page;
    m_y = m_top;
    drawFooter();
}

void ReportPages::drawFooter()
{
    const QFont f = font(7.5);
    m_painter.setFont(f);
    m_painter.setPen(QColor(80, 80, 80));
    const double line = QFontMetricsF(f, &m_writer).height();
    const QRectF rect(m_left, m_bottom + u(10), u(m_width), line);
    const QString page = QStringLiteral("page %1").arg(m_page);
    const double pageWidth = QFontMetricsF(f, &m_writer).horizontalAdvance(page) + u(12);
    m_painter.drawText(rect.adjusted(0, 0, -pageWidth, 0), Qt::AlignLeft | Qt::AlignTop,
                       QFontMetricsF(f, &m_writer).elidedText(m_footer, Qt::ElideMiddle, rect.width() - pageWidth));
    m_painter.drawText(rect, Qt::AlignRight | Qt::AlignTop, page);
    m_painter.setPen(QPen(QColor(150, 150, 150), u(0.5)));
    m_painter.drawLine(QPointF(m_left, m_bottom + u(6)), QPointF(m_left + u(m_width), m_bottom + u(6)));
    m_painter.setPen(Qt::black);
}

void ReportPages::title(const QString& text)
{
    paragraph(text, 17);
    space(4);
}

void ReportPages::heading(const QString& text, double keepWith)
{
    const QFont f = font(12, true);
    const double line = QFontMetricsF(f, &m_writer).height();
    // A heading never ends a page: room for it and what it heads, or some lines of it.
    const double full = line + u(8 + keepWith);
    ensure(full <= m_bottom - m_top ? full : line + u(60));
    space(8);
    QTextLayout layout(text, f, &m_writer);
    const double height = layOut(layout, u(m_width));
    m_painter.setPen(Qt::black);
    layout.draw(&m_painter, QPointF(m_left, m_y));
    m_y += height + u(3);
}

void ReportPages::paragraph(const QString& text, double points)
{
    QTextLayout layout(withLineSeparators(text), font(points, points > 12), &m_writer);
    const double height = layOut(layout, u(m_width));
    ensure(height);
    m_painter.setPen(Qt::black);
    layout.draw(&m_painter, QPointF(m_left, m_y));
    m_y += height + u(3);
}

double ReportPages::rowHeight(const QStringList& cells, const std::vector<double>& widths, const QFont& font) const
{
    double height = 0;
    for (qsizetype c = 0; c < cells.size(); ++c) {
        const double w = columnWidth(widths, c);
        QTextLayout layout(withLineSeparators(cells[c]), font, &m_writer);
        height = std::max(height, layOut(layout, u(w - 2 * kCellPad)));
    }
    return height + u(2 * kCellPad);
}

void ReportPages::drawRow(const QStringList& cells, const std::vector<double>& widths, const QFont& font,
                          bool shaded, double height)
{
    if (shaded)
        m_painter.fillRect(QRectF(m_left, m_y, u(m_width), height), QColor(236, 236, 236));
    m_painter.setPen(Qt::black);
    double x = m_left;
    for (qsizetype c = 0; c < cells.size(); ++c) {
        const double w = columnWidth(widths, c);
        QTextLayout layout(withLineSeparators(cells[c]), font, &m_writer);
        layOut(layout, u(w - 2 * kCellPad));
        layout.draw(&m_painter, QPointF(x + u(kCellPad), m_y + u(kCellPad)));
        x += u(w);
    }
    m_y += height;
}

void ReportPages::table(const QStringList& header, const std::vector<QStringList>& rows, const std::vector<double>& widths,
                        bool keepTogether)
{
    const QFont body = font(kFontSize);
    const QFont bold = font(kFontSize, true);
    const auto drawHeader = [&] {
        if (header.isEmpty())
            return;
        const double height = rowHeight(header, widths, bold);
        drawRow(header, widths, bold, false, height);
        m_painter.setPen(QPen(Qt::black, u(0.6)));
        m_painter.drawLine(QPointF(m_left, m_y), QPointF(m_left + u(m_width), m_y));
    };
    const double together = keepTogether ? u(tableHeight(header, rows, widths))
                                         : rowHeight(header, widths, bold) + (rows.empty() ? 0 : rowHeight(rows.front(), widths, body));
    ensure(together <= m_bottom - m_top ? together : rowHeight(header, widths, bold));
    drawHeader();
    for (std::size_t r = 0; r < rows.size(); ++r) {
        const double height = rowHeight(rows[r], widths, body);
        if (m_y + height > m_bottom) {
            newPage();
            drawHeader();
        }
        drawRow(rows[r], widths, body, r % 2 == 1, height);
    }
    m_y += u(4);
}

double ReportPages::tableHeight(const QStringList& header, const std::vector<QStringList>& rows,
                                const std::vector<double>& widths) const
{
    double height = header.isEmpty() ? 0 : rowHeight(header, widths, font(kFontSize, true));
    for (const QStringList& row : rows)
        height += rowHeight(row, widths, font(kFontSize));
    return height / m_unit;
}

void ReportPages::facts(const std::vector<Fact>& rows, double labelWidth)
{
    const QFont label = font(kFontSize, true);
    const std::vector<double> widths{labelWidth, m_width - labelWidth};
    for (const Fact& fact : rows) {
        const QFont value = fact.fixedWidth ? monoFont(kFontSize - 0.5) : font(kFontSize);
        const double height = std::max(rowHeight({fact.label}, widths, label), rowHeight({QString(), fact.value}, widths, value));
        ensure(height);
        drawRow({fact.label}, widths, label, false, height);
        m_y -= height;
        drawRow({QString(), fact.value}, widths, value, false, height);
    }
    m_y += u(4);
}

void ReportPages::block(double height, const std::function<void(QPainter&, const QRectF&)>& draw)
{
    ensure(u(height));
    draw(m_painter, QRectF(m_left, m_y, u(m_width), u(height)));
    m_y += u(height) + u(4);
}

void ReportPages::picture(const QImage& image, double maxHeight)
{
    if (image.isNull())
        return;
    QSizeF size = QSizeF(image.size()).scaled(QSizeF(m_width, maxHeight), Qt::KeepAspectRatio);
    block(size.height(), [&](QPainter& p, const QRectF& area) {
        p.drawImage(QRectF(area.left(), area.top(), u(size.width()), area.height()), image);
    });
}

} // namespace quedral
