#include "SummaryWriter.h"

#include <cerrno>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

#include "analysis/SurveySummary.h"

namespace convert {

SummaryWriter::~SummaryWriter() {
    if (!m_file) return;
    std::fclose(m_file);
    std::remove(m_temporary.c_str());
}

namespace {

// Whether path is a regular file whose first line is the summary's header.
bool IsSummaryFile(const std::string& path) {
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return false;
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return false;
    const std::string header = std::string(analysis::kSummaryCsvHeader) + "\n";
    std::string first(header.size(), '\0');
    const bool same =
        std::fread(first.data(), 1, first.size(), f) == first.size() && first == header;
    std::fclose(f);
    return same;
}

} // namespace

bool SummaryWriter::Open(const std::string& path, bool replace, bool replaceSummary) {
    // A summary that would replace a file follows the outputs' rule; only a
    // summary of an earlier run may be rebuilt without --force.
    if (!replace && ::access(path.c_str(), F_OK) == 0 && !(replaceSummary && IsSummaryFile(path))) {
        std::fprintf(stderr, "tubescan-convert: %s exists (--force replaces it)\n", path.c_str());
        return false;
    }
    m_path = path;
    m_temporary = path + ".part" + std::to_string(::getpid());
    m_file = std::fopen(m_temporary.c_str(), "wb");
    if (!m_file) {
        std::fprintf(stderr, "tubescan-convert: cannot create %s: %s\n", path.c_str(),
                     std::strerror(errno));
        return false;
    }
    std::fprintf(m_file, "%s\n", analysis::kSummaryCsvHeader);
    return true;
}

void SummaryWriter::Add(const std::string& line) {
    if (m_file) std::fputs(line.c_str(), m_file);
}

bool SummaryWriter::Close(bool interrupted) {
    if (!m_file) return true;
    const bool written = std::fflush(m_file) == 0 && std::ferror(m_file) == 0;
    int why = written ? 0 : errno;
    const bool closed = std::fclose(m_file) == 0;
    if (!closed && why == 0) why = errno;
    m_file = nullptr;
    // An interrupted run keeps the lines of the files it finished: a rerun
    // need not convert them again to learn their figures.
    if (written && closed) {
        if (std::rename(m_temporary.c_str(), m_path.c_str()) == 0) return true;
        why = errno;
    }
    std::remove(m_temporary.c_str());
    if (interrupted) return true;
    std::fprintf(stderr, "tubescan-convert: cannot write %s: %s\n", m_path.c_str(),
                 why != 0 ? std::strerror(why) : "disk full or removed?");
    return false;
}

} // namespace convert
