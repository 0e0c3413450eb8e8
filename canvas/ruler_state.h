// What the rulers are told with each update: the scroll position and the
// mouse in client pixels, and the canvas size in pixels.
#pragma once

struct CRulerState {
    int nScrollX = 0;
    int nScrollY = 0;
    int nMouseX = 0;
    int nMouseY = 0;
    int nCanvasW = 0;
    int nCanvasH = 0;
};
