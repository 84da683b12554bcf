#include "shell/settings.h"

#include <QByteArray>
#include <QtEndian>
#include <cmath>
#include <cstring>

namespace quedral {

namespace {
const char* const kValueName = "RealTimeRate";
}

std::unique_ptr<QSettings> openSettings()
{
    return std::make_unique<QSettings>(QSettings::IniFormat, QSettings::UserScope, "Quedral", "QM708");
}

float loadRealTimeRate(QSettings& settings)
{
    const QVariant v = settings.value(kValueName);
    if (v.typeId() != QMetaType::QByteArray)
        return kDefaultRealTimeRate;
    const QByteArray bytes = v.toByteArray();
    if (bytes.size() != 8)
        return kDefaultRealTimeRate;
    const quint64 bits = qFromLittleEndian<quint64>(bytes.constData());
    double d;
    std::memcpy(&d, &bits, sizeof d);
    // A value that is no usable rate is as good as a missing one.
    if (!std::isfinite(d) || d <= 0 || d > 86400)
        return kDefaultRealTimeRate;
    return static_cast<float>(d);
}

void saveRealTimeRate(QSettings& settings, float rate)
{
    const double d = rate;
    quint64 bits;
    std::memcpy(&bits, &d, sizeof bits);
    QByteArray bytes(8, '\0');
    qToLittleEndian<quint64>(bits, bytes.data());
    settings.setValue(kValueName, bytes);
    settings.sync();
}

} // namespace quedral
