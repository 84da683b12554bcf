// The chart's saved state: the block a graph file and a template hold.
#include "chart/chartmodel.h"

#include <QStringDecoder>
#include <QtEndian>

#include <algorithm>
#include <cmath>
#include <cstring>

namespace quedral {

// ---------------------------------------------------------------------------
// State block
//
// Layout (all little-endian):
//   "QCHS" magic, u16 version (1), u16 reserved (0)
//   f32 null value; u8 usingXDataII, subsetByPoint; i32 dateTimeMode
//   u32 subsets, u32 points; then per subset points × f64 X; then per subset points × f32 Y
//   u32 style count; per style: str label, u32 colour, i32 line type
//   str mainTitle, subTitle, xAxisLabel, yAxisLabel; u32 yAxisColor; i32 gridStyle, viewingStyle
//   3 × font (str family, i32 point size, u8 bold, u8 italic): main title, subtitle, labels
//   u8 prepareImages, allowPopup, noHelp; i32 allowDataLabels, workingAxis, arrowCursor
//   i32 scale control X, Y; f64 minX, maxX, minY, maxY; i32 allowZooming; u8 scroll H, V
//   u8 show lines, line hot spots; i32 text size; 3 × (f64 x, str text, i32 type, u32 colour)
//   u8 annotation hot spots, data hot spots; u32 count; per annotation:
//       i32 index, f64 x, f64 y, str text, i32 type, u32 colour
//   u8 allowPage1, allowPage2, allowSubsetsPage, allowFontPage
// A str is u32 byte count + UTF-8 bytes. Nothing follows the last field.

namespace {

constexpr char kMagic[4] = {'Q', 'C', 'H', 'S'};
constexpr quint16 kVersion = 1;

class Writer {
public:
    QByteArray out;
    template <typename T> void put(T v)
    {
        char buf[sizeof(T)];
        qToLittleEndian(v, buf);
        out.append(buf, sizeof(T));
    }
    void u8(bool b) { out.append(static_cast<char>(b ? 1 : 0)); }
    void i32(int v) { put<qint32>(v); }
    void u32(quint32 v) { put<quint32>(v); }
    void f64(double v) { put<double>(v); }
    void f32(float v) { put<float>(v); }
    void str(const QString& s)
    {
        const QByteArray b = s.toUtf8();
        u32(static_cast<quint32>(b.size()));
        out.append(b);
    }
    void font(const ChartFont& f)
    {
        str(f.family);
        i32(f.pointSize);
        u8(f.bold);
        u8(f.italic);
    }
    template <typename T> void array(const std::vector<T>& v)
    {
        if constexpr (QSysInfo::ByteOrder == QSysInfo::LittleEndian) {
            out.append(reinterpret_cast<const char*>(v.data()), static_cast<qsizetype>(v.size() * sizeof(T)));
        } else {
            for (T x : v)
                put<T>(x);
        }
    }
};

class Reader {
public:
    explicit Reader(const QByteArray& b) : m_p(b.constData()), m_end(b.constData() + b.size()) {}
    qsizetype remaining() const { return m_end - m_p; }
    bool failed() const { return !m_error.isEmpty(); }
    const QString& error() const { return m_error; }
    void fail(const QString& why)
    {
        if (m_error.isEmpty())
            m_error = why;
        m_p = m_end;
    }

