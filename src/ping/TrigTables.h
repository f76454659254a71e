// Cosine and sine look-up tables in steps of 0.05 degrees, so ping drawing
// never calls a trigonometric function per pixel.
#pragma once

#include <cmath>
#include <cstddef>
#include <span>
#include <vector>

inline constexpr std::size_t kTrigTableSize = 36000;
inline constexpr double kTrigStepDegrees = 0.05;
// The tables were always built with this value of pi; keeping it keeps every
// drawn pixel and exported coordinate identical to earlier recordings.
inline constexpr double kTablePi = 3.1415926;

// A view of the tables. They are worked out once per process (72,000 calls
// of sin and cos, milliseconds) and shared read-only by every document and
// acquisition thread, so making a document costs next to nothing.
struct TrigTables {
    std::span<const double> cos;
    std::span<const double> sin;

    TrigTables() : cos(Values().cos), sin(Values().sin) {}

  private:
    struct Tables {
        std::vector<double> cos, sin;
        Tables() : cos(kTrigTableSize), sin(kTrigTableSize) {
            for (std::size_t i = 0; i < kTrigTableSize; ++i) {
                const double radians = static_cast<double>(i) * kTrigStepDegrees * kTablePi / 180.0;
                cos[i] = std::cos(radians);
                sin[i] = std::sin(radians);
            }
        }
    };
    static const Tables& Values() {
        static const Tables tables; // thread-safe, built on first use
        return tables;
    }
};
