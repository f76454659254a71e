#include "view/Pipe3DGeometry.h"

#include <algorithm>
#include <limits>

namespace {
constexpr int kFloats = 7;
constexpr int kStride = kFloats * static_cast<int>(sizeof(float));
} // namespace

Pipe3DGeometry::Pipe3DGeometry(PrimitiveType primitive, QQuick3DObject* parent)
    : QQuick3DGeometry(parent), m_primitive(primitive) {
    SetVertices({});
}

void Pipe3DGeometry::SetVertices(std::span<const float> vertices) {
    clear();
    m_count = static_cast<int>(vertices.size() / kFloats);
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
    setVertexData(QByteArray(reinterpret_cast<const char*>(vertices.data()),
                             static_cast<qsizetype>(m_count) * kStride));
    update();
}
