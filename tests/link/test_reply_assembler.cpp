#include <gtest/gtest.h>

#include <vector>

#include "LinkTestSupport.h"
#include "link/ReplyAssembler.h"

using linktest::MakeRecord;
using linktest::Record;

namespace {

std::vector<std::uint8_t> Join(std::initializer_list<std::vector<std::uint8_t>> parts) {
    std::vector<std::uint8_t> out;
    for (const auto& p : parts)
        out.insert(out.end(), p.begin(), p.end());
    return out;
}

std::vector<std::uint8_t> Vec(const Record& r) {
    return {r.begin(), r.end()};
}

std::vector<Record> Drain(ReplyAssembler& a) {
    std::vector<Record> out;
    Record r;
    while (a.Next(r))
        out.push_back(r);
    return out;
}

} // namespace

TEST(ReplyAssembler, RecordsSurviveAnyCutOfTheStream) {
    const Record a = MakeRecord('M', 601, 100, 1);
    const Record b = MakeRecord('M', 602, 200, 2);
    const auto stream = Join({Vec(a), Vec(b)});
    // Every way of cutting two records into two reads gives both, in order.
    for (std::size_t cut = 0; cut <= stream.size(); cut += 7) {
        ReplyAssembler asm_;
        asm_.Append(std::span(stream.data(), cut));
        auto got = Drain(asm_);
        asm_.Append(std::span(stream.data() + cut, stream.size() - cut));
        auto rest = Drain(asm_);
        got.insert(got.end(), rest.begin(), rest.end());
        ASSERT_EQ(got.size(), 2u) << "cut at " << cut;
        EXPECT_EQ(got[0], a);
        EXPECT_EQ(got[1], b);
        EXPECT_EQ(asm_.Pending(), 0u);
    }
}

TEST(ReplyAssembler, StrayBytesDoNotShiftLaterRecords) {
    const Record a = MakeRecord('M', 601);
    const Record b = MakeRecord('M', 602);
    ReplyAssembler asm_;
    // Junk before a record, junk after it, then the next record.
    asm_.Append(Join({{0x00, 0x13, 0x99}, Vec(a), {0x55, 0x01}}));
    auto got = Drain(asm_);
    ASSERT_EQ(got.size(), 1u);
    EXPECT_EQ(got[0], a);
    asm_.Append(Vec(b));
    got = Drain(asm_);
    ASSERT_EQ(got.size(), 1u);
    EXPECT_EQ(got[0], b);
    EXPECT_EQ(asm_.DiscardedBytes(), 5u);
}

TEST(ReplyAssembler, FullRecordWithoutSignatureIsStillHandedOn) {
    // A record with a bad signature must still count as the head's answer, or
    // the request cycle would stall until the watchdog: an unknown type
    // letter, or a damaged frame where the length fields still say "record".
    for (std::size_t at : {1u, 0u, 2u}) {
        Record bad = MakeRecord();
        bad[at] = 'Q';
        ReplyAssembler asm_;
        asm_.Append(Vec(bad));
        auto got = Drain(asm_);
        ASSERT_EQ(got.size(), 1u) << at;
        EXPECT_EQ(got[0], bad);
    }
}

TEST(ReplyAssembler, DiscardDropsAPartialRecordSoTheNextOneAligns) {
    const Record a = MakeRecord('M', 601);
    const Record b = MakeRecord('M', 602);
    ReplyAssembler asm_;
    asm_.Append(std::span(a.data(), 150)); // the rest of it never comes
    EXPECT_TRUE(Drain(asm_).empty());
    asm_.Discard();
    EXPECT_EQ(asm_.Pending(), 0u);
    asm_.Append(Vec(b));
    auto got = Drain(asm_);
    ASSERT_EQ(got.size(), 1u);
    EXPECT_EQ(got[0], b);
}

TEST(ReplyAssembler, NoiseWithoutAFrameIsNeverAReply) {
    // Bursts longer than a record, with no 'I', *, 'X' frame in them, used to
    // be handed on (and recorded) as pings. The record after them still
    // arrives whole, also when its first byte ends the noisy read.
    const Record a = MakeRecord('M', 601);
    std::vector<std::uint8_t> noise(700);
    for (std::size_t i = 0; i < noise.size(); ++i)
        noise[i] = static_cast<std::uint8_t>((i * 37 + 11) % 251 == 'I' ? 0 : (i * 37 + 11) % 251);
    ReplyAssembler asm_;
    asm_.Append(noise);
    EXPECT_TRUE(Drain(asm_).empty());
    EXPECT_LT(asm_.Pending(), a.size());
    asm_.Append(std::span(a.data(), 1));
    EXPECT_TRUE(Drain(asm_).empty());
    asm_.Append(std::span(a.data() + 1, a.size() - 1));
    const auto got = Drain(asm_);
    ASSERT_EQ(got.size(), 1u);
    EXPECT_EQ(got[0], a);
    EXPECT_EQ(asm_.DiscardedBytes(), noise.size());
}
