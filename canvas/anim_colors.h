// The colours an animation's pictures hold, found from its cells: a cell's
// pixels are its glyph in its colour blended over the background, so the
// distinct (character, colour) pairs of all frames give every colour without
// drawing a frame.
#pragma once

#include <QRgb>

#include <cstddef>
#include <string>
#include <vector>

class CFramePicture;
class IAnimFrameSource;

// Every colour the frames of the source show when drawn by picture, the
// background first, each once, in the order met. Stops as soon as there are
// more than nMax (vColors then holds nMax + 1 colours). False, with the
// reason, when a frame cannot be read.
bool CollectAnimColors(IAnimFrameSource& frames, CFramePicture& picture, size_t nMax,
                       std::vector<QRgb>& vColors, std::string* pError);
