#include "ping/PingProcessor.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstring>

#include "ping/ProfileEcho.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {

// Sub-beam weights (oldest, middle, newest line); every row sums to 200, so
// the blended level is the weighted sum divided by 200.
constexpr int kSubBeams = 21;
constexpr std::array<std::array<int, 3>, kSubBeams> kBeamWeights = {{
    {100, 100, 0}, {100, 100, 0}, {100, 100, 0}, {90, 110, 0},  {80, 120, 0},  {70, 130, 0},
    {60, 140, 0},  {50, 150, 0},  {40, 160, 0},  {30, 160, 10}, {20, 160, 20}, {10, 160, 30},
    {0, 160, 40},  {0, 150, 50},  {0, 140, 60},  {0, 130, 70},  {0, 120, 80},  {0, 110, 90},
    {0, 100, 100}, {0, 100, 100}, {0, 100, 100},
}};
constexpr int kWeightSum = 200;

// One ping fills a wedge of 0.9 degrees (three head steps of 0.3).
constexpr double kWedgeDegrees = 0.9;

// A picture radius beyond this (a zoom of millions) cannot put a single
// sample of any real range into a 1500-pixel image; drawing stops there so
// the loop counters stay exact integers.
constexpr double kMaxRadius = 1 << 30;

// Steps along a sub-beam are prepared in chunks of this many, shared by all
// 21 sub-beams, on the stack.
constexpr int kChunk = 512;

// Everything the inner loop reads, handed over by value: the image stores go
// through a byte pointer, which may alias anything, so the loop must not
// reach these through references it would have to reload after each store.
struct SubBeam {
    int w0, w1, w2;
    double cos, sin;
};
struct WedgeFrame {
    std::uint8_t* image;
    int width;
    double radius, xLimit, yLimit;
    // Coordinates fit 16 bits and 3 x width too, so offsets may be formed
    // from 16-bit pairs.
    bool packedOffsets;
};

// level[n] = (oldest x w0 + middle x w1 + newest x w2) / 200. The weights sum
// to 200, so every sum fits 16 bits (at most 255 x 200) and eight steps go
// through one vector. The arrays hold whole vectors beyond count.
void BlendLevels(const std::uint16_t* oldest, const std::uint16_t* middle,
                 const std::uint16_t* newest, const SubBeam beam, std::uint8_t* level, int count) {
#if defined(__SSE2__)
    const __m128i w0 = _mm_set1_epi16(static_cast<short>(beam.w0));
    const __m128i w1 = _mm_set1_epi16(static_cast<short>(beam.w1));
    const __m128i w2 = _mm_set1_epi16(static_cast<short>(beam.w2));
    // v / 200 = ((v >> 3) x 5243 >> 16) >> 1, checked for every v up to 51000.
    const __m128i magic = _mm_set1_epi16(5243);
    for (int n = 0; n < count; n += 8) {
        const auto* o = reinterpret_cast<const __m128i*>(oldest + n);
        const auto* m = reinterpret_cast<const __m128i*>(middle + n);
        const auto* w = reinterpret_cast<const __m128i*>(newest + n);
        const __m128i v = _mm_add_epi16(_mm_add_epi16(_mm_mullo_epi16(_mm_load_si128(o), w0),
                                                      _mm_mullo_epi16(_mm_load_si128(m), w1)),
                                        _mm_mullo_epi16(_mm_load_si128(w), w2));
        const __m128i q = _mm_srli_epi16(_mm_mulhi_epu16(_mm_srli_epi16(v, 3), magic), 1);
        _mm_storel_epi64(reinterpret_cast<__m128i*>(level + n), _mm_packus_epi16(q, q));
    }
#else
    for (int n = 0; n < count; ++n) {
        const int v = oldest[n] * beam.w0 + middle[n] * beam.w1 + newest[n] * beam.w2;
        level[n] = static_cast<std::uint8_t>(v / kWeightSum);
    }
#endif
}

// Blue, green, red of a packed colour into one pixel: one 16-bit and one byte
// store.
inline void PutPixel(std::uint8_t* dst, std::uint32_t bgr) {
    const auto blueGreen = static_cast<std::uint16_t>(bgr);
    std::memcpy(dst, &blueGreen, 2);
    dst[2] = static_cast<std::uint8_t>(bgr >> 16);
}

