#include "doc/ProfileOutputs.h"

bool ProfileOutputs::StartXyz(const std::string& path, int* error) {
    m_xyzFile.Close();
    if (!m_xyzFile.Create(path, error)) {
        m_converting = false;
        return false;
    }
    m_xyzPath = path;
    m_converting = true;
    return true;
}

bool ProfileOutputs::FinishXyz() {
    m_converting = false;
    const bool wasOpen = m_xyzFile.IsOpen();
    const bool complete = m_xyzFile.Close() || !wasOpen;
    m_end = complete ? ConversionEnd::Finished : ConversionEnd::WriteFailed;
    return complete;
}

void ProfileOutputs::CloseXyz() {
    m_xyzFile.Close();
    m_converting = false;
}

void ProfileOutputs::SetSampleSink(std::shared_ptr<ProfileSampleSink> sink) {
    const bool has = sink != nullptr;
    m_sink.store(std::move(sink), std::memory_order_release);
    m_hasSink.store(has, std::memory_order_release);
}

void ProfileOutputs::AddSample(const analysis::ProfileSample& sample) {
    // The sink taken here lives until this point is handed over, whatever
    // the user-interface thread does meanwhile.
    if (const auto sink = m_sink.load(std::memory_order_acquire)) sink->Add(sample);
}

void ProfileOutputs::RestartSamples() {
    if (const auto sink = m_sink.load(std::memory_order_acquire)) sink->Restart();
}

void ProfileOutputs::Emit(const xyz::ProfilePoint& point, const PointStamp& stamp, bool writeXyz,
                          const UdpChoice& udp) {
    if (writeXyz && m_converting && m_xyzFile.IsOpen()) {
        xyz::BuildFileStamp(m_stampText, stamp.date, stamp.time, stamp.millis);
        m_xyzFile.WriteLine(m_stampText, point);
    }
    if (!udp.xyz && !udp.prd) return;
    const std::shared_ptr<DatagramSink> socket = m_udp.Get();
    if (!socket) return;
    xyz::BuildDatagramStamp(m_stampText, stamp.date, stamp.time, stamp.millis);
    if (udp.xyz) {
        xyz::BuildXyzDatagram(m_datagram, m_stampText, point);
        socket->Send(m_datagram);
    }
    if (udp.prd) {
        xyz::BuildPrdDatagram(m_datagram, m_stampText, udp.pitchAvg, udp.rollAvg, point);
        socket->Send(m_datagram);
    }
}

double ProfileOutputs::StampSeconds(const PointStamp& stamp) {
    if (!m_secondsRead || stamp.millis != m_secondsMillis || stamp.time != m_secondsTime ||
        stamp.date != m_secondsDate) {
        m_secondsDate = stamp.date;
        m_secondsTime = stamp.time;
        m_secondsMillis = stamp.millis;
        m_seconds = analysis::StampSeconds(stamp.date, stamp.time, stamp.millis);
        m_secondsRead = true;
    }
    return m_seconds;
}
