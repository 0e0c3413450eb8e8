// Reading a picture file for the image conversion, in the editor and in
// gwconvert: any format of pixels Qt's image plugins read here (SVG is not
// read), decoded once into 8-bit RGBA (bytes R, G, B, A), the layout the
// conversion reads.
#pragma once

#include <QImage>
#include <QString>

// The decoded picture, or false with a reason a user can read: the
// decoder's own message, that the file is no regular file, or that the
// picture is damaged, empty, too large to hold or too slow to decode.
bool ReadPicture(const QString& strPath, QImage* pImage, QString* pError);

// The file dialog's filter: "Image file (*.bmp *.jpg ...)" with every
// format the plugins here read but SVG.
QString PictureFileFilter();