// The first index in [lo, hi) where the monotone test flips from its value at
// lo, by bisection; hi when it never does.
template <typename Test> int FirstFlip(int lo, int hi, bool atLo, Test&& test) {
    while (lo < hi) {
        const int mid = lo + (hi - lo) / 2;
        if (test(mid) == atLo) {
            lo = mid + 1;
        } else {
            hi = mid;
        }
    }
    return lo;
}

// Narrows [lo, hi) to the steps where test holds. The test must be monotone
// in the step, so the steps where it holds form one run at either end.
template <typename Test> void KeepWhere(int& lo, int& hi, Test&& test) {
    if (lo >= hi) return;
    const bool first = test(lo), last = test(hi - 1);
    if (first && last) return; // monotone: true throughout
    if (!first && !last) {
        hi = lo;
        return;
    }
    const int flip = FirstFlip(lo, hi, first, test);
    if (first) {
        hi = flip;
    } else {
        lo = flip;
    }
}

// Paints one sub-beam over the steps of a chunk. Each position is
// radius + d x cos (or sin), rounded once per operation; rounding keeps order,
// so along growing d each coordinate moves one way only and each of the four
// edge tests holds on one run of steps at one end. Finding the common run by
// bisection with the very same expressions leaves a loop without tests that
// paints exactly the pixels the per-step test would.
void PaintSteps(const WedgeFrame frame, const SubBeam beam, const double* distance,
                const std::uint8_t* level, const std::uint32_t* colours, int count) {
    const double radius = frame.radius, xLimit = frame.xLimit, yLimit = frame.yLimit;
    const double c = beam.cos, s = beam.sin;
    int lo = 0, hi = count;
    KeepWhere(lo, hi, [&](int n) { return radius + distance[n] * c >= 1.0; });
    KeepWhere(lo, hi, [&](int n) { return radius + distance[n] * c < xLimit; });
    KeepWhere(lo, hi, [&](int n) { return radius + distance[n] * s >= 1.0; });
    KeepWhere(lo, hi, [&](int n) { return radius + distance[n] * s < yLimit; });

    std::uint8_t* const image = frame.image;
    const std::ptrdiff_t width = frame.width;
    int n = lo;
#if defined(__SSE2__)
    if (frame.packedOffsets) {
        // Four steps at a time: the same products and sums as below, two
        // doubles per instruction, truncated together; then the byte offset
        // 3 x x + 3 x width x y of each pixel from one multiply-add of the
        // coordinates as 16-bit pairs.
        const __m128d cc = _mm_set1_pd(c), ss = _mm_set1_pd(s), rr = _mm_set1_pd(radius);
        const __m128i scale = _mm_set1_epi32(3 | static_cast<int>(3 * width) << 16);
        alignas(16) std::int32_t offset[4];
        for (; n + 4 <= hi; n += 4) {
            const __m128d d01 = _mm_loadu_pd(distance + n), d23 = _mm_loadu_pd(distance + n + 2);
            const __m128i x =
                _mm_unpacklo_epi64(_mm_cvttpd_epi32(_mm_add_pd(rr, _mm_mul_pd(d01, cc))),
                                   _mm_cvttpd_epi32(_mm_add_pd(rr, _mm_mul_pd(d23, cc))));
            const __m128i y =
                _mm_unpacklo_epi64(_mm_cvttpd_epi32(_mm_add_pd(rr, _mm_mul_pd(d01, ss))),
                                   _mm_cvttpd_epi32(_mm_add_pd(rr, _mm_mul_pd(d23, ss))));
            const __m128i xy = _mm_packs_epi32(x, y); // x0..x3 y0..y3
            const __m128i pairs = _mm_unpacklo_epi16(xy, _mm_unpackhi_epi64(xy, xy));
            _mm_store_si128(reinterpret_cast<__m128i*>(offset), _mm_madd_epi16(pairs, scale));
            PutPixel(image + offset[0], colours[level[n]]);
            PutPixel(image + offset[1], colours[level[n + 1]]);
            PutPixel(image + offset[2], colours[level[n + 2]]);
            PutPixel(image + offset[3], colours[level[n + 3]]);
        }
    }
#endif
    for (; n < hi; ++n) {
        const double xd = radius + distance[n] * c;
        const double yd = radius + distance[n] * s;
        // Signed conversions: one instruction each; both lie inside the image.
        const std::ptrdiff_t px = static_cast<int>(xd), py = static_cast<int>(yd);
        std::uint8_t* const dst = image + (py * width + px) * 3;
        PutPixel(dst, colours[level[n]]);
    }
}

