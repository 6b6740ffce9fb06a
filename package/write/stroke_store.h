// The strokes written so far, kept so the window can repaint them: a bounded
// list of points in which each stroke starts with a marked point.
#pragma once
#include <windows.h>

constexpr int StrokePointCapacity = 32768;

struct StrokePoint {
    POINT At;
    bool StartsStroke;
};

struct StrokeStore {
    StrokePoint Points[StrokePointCapacity];
    int Count;
};

// False when the store is full; the point is then dropped.
bool BeginStroke(StrokeStore* store, POINT at);
bool ExtendStroke(StrokeStore* store, POINT at);
void ClearStrokes(StrokeStore* store);
// Draws every stroke with the current pen.
void DrawStrokes(const StrokeStore& store, HDC dc);
