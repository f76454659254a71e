// Where the profile points go once a ping has made one: the ".xyz" file of a
// conversion, the UDP output and whoever takes every point as a value (the
// pipe-condition panel, the converter's other outputs). The document owns one
// and hands it each point; nothing here knows about the document.
#pragma once

#include <atomic>
#include <functional>
#include <memory>
#include <string>

#include "analysis/ProfileSample.h"
#include "doc/DataOutcomes.h"
#include "doc/XyzSinks.h"
#include "format/XyzFormat.h"

// Takes every profile point, from the thread that processed its ping (the
// acquisition thread in real time): Add must be quick and thread-safe.
class ProfileSampleSink {
  public:
    virtual ~ProfileSampleSink() = default;
    virtual void Add(const analysis::ProfileSample& sample) = 0;
    // Playback is about to jump to another place in the file: whatever
    // follows the points in order starts afresh.
    virtual void Restart() {}
};

// A sink that hands each point to a function (the converter's taps, tests).
class FunctionSampleSink : public ProfileSampleSink {
  public:
    explicit FunctionSampleSink(std::function<void(const analysis::ProfileSample&)> add)
        : m_add(std::move(add)) {}
    void Add(const analysis::ProfileSample& sample) override { m_add(sample); }

  private:
    std::function<void(const analysis::ProfileSample&)> m_add;
};

// The time stamp texts of the ping a point belongs to.
struct PointStamp {
    const std::string& date;
    const std::string& time;
    const std::string& millis;
};

// Which datagrams a point goes out as, and the attitude the PRD one carries.
struct UdpChoice {
    bool xyz = false;
    bool prd = false;
    double pitchAvg = 0.0;
    double rollAvg = 0.0;
};

class ProfileOutputs {
  public:
    // Creates path and starts writing every emitted point to it. On failure
    // returns false with errno's value in *error; nothing is converting then.
    bool StartXyz(const std::string& path, int* error = nullptr);
    // Closes the .xyz of a conversion that reached its end and records how it
    // ended; false when it could not be written completely.
    bool FinishXyz();
    // Closes the .xyz without finishing anything (a conversion is over).
    void CloseXyz();
    bool Converting() const { return m_converting; }
    bool XyzOpen() const { return m_xyzFile.IsOpen(); }
    const XyzFile& Xyz() const { return m_xyzFile; }
    // The .xyz being (or last) written.
    const std::string& XyzPath() const { return m_xyzPath; }
    // How the last conversion ended (set when one ends or is cut short).
    ConversionEnd End() const { return m_end; }
    void SetEnd(ConversionEnd end) { m_end = end; }
    // The stamp text of the last line or datagram built.
    const std::string& StampText() const { return m_stampText; }

    // The UDP output socket: empty until io creates it (connect, opening a
    // playback file).
    DatagramSinkSlot& Udp() { return m_udp; }
    void CloseUdp() { m_udp.Reset(); }

    // The one taker of every point as a value (null: none). Replaced on the
    // user-interface thread while the acquisition thread may be emitting.
    void SetSampleSink(std::shared_ptr<ProfileSampleSink> sink);
    bool WantsSamples() const { return m_hasSink.load(std::memory_order_acquire); }
    void AddSample(const analysis::ProfileSample& sample);
    void RestartSamples();
    // The seconds of a stamp's texts (analysis::StampSeconds), read again
    // only when the texts change: every point of a ping, and every ping of
    // a record, shares them. Called on the thread that emits.
    double StampSeconds(const PointStamp& stamp);

    // One point: a line to the .xyz while converting (writeXyz), the
    // datagrams udp asks for while the socket exists.
    void Emit(const xyz::ProfilePoint& point, const PointStamp& stamp, bool writeXyz,
              const UdpChoice& udp);

  private:
    XyzFile m_xyzFile;
    std::string m_xyzPath;
    std::string m_stampText;
    std::string m_datagram;
    bool m_converting = false;
    ConversionEnd m_end = ConversionEnd::Finished;
    DatagramSinkSlot m_udp;
    std::atomic<std::shared_ptr<ProfileSampleSink>> m_sink;
    std::atomic<bool> m_hasSink{false};
    // The texts StampSeconds last read, and what it made of them.
    std::string m_secondsDate, m_secondsTime, m_secondsMillis;
    double m_seconds = 0.0;
    bool m_secondsRead = false;
};
