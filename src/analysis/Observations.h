// Coded observations proposed from the pipe-condition figures, the entries an
// inspector would otherwise type in by hand: deformation (ovality over a
// threshold, with the direction of the smallest diameter) and settled
// deposits (cross-section lost to debris over a threshold, with the part of
// the invert they cover). Each stretch of consecutive scans over a threshold
// is one continuous defect with a start and a finish. They are proposals from
// sonar figures; the inspector confirms them.
#pragma once

#include <span>
#include <string>
#include <vector>

#include "analysis/PipeCondition.h"
#include "format/SurveyDetails.h"

namespace analysis {

struct ObservationThresholds {
    double ovality = 2.0;     // percent
    double depositLoss = 5.0; // percent of the nominal area taken by debris
    double deadband = 0.01;   // metres inward before a point counts as deposit
};

// Bearings (degrees clockwise from up, about the fitted centre) of the lower
// half's points that lie inward of the nominal wall beyond the deadband.
struct DepositExtent {
    bool found = false;
    double from = 0.0, to = 0.0; // from <= to, both within 90..270
};

DepositExtent LowerInwardExtent(std::span<const AnalysedPoint> points, const ScanFigures& f,
                                double deadband);

// What the observations need of a scan.
struct ObservedScan {
    ScanFigures figures;
    DepositExtent deposit;
};

enum class ObservationKind { Deformation, SettledDeposit };

struct Observation {
    ObservationKind kind = ObservationKind::Deformation;
    double start = 0.0, finish = 0.0; // distances of the stretch's first and last scan
    double value = 0.0;               // percent: peak ovality or peak area lost to debris
    int clockFrom = 12, clockTo = 12; // 1..12
    bool vertical = true;             // deformation: the smallest diameter lies nearer up-down
    std::size_t firstScan = 0;        // index of the stretch's first scan
    bool Continuous() const { return start != finish; }
};

// The clock position (1..12) of a bearing in degrees clockwise from up.
int ClockOf(double bearing);

// Deformations and deposits in the order the survey met them.
std::vector<Observation> FindObservations(std::span<const ObservedScan> scans,
                                          const ObservationThresholds& thresholds);

// What the inspection header of the exchange files says: the survey's
// details, the recording's name and when it began, and where the start node
// lies on the recorded distance.
struct InspectionHeader {
    std::string recording; // the recording's file name
    survey::SurveyDetails details;
    double startTime = kNoValue; // seconds (StampSeconds) of the first point
    // The recorded distance at the start node and the way the distance runs
    // from it: chainage = (distance - origin) * (descending ? -1 : 1).
    double origin = 0.0;
    bool descending = false;
    double lengthSurveyed = kNoValue; // metres between the first and last point
};

// The survey's observations as an EN 13508-2 style text: the #A lines
// (character set, language, edition, separator, decimal mark, quote), the
// #B01 inspection header (the codes that have values, then their values),
// and one observation line per point defect, or a start and a finish line
// per continuous defect, at its chainage from the start node. The text is
// ISO-8859-1; *lossy is set when a character had to be transliterated.
std::string En13508Text(std::span<const Observation> obs, const InspectionHeader& header,
                        bool* lossy = nullptr);
// The same with only the recording's name known, at the recorded distance.
std::string En13508Text(std::span<const Observation> obs, const std::string& recording);
// The inspection header laid out like a PACP inspection table: one header
// line of PACP-style field names and one row, lengths in feet and inches
// where the survey is imperial (millimetres and metres otherwise).
inline constexpr const char* kInspectionCsvHeader =
    "Surveyed_By,Certificate_Number,Owner,Pipe_Segment_Reference,Date,Time,Street,City,"
    "Upstream_MH,Downstream_MH,Direction,Height,Width,Shape,Material,Lining_Method,"
    "Pipe_Joint_Length,Total_Length,Length_Surveyed,Year_Laid,Purpose,Weather,Pre_Cleaning,"
    "IsImperial,Inspection_Technology_Used_Sonar";
std::string InspectionCsv(const InspectionHeader& header, bool imperial);
// The same as a conditions table: distance, code, clock from and to,
// value, continuous-defect mark, remarks.
std::string ConditionsCsv(std::span<const Observation> obs);

} // namespace analysis
