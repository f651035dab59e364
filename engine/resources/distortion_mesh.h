// A distortion mesh as the resource script declares it: a grid of points laid
// evenly over a region of a texture. The game never draws one.
#pragma once

#include "engine/engine.h"

#include <vector>

constexpr int DISTORTION_MAX_POINTS = 1 << 20;

class DistortionMesh {
public:
    // Null when the grid has no columns or rows or more than DISTORTION_MAX_POINTS
    // points (the script reader lets neither through). One column or row lies along
    // the rect's left or top edge. texWidth and texHeight place the texture
    // coordinates (1 x 1 without a texture).
    static DistortionMesh* create(int columns, int rows, TextureHandle texture, float texWidth,
                                  float texHeight, float x, float y, float w, float h);
    virtual ~DistortionMesh() = default;

    void SetBlendMode(int mode) { blend = mode; }
    // Every point's colour and depth.
    void SetColor(uint32_t color);
    void SetZ(float z);

    const Vertex& Point(int column, int row) const { return points[row * columns + column]; }

    int columns, rows;
    TextureHandle texture;
    int blend = BLEND_DEFAULT;
    std::vector<Vertex> points;  // row by row

private:
    DistortionMesh(int columns, int rows, TextureHandle texture);
};
