// Inside entity drawing: the pen of one entity and the pixel shapes that
// the entity types are drawn with.
#pragma once

#include "standin/device/device.h"

// The entity's pen: selected into the DC on its first stroke (most entities
// of a thumbnail are a single pixel and need none) and put back, and a pen
// it made deleted, when the scope ends. Style: 0 solid, 1 dashed, 2 dotted.
class PenScope {
public:
    PenScope(HDC dc, COLORREF colour, int style, int width);
    ~PenScope();
    PenScope(const PenScope&) = delete;
    PenScope& operator=(const PenScope&) = delete;
    void Select();

private:
    HDC dc_;
    COLORREF colour_;
    int style_, width_;
    bool selected_;
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
    PenScope* pen;

    void Segment(double x0, double y0, double x1, double y1) const;
    // n points, x and y after each other.
    void Path(const double* xy, int n, bool closed) const;
    void Fill(const double* xy, int n) const;
    // Loops of counts[k] points each, back to back in xy, filled in `fill`
    // by the even-odd rule.
    void FillLoops(const double* xy, const int* counts, int loops, COLORREF fill) const;
    void EndDot(double x, double y) const;
    // A circular arc in drawing units; `map` takes drawing units to pixels.
    void Arc(const Affine& map, double cx, double cy, double r, double start, double sweep) const;
};

// A hatch record (standin/device/edrawhatch.cpp); `paper` is what a tint
// is mixed with.
void DrawHatch(const Painter& painter, const Affine& map, const unsigned char* record, COLORREF paper);
