#pragma once
// Laying out a document on A4 pages with a QPainter on a QPdfWriter: headings, wrapped text,
// tables whose rows continue onto new pages (the header repeated), pictures, and a footer on
// every page. Lengths are in points (1/72 inch); the text top to bottom, a new page when the
// next block does not fit.
#include <QFont>
#include <QImage>
#include <QPainter>
#include <QPdfWriter>
#include <QString>
#include <QStringList>
#include <functional>
#include <vector>

namespace quedral {

class ReportPages {
public:
    // Starts the first page; footer is the footer's text, "page N" added to it.
    ReportPages(QPdfWriter& writer, QPainter& painter, QString footer);

    static constexpr double kMargin = 48;   // points around the text
    double width() const { return m_width; } // of the text, points

    QFont font(double points, bool bold = false) const;
    QFont monoFont(double points) const;

    void title(const QString& text);
    // A heading, on a new page unless what follows it (keepWith points) fits under it too.
    void heading(const QString& text, double keepWith = 60);
    void paragraph(const QString& text, double points = 9.5);
    // Rows of cells under a header (none when empty), columns as wide as given (points, the
    // last one takes the rest); a cell's text wraps, "\n" too. Rows shaded in turn. Kept
    // together, a table that fits on a page starts on a new one rather than being split.
    void table(const QStringList& header, const std::vector<QStringList>& rows, const std::vector<double>& widths,
               bool keepTogether = false);
    // The height of a table as table() draws it, points.
    double tableHeight(const QStringList& header, const std::vector<QStringList>& rows,
                       const std::vector<double>& widths) const;
    // Label and value rows; a value may be set in a fixed-width font (a checksum).
    struct Fact {
        QString label, value;
        bool fixedWidth = false;
    };
    void facts(const std::vector<Fact>& rows, double labelWidth);
    // A block of the given height (points) drawn by draw into its rectangle (device units).
    void block(double height, const std::function<void(QPainter&, const QRectF&)>& draw);
    void picture(const QImage& image, double maxHeight);
    void space(double points) { m_y += points * m_unit; }

    int pageNumber() const { return m_page; }

private:
    double u(double points) const { return points * m_unit; }
    void ensure(double height); // device units
    void newPage();
    void drawFooter();
    double rowHeight(const QStringList& cells, const std::vector<double>& widths, const QFont& font) const;
    void drawRow(const QStringList& cells, const std::vector<double>& widths, const QFont& font, bool shaded,
                 double height);

    QPdfWriter& m_writer;
    QPainter& m_painter;
    QString m_footer;
    double m_unit = 1;  // device units per point
    double m_width = 0; // points
    double m_top = 0, m_bottom = 0, m_left = 0; // device units
    double m_y = 0;
    int m_page = 1;
};

} // namespace quedral