bool ImageUsable(const ImageView& image) {
    const int w = image.width, h = image.height;
    return image.pixels && w > 4 && h > 4 &&
           image.bytes >= static_cast<std::size_t>(w) * static_cast<std::size_t>(h) * 3;
}

// Calls fn(k0, k1) for the ranges of pixel steps k (0 <= k < B) whose
// distance d = k + u could put a pixel inside [1, W - 1) x [1, H - 1): the
// distance from (B, B) must lie between the nearest and the farthest point
// of that rectangle (one pixel of slack each way for rounding). Steps outside
// are never painted anyway; leaving them out bounds the work at any zoom.
template <typename Fn>
void ForEachReachableRange(double radius, double u, int width, int height, Fn&& fn) {
    const double x0 = 1.0, x1 = width - 1.0, y0 = 1.0, y1 = height - 1.0;
    const double nearX = std::max({0.0, x0 - radius, radius - x1});
    const double nearY = std::max({0.0, y0 - radius, radius - y1});
    const double farX = std::max(std::abs(radius - x0), std::abs(radius - x1));
    const double farY = std::max(std::abs(radius - y0), std::abs(radius - y1));
    const double dMin = std::hypot(nearX, nearY) - 1.0;
    const double dMax = std::hypot(farX, farY) + 1.0;

    auto clip = [&](double lo, double hi) {
        lo = std::max(lo, 0.0);
        hi = std::min(hi, radius - 1.0);
        if (!(lo <= hi)) return;
        fn(static_cast<long long>(std::ceil(lo)), static_cast<long long>(std::floor(hi)));
    };
    if (dMin <= 0.0) {
        clip(-dMax - u, dMax - u);
    } else {
        clip(-dMax - u, -dMin - u); // behind the centre (a negative first-sample offset)
        clip(dMin - u, dMax - u);
    }
}

} // namespace

RangeTiming RangeTimingForCode(int rangeCode) {
    switch (rangeCode) {
    case 2:
        return {0.0005, 21.3};
    case 4:
        return {0.001, 21.3};
    case 6:
        return {0.002, 21.3};
    case 8:
        return {0.003, 21.3};
    case 10:
        return {0.004, 27.3};
    case 20:
        return {0.008, 32.6};
    case 30:
        return {0.012, 34.3};
    case 40:
        return {0.016, 40.0};
    case 50:
        return {0.02, 40.0};
    case 60:
        return {0.024, 40.0};
    default:
        return {0.002, 0.0};
    }
}

PingGeometry ComputePingGeometry(const PingSettings& s, std::uint8_t rangeCode) {
    PingGeometry g;
    g.zoom = s.zoom;
    g.timing = RangeTimingForCode(rangeCode);
    // trunc(2 x radius x zoom) / 2 in whole pixels, kept in a double so no
    // zoom from a settings file can overflow an integer.
    g.radius = std::trunc(std::trunc(2.0 * s.imageRadius * g.zoom) / 2.0);
    // Pulse plus receive delay less 10 us, at 750 m/s (the two-way speed),
    // in pixels: 250 pixels span the range at zoom 1.
    g.firstSample =
        (s.pulseLength + g.timing.receiveDelay - 10.0) * 750.0 * 1e-6 * g.zoom * 250.0 / s.range;
    return g;
}

std::size_t HeadAngleTableIndex(double headAngle) {
    double a = headAngle - 90.0;
    if (a < 0.0) a += 360.0;
    if (a >= 360.0) a -= 360.0;
    constexpr double kTableDegrees = kTrigTableSize * kTrigStepDegrees;
    if (!(a >= 0.0 && a < kTableDegrees)) {
        a = std::isfinite(a) ? std::fmod(a, 360.0) : 0.0;
        if (a < 0.0) a += 360.0;
        if (!(a < 360.0)) a = 0.0;
    }
    const auto j = static_cast<std::size_t>(a / kTrigStepDegrees);
    return std::min(j, kTrigTableSize - 1);
}

