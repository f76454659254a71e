// A document in a scratch folder with a loopback-only settings file, its
// messages and titles captured, and helpers that build ".31l" test files in
// code.
#pragma once

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "../support/DocumentSpy.h"
#include "TempDir.h"
#include "doc/RecordBinding.h"
#include "doc/TubescanDoc.h"
#include "format/RecordFormat.h"

// Stands in for io's playback pacer: counts what playback asks of it.
struct CountingClock : PlaybackClock {
    std::vector<int> starts;
    int stops = 0;
    void Start(int ms) override { starts.push_back(ms); }
    void Stop() override { ++stops; }
};

struct DataDoc {
    TempDir dir;
    CTubescanDoc doc;
    DocumentSpy spy{doc};
    std::vector<std::string>& messages = spy.messages;
    std::vector<std::string>& titles = spy.titles;

    DataDoc() {
        // Never the built-in head or UDP destinations, even if some code
        // path were to send.
        dir.Write("TubescanL.INI", "[System Settings]\r\n"
                                   "IP Address=127.0.0.1\r\n"
                                   "Output UDP Address=127.0.0.1\r\n"
                                   "Enable UDP Output XYZ=0\r\n"
                                   "Enable UDP Output PRD=0\r\n");
        EXPECT_TRUE(doc.OnNewDocument(dir.Dir(), dir.File("TubescanL.INI")));
    }
    std::string LastTitle() const { return titles.empty() ? std::string() : titles.back(); }
};

// Record number i of a test file: a recognised return header whose head
// position and profile range follow i, samples that follow i, and the time
// text "10:00:ss" with ss = i, so a played ping tells which record it was.
inline record::Record TestRecord(int i) {
    static CTubescanDoc src;
    src.Frame().m_date = "07-MAR-2026";
    char t[16];
    std::snprintf(t, sizeof t, "10:00:%02d", i % 100);
    src.Frame().m_time = t;
    std::snprintf(t, sizeof t, "%03d", (i * 7) % 1000);
    src.Frame().m_millis = t;
    src.Run().m_trainBearing = 360;
    auto& h = src.Frame().m_reply.header;
    h.fill(0);
    h[0] = 'I';
    h[1] = 'M';
    h[2] = 'X';
    h[3] = 16;
    const int position = (600 + 10 * i) % 8192;
    h[5] = static_cast<std::uint8_t>(position & 0x7F);
    h[6] = static_cast<std::uint8_t>(((position >> 7) & 0x3F) | 0x40); // scan direction 1
    h[7] = src.Command()[headproto::kCmdRangeCode];
    h[8] = static_cast<std::uint8_t>((100 + i) & 0x7F);
    h[9] = static_cast<std::uint8_t>(((100 + i) >> 7) & 0x7F);
    src.Run().m_scanDirection = 1;
    for (std::size_t k = 0; k < src.Frame().m_reply.samples.size(); ++k)
        src.Frame().m_reply.samples[k] =
            static_cast<std::uint8_t>(k < 250 ? (k + i * 3) & 0xFF : 0);
    src.Frame().m_reply.samples[250] = 0xFC;
    return record::BuildRecord(src);
}

inline void Append(std::vector<std::uint8_t>& file, const record::Record& r) {
    file.insert(file.end(), r.begin(), r.end());
}

inline std::vector<std::uint8_t> TestFile(int records) {
    std::vector<std::uint8_t> out;
    for (int i = 0; i < records; ++i)
        Append(out, TestRecord(i));
    return out;
}

inline void WriteBytes(const std::string& path, const std::vector<std::uint8_t>& bytes) {
    FILE* f = std::fopen(path.c_str(), "wb");
    ASSERT_NE(f, nullptr);
    if (!bytes.empty()) {
        ASSERT_EQ(std::fwrite(bytes.data(), 1, bytes.size(), f), bytes.size());
    }
    std::fclose(f);
}

inline std::vector<std::uint8_t> ReadBytes(const std::string& path) {
    std::vector<std::uint8_t> out;
    FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return out;
    std::uint8_t buf[4096];
    std::size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, f)) > 0)
        out.insert(out.end(), buf, buf + n);
    std::fclose(f);
    return out;
}

// Which test record the document shows now (from its time text), -1 if none.
inline int ShownRecord(const CTubescanDoc& doc) {
    int ss = -1;
    if (std::sscanf(doc.Frame().m_time.c_str(), "10:00:%d", &ss) != 1) return -1;
    return ss;
}
