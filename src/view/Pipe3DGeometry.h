// Vertices for the Qt Quick 3D scene of the pipe: points or line segments,
// each with a position and a colour, handed over as one interleaved buffer.
#pragma once

#include <QByteArray>
#include <QQuick3DGeometry>
#include <QVector3D>

#include <span>

class Pipe3DGeometry : public QQuick3DGeometry {
    Q_OBJECT
  public:
    explicit Pipe3DGeometry(PrimitiveType primitive, QQuick3DObject* parent = nullptr);

    // Seven floats a vertex: x, y, z, r, g, b, a. Bounds from the positions.
    // Beyond Capacity() vertices, the rest are left out.
    void SetVertices(std::span<const float> vertices);
    int Count() const { return m_count; }

    // The buffer handed to the renderer always holds this many vertices
    // (0: exactly as many as given); only the first Count() are drawn.
    // Every copy the renderer makes of a buffer that grows scan by scan is
    // a new, larger block, and the freed smaller ones are seldom reused, so
    // a playback of hours kept gaining memory; one size from the start
    // keeps it flat.
    void SetCapacity(int vertices);
    int Capacity() const { return m_capacity; }

  private:
    PrimitiveType m_primitive;
    int m_count = 0;
    int m_capacity = 0;
    QByteArray m_blocks[2]; // see SetVertices
    int m_turn = 0;
};
