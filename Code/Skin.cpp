#include "Skin.h"

#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QSvgRenderer>

// Resources compiled into a static library are registered by hand.
static void InitSkinResources()
{
    static const bool done = [] {
        Q_INIT_RESOURCE(skin);
        return true;
    }();
    (void)done;
}

QImage SkinImage(const QString &name, const QSize &pixelSize)
{
    InitSkinResources();
    QImage image(pixelSize, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QSvgRenderer renderer(QStringLiteral(":/skin/%1.svg").arg(name));
    if (renderer.isValid()) {
        renderer.setAspectRatioMode(Qt::IgnoreAspectRatio);
        QPainter painter(&image);
        renderer.render(&painter);
    }
    return image;
}

QPixmap SkinPicture(const QString &name, const QSize &size)
{
    const qreal scale = qGuiApp ? qGuiApp->devicePixelRatio() : 1.0;
    QPixmap picture = QPixmap::fromImage(SkinImage(name, (QSizeF(size) * scale).toSize()));
    picture.setDevicePixelRatio(scale);
    return picture;
}

TButtonPictures SkinButtonPictures(const QString &name, const QSize &size)
{
    return {SkinPicture(name + QStringLiteral("_up"), size), SkinPicture(name + QStringLiteral("_hot"), size),
            SkinPicture(name + QStringLiteral("_down"), size)};
}
