#include "analysis/WorldCrs.h"

#include <proj.h>

#include <cmath>

namespace geo {

namespace {

struct ContextDeleter {
    void operator()(PJ_CONTEXT* c) const { proj_context_destroy(c); }
};
struct PjDeleter {
    void operator()(PJ* p) const { proj_destroy(p); }
};
using Context = std::unique_ptr<PJ_CONTEXT, ContextDeleter>;
using Object = std::unique_ptr<PJ, PjDeleter>;

Context NewContext() {
    Context ctx(proj_context_create());
    // PROJ's own log goes to stderr; its reasons are ours to word.
    if (ctx) proj_log_level(ctx.get(), PJ_LOG_NONE);
    return ctx;
}

std::string Quoted(const std::string& text) {
    return "\"" + (text.size() > 60 ? text.substr(0, 57) + "..." : text) + "\"";
}

// The horizontal part of crs: itself, the first part of a compound system,
// the source of a bound one (WKT with TOWGS84).
Object HorizontalPart(PJ_CONTEXT* ctx, PJ* crs) {
    switch (proj_get_type(crs)) {
    case PJ_TYPE_COMPOUND_CRS:
        return Object(proj_crs_get_sub_crs(ctx, crs, 0));
    case PJ_TYPE_BOUND_CRS: {
        Object source(proj_get_source_crs(ctx, crs));
        return source ? HorizontalPart(ctx, source.get()) : nullptr;
    }
    default:
        return Object(proj_clone(ctx, crs));
    }
}

} // namespace

CrsResult ResolveCrs(const std::string& text) {
    CrsResult result;
    const Context ctx = NewContext();
    if (!ctx) return {std::nullopt, "PROJ could not start (out of memory?)"};
    const Object crs(proj_create(ctx.get(), text.c_str()));
    if (!crs || !proj_is_crs(crs.get())) {
        result.error = "crs " + Quoted(text) + " is no coordinate system PROJ knows";
        return result;
    }
    const Object horizontal = HorizontalPart(ctx.get(), crs.get());
    const PJ_TYPE type = horizontal ? proj_get_type(horizontal.get()) : PJ_TYPE_UNKNOWN;
    if (type == PJ_TYPE_GEOGRAPHIC_2D_CRS || type == PJ_TYPE_GEOGRAPHIC_3D_CRS ||
        type == PJ_TYPE_GEOGRAPHIC_CRS) {
        result.error = "crs " + Quoted(text) +
                       " is geographic (degrees); node coordinates need a projected system "
                       "(easting and northing in metres or feet)";
        return result;
    }
    if (type != PJ_TYPE_PROJECTED_CRS) {
        result.error = "crs " + Quoted(text) +
                       " has no projected horizontal part (easting and northing in metres or "
                       "feet) to place the pipe in";
        return result;
    }
    const Object cs(proj_crs_get_coordinate_system(ctx.get(), horizontal.get()));
    double factor = 0.0;
    const char* unit = nullptr;
    if (!cs ||
        !proj_cs_get_axis_info(ctx.get(), cs.get(), 0, nullptr, nullptr, nullptr, &factor, &unit,
                               nullptr, nullptr) ||
        !(factor > 0.0) || !std::isfinite(factor)) {
        result.error = "crs " + Quoted(text) + " has no length unit PROJ can name";
        return result;
    }
    const char* const options[] = {"MULTILINE=NO", nullptr};
    const char* wkt = proj_as_wkt(ctx.get(), crs.get(), PJ_WKT1_GDAL, options);
    if (!wkt) {
        result.error = "crs " + Quoted(text) + " cannot be written as OGC WKT1, which LAS needs";
        return result;
    }
    Crs c;
    c.text = text;
    const char* name = proj_get_name(crs.get());
    c.name = name ? name : text;
    c.wkt1 = wkt;
    c.unitName = unit ? unit : "";
    c.metresPerUnit = factor;
    result.crs = std::move(c);
    return result;
}

struct ToLonLat::State {
    Context ctx;
    Object transform;
};

ToLonLat::ToLonLat(const std::string& crsText) : m_state(std::make_unique<State>()) {
    m_state->ctx = NewContext();
    if (!m_state->ctx) {
        m_error = "PROJ could not start (out of memory?)";
        return;
    }
    PJ_CONTEXT* ctx = m_state->ctx.get();
    const Object source(proj_create(ctx, crsText.c_str()));
    const Object target(proj_create(ctx, "EPSG:4326"));
    if (!source || !target) {
        m_error = "crs " + Quoted(crsText) + " is no coordinate system PROJ knows";
        return;
    }
    const Object raw(
        proj_create_crs_to_crs_from_pj(ctx, source.get(), target.get(), nullptr, nullptr));
    // Easting first in, longitude first out, whatever order the systems
    // declare their axes in.
    if (raw) m_state->transform.reset(proj_normalize_for_visualization(ctx, raw.get()));
    if (!m_state->transform)
        m_error = "PROJ has no way from crs " + Quoted(crsText) + " to WGS 84 longitude/latitude";
}

ToLonLat::~ToLonLat() {
    // The transformation before the context it was made in.
    if (m_state) m_state->transform.reset();
}

bool ToLonLat::Transform(double easting, double northing, double& lon, double& lat) const {
    if (!m_state->transform) return false;
    const PJ_COORD out =
        proj_trans(m_state->transform.get(), PJ_FWD, proj_coord(easting, northing, 0.0, 0.0));
    lon = out.lp.lam;
    lat = out.lp.phi;
    return std::isfinite(lon) && std::isfinite(lat);
}

} // namespace geo
