// `gwconvert image`: a picture converted, as the Image Convert dialog does,
// onto the blank canvas of a new drawing of the largest size, and written as
// a drawing, as text or as a page.
#pragma once

#include "cli/convert_args.h"

#include <optional>
#include <string>

// Empty when the output was written; otherwise the one line that says why
// not (a picture that cannot be read or gives no row of characters, an
// output that cannot be written), and any existing output is left as it was.
// crText colours the blank cells and, with --gray, the converted ones.
// Decodes the picture whole, any format Qt's plugins read (Qt's GUI library).
// With --frames, every frame of the picture onto a blank canvas of its own,
// one frame decoded, converted and written at a time, into one drawing.
std::string ConvertPictureFile(const CConvertArgs& args, COLORREF crText, COLORREF crBack);

// The same for a JPEG or PNG picture the streamed decoder takes
// (ui/picture_stream.h), a few rows held at a time, without Qt; with --frames,
// the frames of a GIF through giflib (cli/gif_frames.h). Nothing (and
// nothing written) when the picture is to go the full way instead.
std::optional<std::string> ConvertPictureStreamed(const CConvertArgs& args, COLORREF crText,
                                                  COLORREF crBack);
