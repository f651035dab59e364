#include "engine/resources/distortion_mesh.h"

#include <cstddef>

DistortionMesh::DistortionMesh(int c, int r, TextureHandle t) : columns(c), rows(r), texture(t) {}

DistortionMesh* DistortionMesh::create(int columns, int rows, TextureHandle texture, float texWidth,
                                       float texHeight, float x, float y, float w, float h) {
    if (columns < 1 || rows < 1) return nullptr;
    if (columns > DISTORTION_MAX_POINTS / rows) return nullptr;
    if (!(texWidth > 0.0f)) texWidth = 1.0f;
    if (!(texHeight > 0.0f)) texHeight = 1.0f;
    DistortionMesh* mesh = new DistortionMesh(columns, rows, texture);
    mesh->points.resize(static_cast<size_t>(columns) * rows);
    for (int j = 0; j < rows; ++j) {
        for (int i = 0; i < columns; ++i) {
            Vertex& v = mesh->points[static_cast<size_t>(j) * columns + i];
            v.x = columns > 1 ? x + w * i / (columns - 1) : x;
            v.y = rows > 1 ? y + h * j / (rows - 1) : y;
            v.tx = v.x / texWidth;
            v.ty = v.y / texHeight;
            v.z = 0.5f;
            v.col = 0xFFFFFFFF;
        }
    }
    return mesh;
}

void DistortionMesh::SetColor(uint32_t color) {
    for (Vertex& v : points) v.col = color;
}

void DistortionMesh::SetZ(float z) {
    for (Vertex& v : points) v.z = z;
}
