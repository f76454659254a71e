// Any bytes as a settings file: parsed, loaded into a document, written back
// out and parsed again, never crashing or reading out of bounds.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "doc/TubescanDoc.h"
#include "format/IniFile.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static CTubescanDoc doc;
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    IniFile ini = IniFile::FromText(text);
    doc.Run().m_playback = size > 0 && (data[0] & 1);
    doc.LoadSettings(ini);
    ini.Set("System Settings", "Zoom", "1.00");
    ini.Set("New Section", "Key", "Value");
    const IniFile again = IniFile::FromText(ini.ToText());
    (void)again.Get("System Settings", "Zoom");
    return 0;
}
