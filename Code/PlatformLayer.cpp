#include "PlatformLayer.h"

#include <QStringList>

namespace {

std::unique_ptr<TPlatformLayer> &InstalledLayer()
{
    static std::unique_ptr<TPlatformLayer> layer;
    return layer;
}

} // namespace

TPlatformLayer &Platform()
{
    auto &layer = InstalledLayer();
    if (!layer)
        qFatal("No platform layer installed");
    return *layer;
}

void SetPlatform(std::unique_ptr<TPlatformLayer> layer)
{
    InstalledLayer() = std::move(layer);
}

QString DialogFilterToQt(const QString &filter)
{
    const QStringList parts = filter.split(QLatin1Char('|'));
    QStringList entries;
    for (int i = 0; i + 1 < parts.size(); i += 2) {
        QStringList patterns = parts[i + 1].split(QLatin1Char(';'), Qt::SkipEmptyParts);
        entries << parts[i] + QStringLiteral(" (") + patterns.join(QLatin1Char(' ')) + QLatin1Char(')');
    }
    return entries.join(QStringLiteral(";;"));
}
