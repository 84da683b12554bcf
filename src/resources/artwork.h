#pragma once
#include <QCursor>
#include <QPixmap>
#include <QString>
#include <QStringList>
#include <array>

namespace quedral {

// Registers the compiled-in artwork. The loaders below call it themselves;
// call it directly only to read the files through QFile(":/artwork/NAME").
void initResources();

// The LCD glyphs: large[0..9] digits, [10] blank, [11] and [12] dash,
// [13] "L", [14] "E", [15] "r" (39 x 70); small[0..9] digits (13 x 22).
struct GlyphTables {
    std::array<QPixmap, 16> large;
    std::array<QPixmap, 10> small;
};

// Every name the artwork resources carry: "LCD0".."LCD15", "LCDS0".."LCDS9",
// "PANEL", "POINT", "SEPARATOR", "UNDER", "OVER", "COLORBAR", "BATTERY",
// "AUTOOFF", "CROSS".
QStringList artworkNames();

// Renders the named picture at its own size (null pixmap for an unknown name).
// Needs a QGuiApplication.
QPixmap loadArtwork(const QString& name);

// "LCD0".."LCD15" and "LCDS0".."LCDS9".
GlyphTables loadGlyphTables();

// The "CROSS" cursor, hot spot in its centre.
QCursor crossCursor();

} // namespace quedral
