// Cuts the head's byte stream into 283-byte return records. TCP delivers the
// stream in whatever pieces it likes: a record may come in two reads, two
// records may come in one, and a burst of stray bytes must not shift every
// later record. Records are aligned on the record frame (I, a type letter, X)
// or, where the signature is damaged, on the record's own length fields. Such
// a record is still handed on (it is what the head said: recorded, then
// rejected by the decoder), but bytes that start no record are noise and are
// never handed on as a reply.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "format/HeadProtocol.h"

class ReplyAssembler {
  public:
    using Record = std::array<std::uint8_t, headproto::kReturnRecordSize>;

    void Append(std::span<const std::uint8_t> bytes);

    // Takes the next complete record into out; false when none is complete.
    bool Next(Record& out);

    // Drops a partial record (the command is about to be sent again, so the
    // bytes can never be completed by the answer to it).
    void Discard();

    std::size_t Pending() const { return m_bytes.size(); }
    // Bytes skipped to realign and bytes dropped by Discard, since creation.
    std::uint64_t DiscardedBytes() const { return m_discarded; }

  private:
    std::vector<std::uint8_t> m_bytes;
    std::uint64_t m_discarded = 0;
};
