// The EXIF orientation of a JPEG picture, for both of the picture reader's
// JPEG paths (the direct decoder and the streamed rows). Plain C++.
#pragma once

#include <cstdio>

#include <jpeglib.h>

// The orientation tag of the first EXIF block's first directory, as Qt's
// reader finds it; 1 (as stored) when there is none or it is out of range.
int ExifOrientation(jpeg_saved_marker_ptr pMarker);