    template <typename T> T get()
    {
        if (remaining() < static_cast<qsizetype>(sizeof(T))) {
            fail(QStringLiteral("The chart state is truncated."));
            return T{};
        }
        const T v = qFromLittleEndian<T>(m_p);
        m_p += sizeof(T);
        return v;
    }
    bool u8()
    {
        const auto v = get<quint8>();
        if (v > 1)
            fail(QStringLiteral("The chart state holds an invalid flag."));
        return v == 1;
    }
    int i32() { return get<qint32>(); }
    quint32 u32() { return get<quint32>(); }
    double f64() { return get<double>(); }
    float f32() { return get<float>(); }
    QString str()
    {
        const quint32 n = u32();
        if (failed())
            return {};
        if (n > static_cast<quint64>(remaining())) {
            fail(QStringLiteral("The chart state holds a text longer than the block."));
            return {};
        }
        QStringDecoder decode(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
        QString s = decode(QByteArrayView(m_p, static_cast<qsizetype>(n)));
        if (decode.hasError()) {
            fail(QStringLiteral("The chart state holds a damaged text."));
            return {};
        }
        m_p += n;
        return s;
    }
    ChartFont font()
    {
        ChartFont f;
        f.family = str();
        f.pointSize = i32();
        f.bold = u8();
        f.italic = u8();
        if (f.pointSize < 0 || f.pointSize > 500)
            fail(QStringLiteral("The chart state holds an invalid font size."));
        return f;
    }
    template <typename T> void array(std::vector<T>& v, size_t n)
    {
        // The caller has checked that n elements fit in what is left.
        v.resize(n);
        if (n == 0)
            return; // an empty vector has no storage to copy into
        if constexpr (QSysInfo::ByteOrder == QSysInfo::LittleEndian) {
            std::memcpy(v.data(), m_p, n * sizeof(T));
            m_p += n * sizeof(T);
        } else {
            for (auto& x : v)
                x = get<T>();
        }
    }

private:
    const char* m_p;
    const char* m_end;
    QString m_error;
};

} // namespace

// Values no chart of this program holds, which only a damaged or forged block can carry: such
// a block is refused whole (it has no checksum, so nothing else in it can be trusted either).
// Times are dates from the year 100 to 9999 (0, a point not yet filled, is among them); levels
// are finite and within kMaxPlausibleLevel dB unless they are the null value; axis ranges and
// annotation positions are finite and within the same dates or kMaxPlausiblePosition.
QString ChartModel::implausibleValue(const ChartModel& m)
{
    constexpr double kFirstDay = -657434.0;   // 1 January 100
    constexpr double kEndDay = 2958466.0;     // the day after 31 December 9999
    const auto time = [](double x) { return std::isfinite(x) && x >= kFirstDay && x < kEndDay; };
    const auto position = [](double y) { return std::isfinite(y) && std::fabs(y) <= kMaxPlausiblePosition; };
    if (!std::isfinite(m.nullDataValueY))
        return QStringLiteral("The chart state holds an impossible null value.");
    for (int s = 0; s < m.m_subsets; ++s) {
        const auto& xs = m.m_x[static_cast<size_t>(s)];
        const auto& ys = m.m_y[static_cast<size_t>(s)];
        for (size_t i = 0; i < xs.size(); ++i) {
            if (!time(xs[i]))
                return QStringLiteral("The chart state holds an impossible time (%1) at point %2 of subset %3.")
                    .arg(xs[i])
                    .arg(i + 1)
                    .arg(s + 1);
            const float y = ys[i];
            if (!(y == m.nullDataValueY || (std::isfinite(y) && std::fabs(y) <= kMaxPlausibleLevel)))
                return QStringLiteral("The chart state holds an impossible level (%1 dB) at point %2 of subset %3.")
                    .arg(y)
                    .arg(i + 1)
                    .arg(s + 1);
        }
    }
    if (!time(m.manualMinX) || !time(m.manualMaxX) || !position(m.manualMinY) || !position(m.manualMaxY))
        return QStringLiteral("The chart state holds an impossible axis range (X %1 to %2, Y %3 to %4).")
            .arg(m.manualMinX)
            .arg(m.manualMaxX)
            .arg(m.manualMinY)
            .arg(m.manualMaxY);
    for (const auto& l : m.vertLines)
        if (!time(l.x))
            return QStringLiteral("The chart state holds a vertical line at an impossible time (%1).").arg(l.x);
    for (const auto& [index, a] : m.m_annotations)
        if (!time(a.x) || !position(a.y))
            return QStringLiteral("The chart state holds annotation %1 at an impossible place (%2, %3).")
                .arg(index)
                .arg(a.x)
                .arg(a.y);
    return {};
}

QByteArray ChartModel::serialize() const
{
    Writer w;
    const qsizetype dataBytes = static_cast<qsizetype>(m_subsets) * m_points * 12;
    w.out.reserve(dataBytes + 4096);
    w.out.append(kMagic, 4);
    w.put<quint16>(kVersion);
    w.put<quint16>(0);

    w.f32(nullDataValueY);
    w.u8(usingXDataII);
    w.u8(subsetByPoint);
    w.i32(dateTimeMode);
    w.u32(static_cast<quint32>(m_subsets));
    w.u32(static_cast<quint32>(m_points));
    for (const auto& v : m_x)
        w.array(v);
    for (const auto& v : m_y)
        w.array(v);

    w.u32(static_cast<quint32>(m_styles.size()));
    for (const auto& st : m_styles) {
        w.str(st.label);
        w.u32(st.color);
        w.i32(st.lineType);
    }
    w.str(mainTitle);
    w.str(subTitle);
    w.str(xAxisLabel);
    w.str(yAxisLabel);
    w.u32(yAxisColor);
    w.i32(gridStyle);
    w.i32(viewingStyle);
    w.font(mainTitleFont);
    w.font(subTitleFont);
    w.font(labelFont);
    w.u8(prepareImages);
    w.u8(allowPopup);
    w.u8(noHelp);
    w.i32(allowDataLabels);
    w.i32(workingAxis);
    w.i32(arrowCursor);

    w.i32(manualScaleControlX);
    w.i32(manualScaleControlY);
    w.f64(manualMinX);
    w.f64(manualMaxX);
    w.f64(manualMinY);
    w.f64(manualMaxY);
    w.i32(allowZooming);
    w.u8(scrollingHorzZoom);
    w.u8(scrollingVertZoom);

    w.u8(showVertLineAnnotations);
    w.u8(allowVertLineAnnotHotSpots);
    w.i32(lineAnnotationTextSize);
    for (const auto& l : vertLines) {
        w.f64(l.x);
        w.str(l.text);
        w.i32(l.type);
        w.u32(l.color);
    }

    w.u8(allowGraphAnnotHotSpots);
    w.u8(allowDataHotSpots);
    w.u32(static_cast<quint32>(m_annotations.size()));
    for (const auto& [index, a] : m_annotations) {
        w.i32(index);
        w.f64(a.x);
        w.f64(a.y);
        w.str(a.text);
        w.i32(a.type);
        w.u32(a.color);
    }

    w.u8(allowPage1);
    w.u8(allowPage2);
    w.u8(allowSubsetsPage);
    w.u8(allowFontPage);
    return w.out;
}

bool ChartModel::deserialize(const QByteArray& block, QString* error)
{
    auto refuse = [error](const QString& why) {
        if (error)
            *error = why;
        return false;
    };
    if (block.isEmpty())
        return refuse(QStringLiteral("The chart state is empty."));
    if (block.size() < 8 || std::memcmp(block.constData(), kMagic, 4) != 0)
        return refuse(QStringLiteral("The data is not a chart state."));

    Reader r(block);
    r.get<quint32>();  // magic, checked above
    const quint16 version = r.get<quint16>();
    const quint16 reserved = r.get<quint16>();
    if (version != kVersion || reserved != 0)
        return refuse(QStringLiteral("The chart state has version %1; this program reads version %2.")
                          .arg(version)
                          .arg(kVersion));

    ChartModel m;  // filled completely, then swapped in
    m.nullDataValueY = r.f32();
    m.usingXDataII = r.u8();
    m.subsetByPoint = r.u8();
    m.dateTimeMode = r.i32();
    const quint32 subsets = r.u32();
    const quint32 points = r.u32();
    if (r.failed())
        return refuse(r.error());
    if (subsets > static_cast<quint32>(kMaxSubsets) || points > static_cast<quint32>(kMaxPoints))
        return refuse(QStringLiteral("The chart state claims %1 subsets of %2 points, more than a chart holds.")
                          .arg(subsets)
                          .arg(points));
    const quint64 dataBytes = quint64(subsets) * points * (sizeof(double) + sizeof(float));
    if (dataBytes > static_cast<quint64>(r.remaining()))
        return refuse(QStringLiteral("The chart state claims %1 subsets of %2 points but is too short for them.")
                          .arg(subsets)
                          .arg(points));
    m.m_subsets = static_cast<int>(subsets);
    m.m_points = static_cast<int>(points);
    m.m_x.assign(subsets, {});
    m.m_y.assign(subsets, {});
    for (auto& v : m.m_x)
        r.array(v, points);
    for (auto& v : m.m_y)
        r.array(v, points);

    const quint32 styles = r.u32();
    // Each style takes at least 12 bytes.
    if (!r.failed() && (styles > static_cast<quint32>(kMaxSubsets) || quint64(styles) * 12 > quint64(r.remaining())))
        r.fail(QStringLiteral("The chart state holds an impossible number of subset styles (%1).").arg(styles));
    for (quint32 i = 0; i < styles && !r.failed(); ++i) {
        SubsetStyle st;
        st.label = r.str();
        st.color = r.u32();
        st.lineType = r.i32();
        m.m_styles.push_back(st);
    }
    m.mainTitle = r.str();
    m.subTitle = r.str();
    m.xAxisLabel = r.str();
    m.yAxisLabel = r.str();
    m.yAxisColor = r.u32();
    m.gridStyle = r.i32();
    m.viewingStyle = r.i32();
    m.mainTitleFont = r.font();
    m.subTitleFont = r.font();
    m.labelFont = r.font();
    m.prepareImages = r.u8();
    m.allowPopup = r.u8();
    m.noHelp = r.u8();
    m.allowDataLabels = r.i32();
    m.workingAxis = r.i32();
    m.arrowCursor = r.i32();

    m.manualScaleControlX = r.i32();
    m.manualScaleControlY = r.i32();
    m.manualMinX = r.f64();
    m.manualMaxX = r.f64();
    m.manualMinY = r.f64();
    m.manualMaxY = r.f64();
    m.allowZooming = r.i32();
    m.scrollingHorzZoom = r.u8();
    m.scrollingVertZoom = r.u8();

    m.showVertLineAnnotations = r.u8();
    m.allowVertLineAnnotHotSpots = r.u8();
    m.lineAnnotationTextSize = r.i32();
    for (auto& l : m.vertLines) {
        l.x = r.f64();
        l.text = r.str();
        l.type = r.i32();
        l.color = r.u32();
    }

    m.allowGraphAnnotHotSpots = r.u8();
    m.allowDataHotSpots = r.u8();
    const quint32 annotations = r.u32();
    // Each annotation takes at least 32 bytes.
    if (!r.failed() && quint64(annotations) * 32 > quint64(r.remaining()))
        r.fail(QStringLiteral("The chart state claims %1 annotations but is too short for them.").arg(annotations));
    for (quint32 i = 0; i < annotations && !r.failed(); ++i) {
        const int index = r.i32();
        GraphAnnotation a;
        a.x = r.f64();
        a.y = r.f64();
        a.text = r.str();
        a.type = r.i32();
        a.color = r.u32();
        if (!r.failed() && !m.m_annotations.emplace(index, a).second)
            r.fail(QStringLiteral("The chart state holds annotation %1 twice.").arg(index));
    }

    m.allowPage1 = r.u8();
    m.allowPage2 = r.u8();
    m.allowSubsetsPage = r.u8();
    m.allowFontPage = r.u8();

    if (r.failed())
        return refuse(r.error());
    if (r.remaining() != 0)
        return refuse(QStringLiteral("The chart state has %1 unexpected bytes at its end.").arg(r.remaining()));
    if (m.lineAnnotationTextSize < 0 || m.lineAnnotationTextSize > 10000)
        return refuse(QStringLiteral("The chart state holds an invalid line text size."));
    const QString implausible = implausibleValue(m);
    if (!implausible.isEmpty())
        return refuse(implausible);

    m.m_dataRevision = m_dataRevision + 1;
    *this = std::move(m);
    return true;
}

} // namespace quedral
