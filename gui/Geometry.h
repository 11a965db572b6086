#pragma once
// Points and rectangles as the system lays them out, with the short-hand
// constructors drawing code is written with. A rectangle's right and bottom
// edges lie outside it.
#include <windows.h>

using TPoint = POINT;
using TRect = RECT;

constexpr TPoint Point(int x, int y) { return TPoint{x, y}; }
constexpr TRect Rect(int left, int top, int right, int bottom) { return TRect{left, top, right, bottom}; }
constexpr TRect Bounds(int left, int top, int width, int height) { return TRect{left, top, left + width, top + height}; }
constexpr int RectWidth(const TRect& r) { return r.right - r.left; }
constexpr int RectHeight(const TRect& r) { return r.bottom - r.top; }
