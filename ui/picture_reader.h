// Reading a picture file for the image conversion, in the editor and in
// gwconvert: any format Qt's image plugins read here, decoded once into
// 8-bit RGBA (bytes R, G, B, A), the layout the conversion reads.
#pragma once

#include <QImage>
#include <QString>

// The decoded picture, or false with a reason a user can read: the
// decoder's own message, or that the picture is empty or too large to hold.
bool ReadPicture(const QString& strPath, QImage* pImage, QString* pError);

// The file dialog's filter: "Image file (*.bmp *.jpg ...)" with every
// format the plugins here read.
QString PictureFileFilter();
