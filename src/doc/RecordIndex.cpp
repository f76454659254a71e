#include "doc/RecordIndex.h"

#include <algorithm>
#include <cmath>

#include "analysis/ProfileSample.h"
#include "analysis/ScanCutter.h"
#include "format/DataFileIo.h"
#include "format/RecordFormat.h"
#include "format/RecordReader.h"
#include "ping/PingDecoder.h"

namespace playindex {

namespace {

constexpr double kDay = 86400.0;

// The distance a record carries, under the rule playback applies when it
// takes the value into the document.
float RecordDistance(const record::RecordSettings& s) {
    const bool usable = (s.orientationFlags & 4) != 0 && std::isfinite(s.extDistance) &&
                        std::fabs(s.extDistance) <= 1.0e9;
    return usable ? s.extDistance : kNoDistance;
}

IndexEntry EntryOf(const record::LocatedRecord& rec) {
    const auto s = record::DecodeSettings(std::span<const std::uint8_t, record::kSettingsSize>(
        rec.start.data(), record::kSettingsSize));
    const std::uint8_t* header = rec.start.data() + record::kHeaderOffset;
    const int position = headproto::HeadPosition(header[5], header[6]);
    const int sonarUpDown = (s.modeByte >> 6) & 1;
    const int zeroUpDown = (s.widthByte >> 6) & 1;
    IndexEntry e;
    e.offset = rec.position;
    e.time = analysis::StampSeconds(s.date, s.time, s.millis);
    e.distance = RecordDistance(s);
    e.bearing = static_cast<float>(BeamAngleFromPosition(position, sonarUpDown, zeroUpDown));
    return e;
}

} // namespace

void RecordIndex::Begin(std::uint64_t fileLength, std::size_t records) {
    std::lock_guard lock(m_mutex);
    m_fileLength = fileLength;
    m_entries.reserve(records);
}

void RecordIndex::Append(std::span<const IndexEntry> entries,
                         std::span<const std::uint32_t> scanStarts, std::uint64_t bytesRead) {
    std::lock_guard lock(m_mutex);
    const std::size_t needed = m_entries.size() + entries.size();
    if (needed > m_entries.capacity() && bytesRead > 0 && m_fileLength > bytesRead) {
        // Room for what the rest of the file will hold at the rate read so
        // far, rather than double: files of long records, of short ones or
        // of few pings are indexed in what they need.
        const double perByte = static_cast<double>(needed) / static_cast<double>(bytesRead);
        const auto expected =
            static_cast<std::size_t>(perByte * static_cast<double>(m_fileLength) * 1.02) + 1;
        m_entries.reserve(std::max(needed, expected));
    }
    m_entries.insert(m_entries.end(), entries.begin(), entries.end());
    m_scanStarts.insert(m_scanStarts.end(), scanStarts.begin(), scanStarts.end());
    m_bytesRead = bytesRead;
    if (m_fileLength > 0)
        m_percent.store(
            static_cast<int>(std::min<std::uint64_t>(100, bytesRead * 100 / m_fileLength)),
            std::memory_order_release);
}

void RecordIndex::Finish() {
    std::lock_guard lock(m_mutex);
    // What was set aside for records the file did not hold goes back.
    if (m_entries.capacity() > m_entries.size() + m_entries.size() / 32) m_entries.shrink_to_fit();
    if (m_scanStarts.capacity() > m_scanStarts.size() + m_scanStarts.size() / 32)
        m_scanStarts.shrink_to_fit();
    m_bytesRead = m_fileLength;
    m_percent.store(100, std::memory_order_release);
    m_complete.store(true, std::memory_order_release);
}

std::size_t RecordIndex::Records() const {
    std::lock_guard lock(m_mutex);
    return m_entries.size();
}

std::size_t RecordIndex::Scans() const {
    std::lock_guard lock(m_mutex);
    return m_scanStarts.size();
}

int RecordIndex::Percent() const {
    return m_percent.load(std::memory_order_acquire);
}

std::size_t RecordIndex::MemoryBytes() const {
    std::lock_guard lock(m_mutex);
    return m_entries.capacity() * sizeof(IndexEntry) +
           m_scanStarts.capacity() * sizeof(std::uint32_t);
}

IndexEntry RecordIndex::Entry(std::size_t record) const {
    std::lock_guard lock(m_mutex);
    return record < m_entries.size() ? m_entries[record] : IndexEntry{};
}

Place RecordIndex::ScanOf(std::size_t record) const {
    Place p;
    p.found = Found::Scan;
    p.record = record;
    const auto next = std::upper_bound(m_scanStarts.begin(), m_scanStarts.end(),
                                       static_cast<std::uint32_t>(record));
    p.first = next == m_scanStarts.begin() ? 0 : *(next - 1);
    p.end = next == m_scanStarts.end() ? m_entries.size() : *next;
    // The last scan read so far may go on in the part not yet read.
    if (next == m_scanStarts.end() && !Complete()) return Place{};
    p.offset = m_entries[p.first].offset;
    p.endOffset = p.end < m_entries.size() ? m_entries[p.end].offset : m_fileLength;
    p.at = m_entries[p.first];
    return p;
}

Place RecordIndex::FindDistance(double metres) const {
    std::lock_guard lock(m_mutex);
    bool any = false;
    for (std::size_t i = 0; i < m_entries.size(); ++i) {
        const float d = m_entries[i].distance;
        if (d != d) continue;
        any = true;
        if (d >= metres) return ScanOf(i);
    }
    Place p;
    if (Complete()) p.found = any ? Found::PastEnd : Found::NoValues;
    return p;
}

Place RecordIndex::FindTime(double secondsOfDay) const {
    std::lock_guard lock(m_mutex);
    const auto first = std::find_if(m_entries.begin(), m_entries.end(),
                                    [](const IndexEntry& e) { return e.time == e.time; });
    Place p;
    if (first == m_entries.end()) {
        if (Complete()) p.found = Found::NoValues;
        return p;
    }
    // A time of day before the recording started means the next day when
    // the survey ran past midnight; on one that did not, it is simply
    // before the start (and a file still being read may yet run past it).
    const double day = std::floor(first->time / kDay) * kDay;
    double target = day + secondsOfDay;
    if (target < std::floor(first->time)) {
        const auto last = std::find_if(m_entries.rbegin(), m_entries.rend(),
                                       [](const IndexEntry& e) { return e.time == e.time; });
        if (last->time < day + kDay && Complete()) {
            p.found = Found::BeforeStart;
            p.at = *first;
            return p;
        }
        target += kDay;
    }
    for (auto it = first; it != m_entries.end(); ++it)
        if (it->time >= target) return ScanOf(static_cast<std::size_t>(it - m_entries.begin()));
    if (Complete()) p.found = Found::PastEnd;
    return p;
}

bool RecordIndex::EntryAtOffset(std::uint64_t offset, IndexEntry& entry) const {
    std::lock_guard lock(m_mutex);
    const auto it =
        std::lower_bound(m_entries.begin(), m_entries.end(), offset,
                         [](const IndexEntry& e, std::uint64_t o) { return e.offset < o; });
    if (it == m_entries.end()) {
        if (m_entries.empty() || !Complete()) return false;
        entry = m_entries.back();
        return true;
    }
    entry = *it;
    return true;
}

bool BuildIndex(const std::string& path, RecordIndex& index, const std::atomic<bool>& stop) {
    CPlayFile file;
    if (!file.Open(path)) {
        // Nothing to find in it: look-ups say so rather than wait forever.
        index.Finish();
        return false;
    }
    const std::uint64_t end = file.Length();
    // Room for a first batch; the rest is reserved from the file's length
    // at the rate the records come (Append), so the list is seldom copied
    // and never holds room for twice the records.
    constexpr std::size_t kBatch = 8192;
    index.Begin(end, std::min<std::size_t>(kBatch, end / record::kRecordSize + 1));

    std::vector<IndexEntry> batch;
    std::vector<std::uint32_t> starts;
    batch.reserve(kBatch);
    analysis::ScanTurns turns;
    std::uint32_t count = 0;
    std::uint64_t at = 0;
    while (!stop.load(std::memory_order_relaxed)) {
        const auto rec = record::LocateRecord(file, at, end);
        if (!rec) break;
        at = record::NextSearchFrom(*rec);
        if (!record::CarriesPing(*rec)) continue;
        batch.push_back(EntryOf(*rec));
        if (turns.Add(batch.back().bearing) || count == 0) starts.push_back(count);
        ++count;
        if (batch.size() == kBatch) {
            index.Append(batch, starts, at);
            batch.clear();
            starts.clear();
        }
    }
    index.Append(batch, starts, at);
    if (!stop.load()) index.Finish();
    return true;
}

BackgroundIndex::BackgroundIndex(const std::string& path)
    : m_thread([this, path] { BuildIndex(path, m_index, m_stop); }) {}

BackgroundIndex::~BackgroundIndex() {
    m_stop.store(true);
    if (m_thread.joinable()) m_thread.join();
}

void BackgroundIndex::Wait() {
    if (m_thread.joinable()) m_thread.join();
}

} // namespace playindex
