// Loading and saving a settings file that holds one enormous line (a pasted
// log, a corrupted copy): every key lookup used to copy every line, so start-up
// and exit took most of a minute. Reports the time of a load and a save next
// to the time of only reading the same text, with the line's size.
//   bench_settings [MEGABYTES]   (default 100)
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "doc/TubescanDoc.h"
#include "format/IniFile.h"

namespace {

double Seconds(std::chrono::steady_clock::duration d) {
    return std::chrono::duration<double>(d).count();
}

} // namespace

int main(int argc, char** argv) {
    const std::size_t megabytes = argc > 1 ? std::strtoul(argv[1], nullptr, 10) : 100;
    std::string text = "[System Settings]\r\nIP Address=127.0.0.1\r\nJunk=";
    text.append(megabytes << 20, 'x');
    text += "\r\nOutput UDP Address=127.0.0.1\r\n[Sonar Settings]\r\nGain=9\r\n";

    using Clock = std::chrono::steady_clock;
    const auto t0 = Clock::now();
    IniFile parsed = IniFile::FromText(text); // the reading alone
    const auto t1 = Clock::now();
    CTubescanDoc doc;
    doc.LoadSettings(parsed);
    const auto t2 = Clock::now();
    // Every key the program writes, set into the same profile as a save does.
    const auto dir = std::filesystem::temp_directory_path() / "tubescan-bench-settings";
    std::filesystem::create_directories(dir);
    doc.SetSettingsPath((dir / "TubescanL.INI").string());
    { std::ofstream(doc.SettingsPath(), std::ios::binary) << "[System Settings]\r\n"; }
    const auto t3 = Clock::now();
    for (int i = 0; i < 120; ++i)
        parsed.Set("System Settings", "Key " + std::to_string(i), std::to_string(i));
    const std::string out = parsed.ToText();
    const auto t4 = Clock::now();
    std::filesystem::remove_all(dir);

    std::printf("line of %zu MiB: parse %.3f s, load settings %.4f s, 120 keys set and text "
                "rebuilt %.3f s (%zu bytes)\n",
                megabytes, Seconds(t1 - t0), Seconds(t2 - t1), Seconds(t4 - t3), out.size());
    std::printf("beyond reading: load %.4f s, save %.3f s (ToText copies the text once)\n",
                Seconds(t2 - t1), Seconds(t4 - t3));
    return doc.Settings().m_gain == 9 ? 0 : 1;
}
