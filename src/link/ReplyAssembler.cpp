#include "link/ReplyAssembler.h"

#include <algorithm>

void ReplyAssembler::Append(std::span<const std::uint8_t> bytes) {
    m_bytes.insert(m_bytes.end(), bytes.begin(), bytes.end());
}

bool ReplyAssembler::Next(Record& out) {
    constexpr std::size_t kSize = headproto::kReturnRecordSize;
    std::size_t start = m_bytes.size();
    for (std::size_t k = 0; k + 2 < m_bytes.size(); ++k) {
        if (headproto::SignatureDataPoints(m_bytes[k], m_bytes[k + 1], m_bytes[k + 2])) {
            start = k;
            break;
        }
    }
    if (start < m_bytes.size()) {
        if (start > 0) {
            m_bytes.erase(m_bytes.begin(), m_bytes.begin() + static_cast<std::ptrdiff_t>(start));
            m_discarded += start;
        }
    }
    // No signature anywhere: a full record's worth still goes on as a record.
    if (m_bytes.size() < kSize) return false;
    std::copy_n(m_bytes.begin(), kSize, out.begin());
    m_bytes.erase(m_bytes.begin(), m_bytes.begin() + static_cast<std::ptrdiff_t>(kSize));
    return true;
}

void ReplyAssembler::Discard() {
    m_discarded += m_bytes.size();
    m_bytes.clear();
}
