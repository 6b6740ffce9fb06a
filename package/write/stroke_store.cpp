#include "stroke_store.h"

static bool AddPoint(StrokeStore* store, POINT at, bool startsStroke)
{
    if (store->Count >= StrokePointCapacity)
        return false;
    store->Points[store->Count].At = at;
    store->Points[store->Count].StartsStroke = startsStroke;
    ++store->Count;
    return true;
}

bool BeginStroke(StrokeStore* store, POINT at) { return AddPoint(store, at, true); }

bool ExtendStroke(StrokeStore* store, POINT at)
{
    // A stroke continues only after a point of its own.
    if (store->Count == 0)
        return AddPoint(store, at, true);
    return AddPoint(store, at, false);
}

void ClearStrokes(StrokeStore* store) { store->Count = 0; }

void DrawStrokes(const StrokeStore& store, HDC dc)
{
    for (int i = 0; i < store.Count; ++i) {
        const StrokePoint& point = store.Points[i];
        if (point.StartsStroke) {
            MoveToEx(dc, point.At.x, point.At.y, nullptr);
            LineTo(dc, point.At.x + 1, point.At.y); // a dot for a single touch
            MoveToEx(dc, point.At.x, point.At.y, nullptr);
        } else {
            LineTo(dc, point.At.x, point.At.y);
        }
    }
}
