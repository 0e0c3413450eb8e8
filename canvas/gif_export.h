// The animation as a GIF file: every frame drawn as the canvas draws it, at
// one zoom, shown for the frame interval, playing forever or once.
#pragma once

#include "core/char_cell.h"

#include <ostream>
#include <string>

class IAnimFrameSource;

// Writes every frame of the source, in order, as an animated GIF through
// giflib; each frame shows for nIntervalTenths tenths of a second. With
// bLoop the file carries the looping extension and repeats forever, without
// it the animation plays once. Needs a QGuiApplication for the font.
//
// Colours are exact while they fit: the file's one colour table holds every
// colour the frames show, found from their cells before the first frame is
// drawn, when there are at most 256 of them, else the first 256 found; a
// frame with colours outside it gets a table of its own with exactly its
// colours. A frame of more than 256 colours of its own gets a table made of
// what it is drawn from: the background and each of its text colours exactly,
// and for each text colour evenly spaced blends towards the background, every
// pixel taking its nearest entry; only past 255 text colours is the table a
// median cut of its pixels, the background still exact. After the first
// frame each frame stores only the rectangle that differs from the picture
// as shown so far (through the earlier frames' tables), pixels whose shown
// colour stays the same transparent, so nothing of an earlier table's
// approximation outlives the frame that changes it.
//
// The frames are asked for twice, for their colours and then to draw; each is
// written as soon as it is drawn, so memory holds about two pictures whatever
// the frame count. Returns false with a reason when a frame cannot be had,
// giflib fails or the stream fails.
bool ExportAnimatedGif(std::ostream& os, IAnimFrameSource& frames, int nZoom, int nIntervalTenths,
                       bool bLoop, COLORREF crBack, std::string* pError);
