// The coordinate system a survey's node coordinates are given in, resolved
// by PROJ: what a LAS file must name (OGC WKT1), the unit its coordinates
// count in, and the way from it to WGS 84 longitude and latitude, which a
// GeoJSON map must use. Nothing here knows a pipe; the pipe's axis in that
// system is PipeAxis's.
//
// Only a projected system will do: the placement works in a plane of
// eastings and northings in a length unit, so a geographic system (degrees)
// or one without a projected horizontal part is refused with the reason.
// Each object has a PROJ context of its own, so outputs on different
// threads never share one.
#pragma once

#include <memory>
#include <optional>
#include <string>

namespace geo {

struct Crs {
    std::string text;     // as the survey gave it ("EPSG:25832", or WKT)
    std::string name;     // PROJ's name for it
    std::string wkt1;     // OGC 01-009 WKT1 (PROJ's GDAL flavour), for the LAS VLR
    std::string unitName; // of its easting ("metre", "US survey foot" ...)
    double metresPerUnit = 1.0;
    bool IsFeet() const { return metresPerUnit > 0.3047 && metresPerUnit < 0.3049; }
};

struct CrsResult {
    std::optional<Crs> crs;
    std::string error; // why it was refused, for the operator
};

// Resolves text (an authority code or WKT) with PROJ's database.
CrsResult ResolveCrs(const std::string& text);

// From a resolved system's easting and northing to WGS 84 longitude and
// latitude (degrees, in that order whatever the systems' axis orders).
class ToLonLat {
  public:
    explicit ToLonLat(const std::string& crsText);
    ~ToLonLat();
    ToLonLat(const ToLonLat&) = delete;
    ToLonLat& operator=(const ToLonLat&) = delete;
    bool Ok() const { return m_error.empty(); }
    const std::string& Error() const { return m_error; }
    // False when PROJ cannot transform the point.
    bool Transform(double easting, double northing, double& lon, double& lat) const;

  private:
    struct State;
    std::unique_ptr<State> m_state;
    std::string m_error;
};

} // namespace geo
