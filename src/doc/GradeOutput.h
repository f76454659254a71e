// The grade table of a recording: the pitch of every ping against distance,
// one CSV line per 0.1 m of distance with the grade and the elevation
// integrated along the pipe. Written when the pass is over (the steps come
// in whatever order the head moved); a recording without a single valid
// pitch gives no table at all, and says so.
#pragma once

#include <cstdint>
#include <string>

#include "analysis/Grade.h"
#include "doc/RecordConversion.h"

class GradeCsvOutput : public conversion::PointOutput {
  public:
    bool Create(const std::string& path, const conversion::PassContext& pass, int* error) override;
    void Add(const analysis::ProfileSample& sample) override;
    bool Finish() override;
    std::uint64_t Points() const override { return m_points; }
    int WriteError() const override { return m_writeError; }

    const analysis::GradeProfile& Profile() const { return m_profile; }
    // Why Finish failed, for the operator (empty when it did not).
    const std::string& Error() const { return m_error; }

  private:
    std::string m_path;
    std::uint64_t m_points = 0;
    int m_writeError = 0;
    analysis::GradeProfile m_profile;
    std::string m_error;
};
