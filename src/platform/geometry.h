// Points, sizes and rectangles in the framework's float coordinates.
#pragma once

struct NSPoint {
    float x = 0;
    float y = 0;
};

struct NSSize {
    float width = 0;
    float height = 0;
};

struct NSRect {
    NSPoint origin;
    NSSize size;
};

inline bool operator==(const NSSize& a, const NSSize& b) { return a.width == b.width && a.height == b.height; }
inline bool operator!=(const NSSize& a, const NSSize& b) { return !(a == b); }
