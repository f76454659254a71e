// Vertices for the Qt Quick 3D scene of the pipe: points or line segments,
// each with a position and a colour, handed over as one interleaved buffer.
#pragma once

#include <QQuick3DGeometry>
#include <QVector3D>

#include <span>

class Pipe3DGeometry : public QQuick3DGeometry {
    Q_OBJECT
  public:
    explicit Pipe3DGeometry(PrimitiveType primitive, QQuick3DObject* parent = nullptr);

    // Seven floats a vertex: x, y, z, r, g, b, a. Bounds from the positions.
    void SetVertices(std::span<const float> vertices);
    int Count() const { return m_count; }

  private:
    PrimitiveType m_primitive;
    int m_count = 0;
};
