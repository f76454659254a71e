// The acquisition thread's own buffers: its own copy of the
// latest return record, its own echo-line and profile history and its own
// trigonometric tables, so processing a live ping needs nothing from the main
// document but its settings, its image and its output fields.
#pragma once

#include <array>
#include <atomic>
#include <cstdint>

#include "doc/PingBinding.h"
#include "doc/TubescanDoc.h"

class AcquisitionBuffers {
  public:
    AcquisitionBuffers() = default;
    AcquisitionBuffers(const AcquisitionBuffers&) = delete;
    AcquisitionBuffers& operator=(const AcquisitionBuffers&) = delete;

    // The buffers ping processing works on.
    PingWorkspace Workspace() {
        return PingWorkspace{std::span<const std::uint8_t, headproto::kReturnHeaderSize>(m_header),
                             m_newLine,
                             m_lines,
                             m_profileHistory,
                             m_pointOffset,
                             m_trig};
    }

    // Bytes 0-282 hold the return record being processed.
    std::array<std::uint8_t, headproto::kReceiveBufferSize> m_input{};
    std::array<std::uint8_t, headproto::kReturnHeaderSize> m_header{};
    EchoLine m_newLine{};
    EchoLines m_lines{};
    TrigTables m_trig;
    PointOffset m_pointOffset;
    ProfileHistory m_profileHistory{};
    // Written by the acquisition thread, read by the user-interface thread to
    // decide whether to refresh the diagnostics window.
    std::atomic<int> m_pingsSinceRepaint{0};
};
