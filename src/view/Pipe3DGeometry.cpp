#include "view/Pipe3DGeometry.h"

#include <algorithm>
#include <cstring>
#include <limits>

namespace {
constexpr int kFloats = 7;
constexpr int kStride = kFloats * static_cast<int>(sizeof(float));
} // namespace

Pipe3DGeometry::Pipe3DGeometry(PrimitiveType primitive, QQuick3DObject* parent)
    : QQuick3DGeometry(parent), m_primitive(primitive) {
    SetVertices({});
}

void Pipe3DGeometry::SetCapacity(int vertices) {
    m_capacity = std::max(vertices, 0);
}

void Pipe3DGeometry::SetVertices(std::span<const float> vertices) {
    clear();
    m_count = static_cast<int>(vertices.size() / kFloats);
    if (m_capacity > 0) m_count = std::min(m_count, m_capacity);
    setStride(kStride);
    setPrimitiveType(m_primitive);
    addAttribute(Attribute::PositionSemantic, 0, Attribute::F32Type);
    addAttribute(Attribute::ColorSemantic, 3 * sizeof(float), Attribute::F32Type);
    QVector3D lo(0, 0, 0), hi(0, 0, 0);
    if (m_count > 0) {
        constexpr float kBig = std::numeric_limits<float>::max();
        lo = QVector3D(kBig, kBig, kBig);
        hi = -lo;
        for (int i = 0; i < m_count; ++i) {
            const float* v = vertices.data() + static_cast<std::size_t>(i) * kFloats;
            for (int k = 0; k < 3; ++k) {
                lo[k] = std::min(lo[k], v[k]);
                hi[k] = std::max(hi[k], v[k]);
            }
        }
    }
    setBounds(lo, hi);
    const qsizetype used = static_cast<qsizetype>(m_count) * kStride;
    if (m_capacity == 0 || m_count == 0) {
        setVertexData(QByteArray(reinterpret_cast<const char*>(vertices.data()), used));
    } else {
        // Two blocks take turns. The geometry keeps the block it was handed
        // last, so writing into that one would always copy it first: a new
        // block of the full size (3.4 MB at the dock's budget) made and freed
        // again for every rebuild. The other block is free again once the
        // renderer has let go of it, and is then written in place.
        QByteArray& block = m_blocks[m_turn];
        m_turn ^= 1;
        block.resize(static_cast<qsizetype>(m_capacity) * kStride);
        char* out = block.data();
        std::memcpy(out, vertices.data(), static_cast<std::size_t>(used));
        // The unused tail repeats the last vertex, so even a renderer that
        // drew past the subset would only draw that point again.
        for (qsizetype at = used; at < block.size(); at += kStride)
            std::memcpy(out + at, out + used - kStride, kStride);
        setVertexData(block);
        addSubset(0, m_count, lo, hi);
    }
    update();
}