void DrawPing(const PingSettings& s, const WedgePose& pose, const EchoLines& lines,
              const TrigTables& trig, const CSonarBitmap& colourTables, ImageView image) {
    if (!ImageUsable(image)) return;
    const PingGeometry g = ComputePingGeometry(s, pose.rangeCode);
    const double radius = g.radius;
    const double u = g.firstSample;
    if (!(radius >= 1.0 && radius <= kMaxRadius) || !std::isfinite(u)) return;
    const int width = image.width, height = image.height;
    const double xLimit = width - 1.0, yLimit = height - 1.0;

    // Colour of every possible blended value (weighted sum / 200 is 0...255):
    // the display mix, the clamp to the painted levels and the table lookup
    // happen once per value instead of once per pixel.
    std::array<std::uint32_t, 256> colours;
    {
        const auto& table = colourTables.Colors(s.colorTable);
        const double mix = s.profileMix;
        for (int v = 0; v < 256; ++v) {
            const double m = v * mix;
            const int level = !(m >= CSonarBitmap::kMinLevel) ? CSonarBitmap::kMinLevel
                              : m >= CSonarBitmap::kMaxLevel  ? CSonarBitmap::kMaxLevel
                                                              : static_cast<int>(m);
            colours[v] = table[level].blue | table[level].green << 8 | table[level].red << 16;
        }
    }

    // Weights per sub-beam as applied to (line 0, line 1, line 2): an
    // inverted head swaps oldest and newest, and so does scanning backwards.
    std::array<SubBeam, kSubBeams> beams;
    const bool forwardStart = (s.sonarUpDown == 0 && pose.scanDirection == 1) ||
                              (s.sonarUpDown != 0 && pose.scanDirection != 1);
    const double startAngle =
        forwardStart ? pose.beamAngle - kWedgeDegrees : pose.beamAngle + kWedgeDegrees;
    for (int r = 0; r < kSubBeams; ++r) {
        auto w = kBeamWeights[r];
        if (s.sonarUpDown == 1) std::swap(w[0], w[2]);
        if (pose.scanDirection != 1) std::swap(w[0], w[2]);
        const std::size_t j = HeadAngleTableIndex(startAngle + r * kWedgeDegrees / 20);
        beams[r] = SubBeam{w[0], w[1], w[2], trig.cos[j], trig.sin[j]};
    }

    const WedgeFrame frame{image.pixels, width,  radius,
                           xLimit,       yLimit, 3 * width <= 32767 && height <= 32767};
    const double zoom = g.zoom;
    const double lastDistance = radius - 2.0; // trunc(d) beyond this is outside the picture
    const std::uint8_t* const line0 = lines[0].data();
    const std::uint8_t* const line1 = lines[1].data();
    const std::uint8_t* const line2 = lines[2].data();

    double distance[kChunk];
    // The three history samples of each step, widened once per chunk so the
    // blend of every weight row below is plain 16-bit arithmetic.
    alignas(16) std::uint16_t oldest[kChunk], middle[kChunk], newest[kChunk];
    alignas(16) std::uint8_t level[kChunk];

    ForEachReachableRange(radius, u, width, height, [&](long long k0, long long k1) {
        for (long long first = k0; first <= k1; first += kChunk) {
            // Distances and samples of this chunk, shared by the sub-beams.
            int count = 0;
            bool beyondEdge = false;
            for (long long k = first; k <= k1 && count < kChunk; ++k) {
                const double d = static_cast<double>(k) + u;
                if (std::trunc(d) > lastDistance) {
                    beyondEdge = true; // distances only grow with k
                    break;
                }
                // k < B <= 250 x zoom keeps this below 250; the bound is a guard.
                const double s = std::trunc(static_cast<double>(k) / zoom);
                const int i = static_cast<int>(std::min(s, kLineBytes - 1.0));
                distance[count] = d;
                oldest[count] = line0[i];
                middle[count] = line1[i];
                newest[count] = line2[i];
                ++count;
            }
            // Silence in the rest of the last vector keeps its sums defined.
            for (int n = count; n < kChunk && n % 8 != 0; ++n)
                oldest[n] = middle[n] = newest[n] = 0;
            // The blended level depends on the weights and the step only;
            // neighbouring sub-beams often share weights, so it is computed
            // once per run of equal weights.
            const SubBeam* previous = nullptr;
            for (const SubBeam& beam : beams) {
                if (!previous || beam.w0 != previous->w0 || beam.w1 != previous->w1 ||
                    beam.w2 != previous->w2) {
                    BlendLevels(oldest, middle, newest, beam, level, count);
                    previous = &beam;
                }
                PaintSteps(frame, beam, distance, level, colours.data(), count);
            }
            if (beyondEdge) return;
        }
    });
}

