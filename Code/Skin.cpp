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

QImage SkinImageStretched(const QString &name, const QSize &designSize, const QSize &size, const QMargins &keep,
                          qreal scale)
{
    const QImage design = SkinImage(name, (QSizeF(designSize) * scale).toSize());
    if (size == designSize)
        return design;
    QImage image((QSizeF(size) * scale).toSize(), QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    // Column and row bounds of the nine pieces, in the design and in the result.
    const int dx[] = {0, keep.left(), designSize.width() - keep.right(), designSize.width()};
    const int dy[] = {0, keep.top(), designSize.height() - keep.bottom(), designSize.height()};
    const int tx[] = {0, keep.left(), size.width() - keep.right(), size.width()};
    const int ty[] = {0, keep.top(), size.height() - keep.bottom(), size.height()};
    for (int row = 0; row < 3; ++row) {
        for (int column = 0; column < 3; ++column) {
            const QRectF source(dx[column] * scale, dy[row] * scale, (dx[column + 1] - dx[column]) * scale,
                                (dy[row + 1] - dy[row]) * scale);
            const QRectF target(tx[column] * scale, ty[row] * scale, (tx[column + 1] - tx[column]) * scale,
                                (ty[row + 1] - ty[row]) * scale);
            if (!source.isEmpty() && !target.isEmpty())
                painter.drawImage(target, design, source);
        }
    }
    return image;
}

QPixmap SkinPictureStretched(const QString &name, const QSize &designSize, const QSize &size, const QMargins &keep)
{
    const qreal scale = qGuiApp ? qGuiApp->devicePixelRatio() : 1.0;
    QPixmap picture = QPixmap::fromImage(SkinImageStretched(name, designSize, size, keep, scale));
    picture.setDevicePixelRatio(scale);
    return picture;
}
