#include "link/ReplyAssembler.h"

#include <algorithm>

namespace {

constexpr std::size_t kSize = headproto::kReturnRecordSize;

// Where a return record can begin. Either its frame ('I', a type letter,
// 'X') or, for a record whose signature is damaged, its own length fields:
// the data byte count of a 283-byte record and the terminator in its last
// byte. Such a record is still the head's answer (it is recorded as sent, and
// the decoder rejects it); bytes that are neither are noise.
bool IsRecordStart(const std::vector<std::uint8_t>& b, std::size_t k) {
    if (b[k] == 'I' && b[k + 2] == 'X') return true;
    return k + kSize <= b.size() &&
           headproto::SevenBitPair(b[k + 10], b[k + 11]) ==
               static_cast<int>(headproto::kEchoSampleCount) &&
           b[k + kSize - 1] == 0xFC;
}

} // namespace

void ReplyAssembler::Append(std::span<const std::uint8_t> bytes) {
    m_bytes.insert(m_bytes.end(), bytes.begin(), bytes.end());
}

bool ReplyAssembler::Next(Record& out) {
    const std::size_t n = m_bytes.size();
    std::size_t start = n;
    for (std::size_t k = 0; k + 2 < n; ++k) {
        if (IsRecordStart(m_bytes, k)) {
            start = k;
            break;
        }
    }
    if (start == n) {
        // Nothing here starts a record: the bytes that could still begin one
        // (once more of it arrives) stay, the rest is noise and never a reply.
        start = n > kSize - 1 ? n - (kSize - 1) : 0;
    }
    if (start > 0) {
        m_bytes.erase(m_bytes.begin(), m_bytes.begin() + static_cast<std::ptrdiff_t>(start));
        m_discarded += start;
    }
    if (m_bytes.size() < kSize) return false;
    std::copy_n(m_bytes.begin(), kSize, out.begin());
    m_bytes.erase(m_bytes.begin(), m_bytes.begin() + static_cast<std::ptrdiff_t>(kSize));
    return true;
}

void ReplyAssembler::Discard() {
    m_discarded += m_bytes.size();
    m_bytes.clear();
}
