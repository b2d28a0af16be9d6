#pragma once

#include <QImage>
#include <QMargins>
#include <QPixmap>
#include <QSize>
#include <QString>

#include "BmpButton.h"

// The skin's pictures are SVG files compiled into the program (skin/skin.qrc);
// a designer replaces the skin by replacing the files. Each picture is drawn
// sharp for the display's scale.

// The picture of the given name (without ".svg") drawn at the given size.
QPixmap SkinPicture(const QString &name, const QSize &size);
// The up, hot and down pictures of a picture button: name_up, name_hot, name_down.
TButtonPictures SkinButtonPictures(const QString &name, const QSize &size);
// The same picture as an image at exactly the given pixel size (for masks).
QImage SkinImage(const QString &name, const QSize &pixelSize);
// A picture drawn at its designed size and stretched to another size only
// between its kept margins, so that corners and marks keep their shape.
QImage SkinImageStretched(const QString &name, const QSize &designSize, const QSize &size, const QMargins &keep,
                          qreal scale);
QPixmap SkinPictureStretched(const QString &name, const QSize &designSize, const QSize &size, const QMargins &keep);
