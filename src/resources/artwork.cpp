#include "resources/artwork.h"

#include <QFile>
#include <QPainter>
#include <QSvgRenderer>
#include <mutex>

static void registerArtwork()
{
    Q_INIT_RESOURCE(artwork);
}

namespace quedral {

void initResources()
{
    static std::once_flag once;
    std::call_once(once, registerArtwork);
}

QStringList artworkNames()
{
    QStringList names;
    for (int i = 0; i < 16; ++i)
        names << QStringLiteral("LCD%1").arg(i);
    for (int i = 0; i < 10; ++i)
        names << QStringLiteral("LCDS%1").arg(i);
    names << "PANEL" << "POINT" << "SEPARATOR" << "UNDER" << "OVER" << "COLORBAR"
          << "BATTERY" << "AUTOOFF" << "CROSS";
    return names;
}

QPixmap loadArtwork(const QString& name)
{
    initResources();
    const QString path = QStringLiteral(":/artwork/") + name;
    if (!QFile::exists(path))
        return {};
    QSvgRenderer renderer(path);
    if (!renderer.isValid())
        return {};
    QPixmap pixmap(renderer.defaultSize());
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
    renderer.render(&painter, QRectF(QPointF(0, 0), QSizeF(renderer.defaultSize())));
    painter.end();
    return pixmap;
}

GlyphTables loadGlyphTables()
{
    GlyphTables tables;
    for (int i = 0; i < int(tables.large.size()); ++i)
        tables.large[i] = loadArtwork(QStringLiteral("LCD%1").arg(i));
    for (int i = 0; i < int(tables.small.size()); ++i)
        tables.small[i] = loadArtwork(QStringLiteral("LCDS%1").arg(i));
    return tables;
}

QCursor crossCursor()
{
    const QPixmap pixmap = loadArtwork(QStringLiteral("CROSS"));
    if (pixmap.isNull())
        return QCursor(Qt::CrossCursor);
    return QCursor(pixmap, pixmap.width() / 2, pixmap.height() / 2);
}

} // namespace quedral
