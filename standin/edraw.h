// Inside entity drawing: the pen of one entity and the pixel shapes that
// the entity types are drawn with.
#pragma once

#include "standin/device.h"

// Selects the entity's pen into the DC for its lifetime; a pen it makes is
// deleted when it ends. Style: 0 solid, 1 dashed, 2 dotted.
class PenScope {
public:
    PenScope(HDC dc, COLORREF colour, int style, int width);
    ~PenScope();
    PenScope(const PenScope&) = delete;
    PenScope& operator=(const PenScope&) = delete;

private:
    HDC dc_;
    HPEN made_;
    HGDIOBJ oldPen_;
    COLORREF oldColour_;
};

// Draws in pixel coordinates (doubles), clipped to `safe`.
struct Painter {
    HDC dc;
    COLORREF colour;
    RECT safe;      // the view with a wide margin: nothing outside it can show
    bool thin;      // a one-pixel pen: path ends get their last pixel

    void Segment(double x0, double y0, double x1, double y1) const;
    // n points, x and y after each other.
    void Path(const double* xy, int n, bool closed) const;
    void Fill(const double* xy, int n) const;
    void EndDot(double x, double y) const;
    // A circular arc in drawing units; `map` takes drawing units to pixels.
    void Arc(const Affine& map, double cx, double cy, double r, double start, double sweep) const;
};
