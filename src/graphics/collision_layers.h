// Collision layers: pixel-exact overlap tests between images and rectangles placed as they
// would be drawn, kept in 32 layers selected by bit masks.
#pragma once

#include <cstdint>
#include <vector>

#include "graphics/image.h"
#include "runtime/object.h"

// The matrix quads are built with; the 2D state copies its matrix here on every change.
void SetCollisionMatrix(float ix, float iy, float jx, float jy);

// Empties every layer whose bit is set in mask (all 32 when mask is 0).
void ClearCollisionLayers(uint32_t mask);
// Places the frame as DrawImageAt would (image handle, origin, collision matrix), returns the ids
// of the quads in the layers of collideMask that it overlaps, then puts it with id into every
// layer of writeMask. An image without that frame collides with nothing and is not written.
std::vector<TObjectRef> CollideImageLayers(const TImageRef& image, float x, float y, int32_t frame,
                                           uint32_t collideMask, uint32_t writeMask,
                                           const TObjectRef& id);
// The same for a solid rectangle placed as DrawFilledRect would place it.
std::vector<TObjectRef> CollideRectLayers(float x, float y, float width, float height,
                                          uint32_t collideMask, uint32_t writeMask,
                                          const TObjectRef& id);
// 1 when the solid pixels of the two frames meet, else 0; uses (and clears) layer 31.
int32_t ImagesOverlap(const TImageRef& image1, float x1, float y1, int32_t frame1,
                      const TImageRef& image2, float x2, float y2, int32_t frame2);
// The same with each image rotated and scaled by its own values; the collision matrix in force
// before the call is in force after it.
int32_t ImagesOverlapTransformed(const TImageRef& image1, float x1, float y1, int32_t frame1,
                                 float rotation1, float scaleX1, float scaleY1,
                                 const TImageRef& image2, float x2, float y2, int32_t frame2,
                                 float rotation2, float scaleX2, float scaleY2);
