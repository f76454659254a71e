// Playing a ".31l" file: the file, where in it playback stands, and the
// playback modes. Next() hands out one record at a time as a value, through
// the record format's own reader, so the converter's loop and interactive
// playback read a file the same way. The pace of interactive playback comes
// from a PlaybackClock that io provides (a Qt timer); nothing here waits.
#pragma once

#include <array>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "doc/DataOutcomes.h"
#include "doc/RecordIndex.h"
#include "format/DataFileIo.h"
#include "format/HeadProtocol.h"
#include "format/RecordFormat.h"
#include "ping/PingTypes.h"

// One record as the file holds it.
struct PlayedRecord {
    record::RecordSettings settings;
    std::array<std::uint8_t, headproto::kReturnHeaderSize> header{};
    // The first sampleBytes are the record's echo samples; a record too long
    // for an echo line carries none that are drawn (sampleBytes 0).
    EchoLine samples{};
    std::size_t sampleBytes = 0;
    // False when the return header is not the head's: the record's settings
    // still count, but there is no ping to process.
    bool carriesPing = false;
    std::uint64_t position = 0; // where the record starts in the file
    std::uint64_t end = 0;      // position plus the length the record declares
    // The file has nothing after this record: a pass through it ends here.
    bool last = false;
};

// The pace of interactive playback: Start(ms) runs a tick every ms
// milliseconds, Stop() ends that (speed 0 is paced by the idle loop).
class PlaybackClock {
  public:
    virtual ~PlaybackClock() = default;
    virtual void Start(int intervalMs) = 0;
    virtual void Stop() = 0;
};

class PlaybackSession {
  public:
    // Opens path for playback from its start: the name must be a ".31l"
    // name and the file must hold at least one record's worth of bytes. A
    // refused file leaves the session closed.
    PlaybackOpen Open(const std::string& path);
    void Close();
    bool IsOpen() const { return file.IsOpen(); }

    // The next usable record from the present position, or nothing when the
    // rest of the file holds none.
    std::optional<PlayedRecord> Next();
    // The same into a record kept by the caller (a pass over a whole file
    // neither clears nor copies a record's bytes for every record); false
    // when the rest of the file holds none, r then unspecified.
    bool Next(PlayedRecord& r);
    // Moves to the first record signature at or after offset (the end of the
    // file when there is none).
    void Seek(std::uint64_t offset);
    // Back to the start of the file.
    void Rewind() { file.Seek(0); }
    // Back by two records (the one shown and the one before), so the next
    // record read is the one before the one shown. False at the start.
    bool StepBack();
    // How far through the file playback has shown, 0..100.
    int Percent() const;
    // Takes the present position as the shown one (not while the operator
    // drags the slider) and says whether the file is at its end.
    bool MarkShown();
    // Milliseconds per tick for the diagnostics: a third of the time since
    // the last call (nothing on the first).
    std::optional<double> ClockTick();

    // Starts the pace for speed (a tick every speed ms; 0: the idle loop).
    void StartClock(int speed);
    void StopClock();
    void SetClock(PlaybackClock* clock) { m_clock = clock; }

    // Reads the file's index in the background, for finding a place in it.
    void StartIndex();
    const playindex::RecordIndex* Index() const { return index ? &index->Index() : nullptr; }

    CPlayFile file;
    std::string path;               // full path of the file played
    std::uint64_t length = 0;       // its length in bytes
    std::uint64_t filePosition = 0; // just after the last record applied
    std::uint64_t playPosition = 0; // the position shown on the slider
    int seekDragging = 0;           // the operator is dragging the slider
    int recordLength = 0;           // length of the last record applied
    int oneFrame = 0;               // single-frame mode: no pace, steps only
    int realTimeSpeed = 0;          // "real-time" speed command's check mark
    int tickCount = 0;              // ticks since the diagnostics were refreshed
    // A search from the very start found no record anywhere in the file
    // (it plays nothing), and whether the operator has been told.
    bool noRecordAnywhere = false;
    bool toldNoRecord = false;
    std::unique_ptr<playindex::BackgroundIndex> index;

  private:
    // The last date and time texts decoded and the bytes they came from.
    std::array<std::uint8_t, record::kDateTimeSize> m_stampBytes{};
    bool m_stampKnown = false;
    std::string m_date, m_time;

    PlaybackClock* m_clock = nullptr;
    bool m_loopClockStarted = false;
    std::chrono::steady_clock::time_point m_loopClockLast{};
};
