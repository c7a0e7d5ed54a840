// Small helpers shared by the screens: the drawing-state reset, neighbour lookups for menus,
// a frames-per-second counter, and geometry and interpolation functions.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>

#include "runtime/list.h"

// Puts the 2D drawing state back to known values: opaque, mask blending, white, no handle,
// thin lines, no origin, no rotation, unit scale. Clear colour, viewport and font stay.
void ResetDrawState();

// Where the desktop's size comes from. The default asks the display driver's mode list and
// takes its largest mode; a display adapter that knows the desktop mode sets its own query.
// The query answers false when the size is not available.
using TDesktopSizeQuery = std::function<bool(int32_t& width, int32_t& height)>;
void SetDesktopSizeQuery(TDesktopSizeQuery query);

// 1 and the top-left corner that centres a w x h rectangle on the desktop; 0, with the outputs
// untouched, when the desktop's size is not available.
int32_t CenterOnDesktop(int32_t& outX, int32_t& outY, int32_t w, int32_t h);

// The element after (before) the first element that compares equal to value; null when value
// is the last (first) element or not in the list.
template <class T>
std::shared_ptr<T> NextInList(const TList<T>& list, const std::shared_ptr<T>& value) {
  auto* link = list.FindLink(value);
  if (!link) return nullptr;
  auto* next = link->NextLink();
  return next ? next->Value() : nullptr;
}

template <class T>
std::shared_ptr<T> PreviousInList(const TList<T>& list, const std::shared_ptr<T>& value) {
  auto* link = list.FindLink(value);
  if (!link) return nullptr;
  auto* prev = link->PrevLink();
  return prev ? prev->Value() : nullptr;
}

// Calls counted in the last complete window of at least 1000 ms: the frame rate when called
// once per frame.
int32_t FramesPerSecond();

// 1 when the rectangles overlap or touch; any NaN makes it 0.
int32_t RectsOverlap(float x1, float y1, float w1, float h1, float x2, float y2, float w2,
                     float h2);
float Distance(float x1, float y1, float x2, float y2);
// Bearing of the second point seen from the first, clockwise from straight up (y grows
// downwards), in degrees from 0 to 360.
float AngleBetween(float x1, float y1, float x2, float y2);
float CosineInterpolate(float a, float b, float t);
// Linear blend; t is not clamped, so values outside 0 to 1 extrapolate.
float Lerp(float a, float b, float t);