ProfilePoint ComputeProfilePoint(const PingSettings& s, std::uint8_t rangeCode,
                                 const ProfileHistory& history) {
    const PingGeometry g = ComputePingGeometry(s, rangeCode);
    const ProfileEntry& oldest = history[0];
    ProfilePoint p;
    p.bearing = oldest.bearing;
    p.radius = g.radius;
    const double z = g.zoom;
    const double profile =
        oldest.range > 0.0 ? oldest.range * 0.0005 / g.timing.sampleSpacing * z : 0.0;
    p.distance = profile + g.firstSample;
    const int halfPulse = (s.pulseLength - 10) / 2;
    const double R = s.range;
    p.minimum = std::trunc((g.timing.receiveDelay + halfPulse) * 0.00075 * z * 250.0 / R +
                           250.0 * s.profileMinRange * z / R);
    return p;
}

void PlaceProfilePoint(const PingSettings& s, const ProfilePoint& point, const TrigTables& trig,
                       PointOffset& pointOffset, const ImageView* image) {
    if (s.profileDispMode <= 0) return;
    if (!(point.minimum < point.distance && point.distance < point.radius - 2.0)) return;
    const std::size_t j = HeadAngleTableIndex(point.bearing);
    const double x = point.distance * trig.cos[j];
    const double y = point.distance * trig.sin[j];
    pointOffset = PointOffset{x, y};
    if (!image || !ImageUsable(*image)) return;

    const double xd = point.radius + x, yd = point.radius + y;
    const int width = image->width, height = image->height;
    // The 3 x 3 square around the point stays inside the image.
    if (!(xd >= 2.0 && xd < width - 2.0 && yd >= 2.0 && yd < height - 2.0)) return;
    const int cx = static_cast<int>(xd), cy = static_cast<int>(yd);
    const COLORREF c = s.pointsColor;
    std::uint8_t* const pixels = image->pixels;
    auto paint = [&](int px, int py) {
        std::uint8_t* dst = pixels + (static_cast<std::size_t>(py) * width + px) * 3;
        dst[0] = static_cast<std::uint8_t>((c >> 16) & 0xFF);
        dst[1] = static_cast<std::uint8_t>((c >> 8) & 0xFF);
        dst[2] = static_cast<std::uint8_t>(c & 0xFF);
    };
    paint(cx, cy);
    if (s.pointSize >= 1) {
        paint(cx - 1, cy);
        paint(cx + 1, cy);
        paint(cx, cy - 1);
        paint(cx, cy + 1);
    }
    if (s.pointSize >= 2) {
        paint(cx - 1, cy - 1);
        paint(cx + 1, cy - 1);
        paint(cx - 1, cy + 1);
        paint(cx + 1, cy + 1);
    }
}

ProfilePoint ProcessPing(const DecodedReturn& ping, const PingSettings& settings,
                         const EchoLine& samples, PingHistory& history, const TrigTables& trig,
                         const CSonarBitmap& colours, const ImageView* image) {
    RecordProfile(ping, history);
    ShiftLines(samples, history);
    if (image)
        DrawPing(settings, WedgePose{ping.rangeCode, ping.beamAngle, ping.header.scanDirection},
                 history.lines, trig, colours, *image);
    ProfilePoint point = ComputeProfilePoint(settings, ping.rangeCode, history.profile);
    point.echo =
        ProfileEchoLevel(history.lines[0], history.profile[0], RangeTimingForCode(ping.rangeCode));
    PlaceProfilePoint(settings, point, trig, history.pointOffset, image);
    return point;
}
