// The nine colour tables that turn an echo level into a pixel colour. Built
// once for the whole program and constant afterwards, so the acquisition
// thread and the view may read them at the same time without a lock.
#pragma once

#include <array>
#include <cstdint>

struct ColorEntry {
    std::uint8_t red = 0, green = 0, blue = 0;
};

class CSonarBitmap {
  public:
    static constexpr int kTableCount = 9;
    static constexpr int kEntryCount = 256;
    static constexpr int kBuiltEntries = 119; // 0 ... 118; the rest stay black
    static constexpr int kMinLevel = 1;       // levels a painted pixel can carry
    static constexpr int kMaxLevel = 117;

    using Table = std::array<ColorEntry, kEntryCount>;

    CSonarBitmap();
    virtual ~CSonarBitmap() = default;

    // The table a stored selection stands for. A selection from a damaged or
    // hand-edited settings file outside 0 ... 8 shows the default table 0
    // rather than reading past the tables.
    static int SafeTableIndex(int table);

    // Entry `level` of table `table`; both are brought into range first
    // (table as SafeTableIndex, level limited to 0 ... 255).
    ColorEntry Entry(int table, int level) const;
    const Table& Colors(int table) const { return (*m_tables)[SafeTableIndex(table)]; }

  private:
    using Tables = std::array<Table, kTableCount>;
    static const Tables& Built();

    // Every instance shares one set, built the first time one is made: a
    // document (and each one a test or a fuzzer makes) no longer pays for
    // building them again.
    const Tables* m_tables;
};
