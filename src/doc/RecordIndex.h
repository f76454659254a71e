// The index of a recording: for every record that holds a ping, where it
// lies in the file, when it was taken, where along the pipe and at which
// bearing, and where each scan begins. It is read once, on a thread of its
// own, while playback goes on; whoever looks something up sees the part read
// so far.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <mutex>
#include <span>
#include <string>
#include <thread>
#include <vector>

namespace playindex {

inline constexpr float kNoDistance = std::numeric_limits<float>::quiet_NaN();

struct IndexEntry {
    std::uint64_t offset = 0; // of the record's signature
    double time = 0.0;        // seconds (analysis::StampSeconds); NaN when unreadable
    float distance = 0.0f;    // metres along the pipe; NaN when the record has none
    float bearing = 0.0f;     // degrees, as playback computes the beam angle
};
static_assert(sizeof(IndexEntry) <= 24, "a 4-hour recording must stay small in memory");

// What a look-up found: the scan holding the first record at or after the
// place asked for.
enum class Found {
    Scan,     // first/last below name it
    PastEnd,  // no record of the whole file reaches the place
    NotYet,   // not in the part read so far; reading goes on
    NoValues, // the file carries no distance (or no readable time) at all
    // A time of day earlier than the recording's start, on a recording that
    // does not run into the next day; `at` is its first timed record.
    BeforeStart,
};

struct Place {
    Found found = Found::NotYet;
    std::size_t record = 0;         // the first record at or after the place
    std::size_t first = 0, end = 0; // the scan's records [first, end)
    std::uint64_t offset = 0;       // file offset of the scan's first record
    std::uint64_t endOffset = 0;    // where the scan's records end
    IndexEntry at{};                // the scan's first record
};

class RecordIndex {
  public:
    // Adds records read (in file order), with the numbers of those that
    // begin a scan, and how far into the file reading has come.
    void Append(std::span<const IndexEntry> entries, std::span<const std::uint32_t> scanStarts,
                std::uint64_t bytesRead);
    // Before the first Append: the file's length, and room for the records
    // it is expected to hold.
    void Begin(std::uint64_t fileLength, std::size_t records);
    void Finish();

    std::size_t Records() const;
    std::size_t Scans() const;
    bool Complete() const { return m_complete.load(std::memory_order_acquire); }
    // Percent of the file read, 0..100.
    int Percent() const;
    // Bytes this index holds, for the memory figure.
    std::size_t MemoryBytes() const;

    Place FindDistance(double metres) const;
    // A time of day (seconds after midnight) on the recording's first day,
    // or on the next day when that is earlier than the recording's start
    // and the recording runs past midnight.
    Place FindTime(double secondsOfDay) const;
    // The record at or after a byte offset (the slider's tooltip); false
    // when none has been read there yet.
    bool EntryAtOffset(std::uint64_t offset, IndexEntry& entry) const;
    IndexEntry Entry(std::size_t record) const;

  private:
    Place ScanOf(std::size_t record) const; // with the mutex held

    mutable std::mutex m_mutex;
    std::vector<IndexEntry> m_entries;
    std::vector<std::uint32_t> m_scanStarts; // record numbers, ascending
    std::uint64_t m_bytesRead = 0, m_fileLength = 0;
    std::atomic<int> m_percent{0};
    std::atomic<bool> m_complete{false};
};

// Reads path once into index, stopping early when stop is set. Records are
// found and skipped exactly as playback finds and skips them. Returns false
// when the file cannot be read.
bool BuildIndex(const std::string& path, RecordIndex& index, const std::atomic<bool>& stop);

// An index built on its own thread; destroying it stops the thread and waits
// for it (it stops within one record).
class BackgroundIndex {
  public:
    explicit BackgroundIndex(const std::string& path);
    ~BackgroundIndex();
    BackgroundIndex(const BackgroundIndex&) = delete;
    BackgroundIndex& operator=(const BackgroundIndex&) = delete;

    const RecordIndex& Index() const { return m_index; }
    // Waits until the file is read (tests, benchmarks, the converter).
    void Wait();

  private:
    RecordIndex m_index;
    std::atomic<bool> m_stop{false};
    std::thread m_thread;
};

} // namespace playindex
