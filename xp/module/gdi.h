// The module's GDI objects are made and deleted through these, which count
// what is alive: tests prove with LiveGdiObjects() that nothing leaks (Wine
// gives no per-process GDI count).
#pragma once

#include <windows.h>

int LiveGdiObjects();

HDC MakeDisplayInfo();                     // an information context for "DISPLAY"
HDC MakeMemoryDC(HDC compatible);
void DropDC(HDC dc);
HBITMAP MakeBitmap(HDC compatible, int width, int height);
HRGN MakeRectRegion(const RECT* rect);
void DropObject(HGDIOBJ object);           // bitmaps and regions
