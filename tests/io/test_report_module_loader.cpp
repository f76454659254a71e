// Where the converter looks for its report module: beside itself when the
// system tells it where it is, otherwise only in the installed library
// folder, and never in the current folder, where anyone who can leave a file
// beside a recording could plant one and have its code run.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>
#include <unistd.h>

#include "../../tools/convert/ReportModuleLoader.h"
#include "../core/TempDir.h"
#include "report/ReportModule.h"

namespace fs = std::filesystem;

namespace {

// Runs in dir for as long as it lives.
class InFolder {
  public:
    explicit InFolder(const std::string& dir) : m_was(fs::current_path()) { fs::current_path(dir); }
    ~InFolder() { fs::current_path(m_was); }
    InFolder(const InFolder&) = delete;
    InFolder& operator=(const InFolder&) = delete;

  private:
    fs::path m_was;
};

} // namespace

TEST(ReportModuleLoader, NeverLoadsAModuleFromTheCurrentFolder) {
    TempDir d;
    fs::copy_file(TUBESCAN_MARKING_MODULE, d.File(kReportModuleFile));
    const std::string mark = d.File("module-was-loaded");
    ASSERT_EQ(::setenv("TUBESCAN_TEST_MODULE_MARK", mark.c_str(), 1), 0);
    const InFolder here(d.Dir());
    const fs::path folder = fs::canonical(d.Dir());

    // The converter's own path unknown (no /proc, a path too long to read)
    // or known only relative to a folder nobody vouches for.
    const std::optional<fs::path> unknown[] = {std::nullopt, fs::path("tubescan-convert"),
                                               fs::path("./tubescan-convert"), fs::path("")};
    for (const auto& program : unknown) {
        SCOPED_TRACE(program ? program->string() : "no path");
        const convert::ModuleSearch search = convert::ReportModuleSearch(program);
        ASSERT_FALSE(search.candidates.empty());
        for (const fs::path& candidate : search.candidates) {
            EXPECT_TRUE(candidate.is_absolute()) << candidate;
            std::error_code ec;
            EXPECT_NE(fs::weakly_canonical(candidate.parent_path(), ec), folder) << candidate;
        }
        std::string why;
        const ReportModule* module = convert::LoadReportModuleFor(program, why);
        EXPECT_FALSE(fs::exists(mark)) << "the module in the current folder was loaded";
        if (!module) {
            EXPECT_NE(why.find(TUBESCAN_REPORT_MODULE_INSTALL_DIR), std::string::npos) << why;
            EXPECT_NE(why.find("/proc/self/exe"), std::string::npos) << why;
        }
    }

    // The same folder named as the converter's own is looked in: the module
    // beside it is loaded (its constructor runs) and refused as not ours.
    std::string why;
    EXPECT_EQ(convert::LoadReportModuleFor(folder / "tubescan-convert", why), nullptr);
    EXPECT_TRUE(fs::exists(mark)) << why;
    EXPECT_NE(why.find("is not this converter's report module"), std::string::npos) << why;
    ::unsetenv("TUBESCAN_TEST_MODULE_MARK");
}
