#include "doc/PlaybackSession.h"

#include <algorithm>
#include <cstring>
#include <span>

#include "format/RecordFileName.h"
#include "format/RecordReader.h"

PlaybackOpen PlaybackSession::Open(const std::string& name) {
    if (!record::HasRecordFileName(name)) return PlaybackOpen::NotRecording;
    Close();
    if (!file.Open(name)) return PlaybackOpen::Unreadable;
    if (file.Length() < 100) {
        file.Close();
        return PlaybackOpen::NoRecords;
    }
    length = file.Length();
    file.Seek(0);
    playPosition = 0;
    noRecordAnywhere = toldNoRecord = false;
    return PlaybackOpen::Opened;
}

void PlaybackSession::Close() {
    index.reset();
    file.Close();
}

std::optional<PlayedRecord> PlaybackSession::Next() {
    PlayedRecord r;
    if (!Next(r)) return std::nullopt;
    return r;
}

bool PlaybackSession::Next(PlayedRecord& r) {
    if (!file.IsOpen()) return false;
    const std::uint64_t from = file.Position();
    const auto rec = record::LocateRecord(file, from, length);
    if (!rec) {
        noRecordAnywhere = noRecordAnywhere || from == 0;
        return false;
    }

    r.sampleBytes = 0;
    const std::span<const std::uint8_t, record::kSettingsSize> settings(rec->start.data(),
                                                                        record::kSettingsSize);
    // The date and time texts depend on their 20 bytes alone, which stay the
    // same for a second's records: decoded once for each change.
    const std::uint8_t* stamp = rec->start.data() + record::kDateTimeOffset;
    const bool newStamp =
        !m_stampKnown || std::memcmp(stamp, m_stampBytes.data(), m_stampBytes.size()) != 0;
    if (newStamp) {
        std::memcpy(m_stampBytes.data(), stamp, m_stampBytes.size());
        m_stampKnown = true;
        m_date = record::DecodeDateText(settings);
        m_time = record::DecodeTimeText(settings);
    }
    record::DecodeSettings(settings, r.settings, false);
    r.settings.date = m_date;
    r.settings.time = m_time;
    std::memcpy(r.header.data(), rec->start.data() + record::kHeaderOffset, r.header.size());
    r.position = rec->position;
    r.end = rec->position + static_cast<std::uint64_t>(r.settings.length);
    r.carriesPing = record::CarriesPing(*rec);
    if (r.carriesPing) {
        const std::size_t tail = static_cast<std::size_t>(r.settings.length) - record::kMinLength;
        if (r.settings.length < record::kSideLength) {
            r.sampleBytes = file.Read(r.samples.data(), tail);
        } else {
            // A record too long for an echo line is drawn with the samples of
            // the one before: its own are passed over.
            file.Seek(file.Position() + tail);
        }
    } else {
        // A record whose return header is not the head's: look for the next
        // signature rather than read its samples as the next record.
        file.Seek(record::NextSearchFrom(*rec));
    }
    r.last = r.end + 3 >= length;
    return true;
}

void PlaybackSession::Seek(std::uint64_t offset) {
    if (!file.IsOpen()) return;
    const auto found = record::FindSignature(file, offset, length);
    file.Seek(found ? *found : length);
}

bool PlaybackSession::StepBack() {
    const std::int64_t q =
        static_cast<std::int64_t>(file.Position()) - 2 * static_cast<std::int64_t>(recordLength);
    if (q < 0) return false;
    playPosition = static_cast<std::uint64_t>(q);
    file.Seek(playPosition);
    return true;
}

int PlaybackSession::Percent() const {
    if (length == 0) return 0;
    const double p = static_cast<double>(playPosition) * 100.0 / static_cast<double>(length);
    return static_cast<int>(std::clamp(p, 0.0, 100.0));
}

bool PlaybackSession::MarkShown() {
    if (seekDragging != 0) return false;
    playPosition = file.Position();
    return playPosition + 3 >= length;
}

std::optional<double> PlaybackSession::ClockTick() {
    const auto now = std::chrono::steady_clock::now();
    std::optional<double> ms;
    if (m_loopClockStarted)
        ms = std::chrono::duration<double>(now - m_loopClockLast).count() * 1000.0 / 3.0;
    m_loopClockStarted = true;
    m_loopClockLast = now;
    return ms;
}

void PlaybackSession::StartClock(int speed) {
    if (!m_clock) return;
    if (speed != 0)
        m_clock->Start(speed);
    else
        m_clock->Stop();
}

void PlaybackSession::StopClock() {
    if (m_clock) m_clock->Stop();
}

void PlaybackSession::StartIndex() {
    index.reset();
    if (!path.empty()) index = std::make_unique<playindex::BackgroundIndex>(path);
}
