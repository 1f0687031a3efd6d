#include "options.hpp"

#include <CLI/CLI.hpp>

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "cli_checks.hpp"
#include "map_names.hpp"
#include "selection.hpp"
#include "snapshot_io.hpp"

namespace snapmap {

namespace {

[[noreturn]] void refuse(const std::string& message) { throw galtk::FormatError(1, message); }

// --types: the list must read as type codes (negative codes and other text are refused here;
// codes the model lacks only once the model is read).
CLI::Validator type_codes() {
    return CLI::Validator(
        [](std::string& text) -> std::string {
            std::string error;
            if (!parse_type_codes(text, error)) return "Value " + text + ": " + error;
            return {};
        },
        "type codes", "CODES");
}

}  // namespace

std::int32_t checked_nmesh(std::int64_t nmesh) {
    if (nmesh < 1 || nmesh > max_nmesh)
        refuse("--nmesh " + std::to_string(nmesh) + ": expected 1 .. " + std::to_string(max_nmesh) + " cells a side");
    return static_cast<std::int32_t>(nmesh);
}

float checked_extent(const std::string& text) {
    std::string_view t = text;
    if (!t.empty() && t.front() == '+') t.remove_prefix(1);
    float value = 0.0f;
    const auto [p, ec] = std::from_chars(t.data(), t.data() + t.size(), value);
    if (ec != std::errc() || p != t.data() + t.size())
        refuse("--extent \"" + text + "\": expected a number (the half-side L of the maps)");
    if (!std::isfinite(value) || !(value > 0.0f))
        refuse("--extent \"" + text + "\": expected a finite half-side L greater than 0");
    return value;
}

Options parse_options(int argc, char** argv) {
    CLI::App app{
        "snapmap: projected maps of a particle model (surface density, line-of-sight velocity dispersion or mean\n"
        "line-of-sight velocity) as projmap reads them, and pictures of them.\n"
        "Views: INCLINATION:POSITION_ANGLE in degrees; the observer looks from\n"
        "(sin i sin pa, -sin i cos pa, cos i); 0:0 is face-on with x right and y up, 90:0 edge-on along y,\n"
        "90:90 edge-on along x (z up). Default views: 0:0 90:90 90:0.",
        "snapmap"};
    app.set_version_flag("--version", std::string("snapmap (galaxy toolkit) ") + GALTK_VERSION);

    Options o;
    std::string kind_name = "density", assign = "cic";
    std::int64_t nmesh = 128;
    std::int64_t model = 1;
    float extent = 0.0f;
    std::vector<std::string> views;
    std::string format, types;
    app.add_option("INPUT", o.input, "the model: any snapshot format the toolkit reads")->required();
    app.add_option("--format", format, "the input's format (text, positions, gadget1, gadget2, hdf5, tipsy); default: detected from the file")
        ->check(CLI::IsMember({"text", "positions", "gadget1", "gadget2", "hdf5", "tipsy"}));
    app.add_option("--position-mass", o.read.position_mass, "mass of every particle of a position list (default 0)")
        ->check(galtk::cli::non_negative<float>());
    app.add_option("--kind", kind_name, "density or 1 (surface density, default), dispersion or 2 (line-of-sight velocity dispersion), velocity or 3 (mean line-of-sight velocity)")
        ->check(CLI::IsMember({"1", "2", "3", "density", "dispersion", "velocity"}));
    app.add_option("--nmesh", nmesh, "cells per side of a map, 1 .. 16384 (default 128)")
        ->check(CLI::Range(std::int64_t{1}, std::int64_t{max_nmesh}));
    auto* extent_opt = app.add_option("--extent", extent, "half-side L: the maps cover [-L, L)^2 (default: the radius holding 99% of the mass, rounded up to two digits)")
        ->check(galtk::cli::positive<float>());
    app.add_option("--assign", assign, "mass assignment: cic (cloud in cell, default) or ngp (nearest grid point)")
        ->check(CLI::IsMember({"cic", "ngp"}));
    app.add_option("--view", views, "a view INCLINATION:POSITION_ANGLE in degrees; repeat --view for several, in file order")
        ->allow_extra_args(false)
        ->multi_option_policy(CLI::MultiOptionPolicy::TakeAll);
    auto* model_opt = app.add_option("--model", model, "model number N: the map file is named as projmap reads it, 2df.dat.mN, 2dfv.dat.mN or 2dfv1.dat.mN (default 1)")
        ->check(CLI::Range(std::int64_t{1}, std::int64_t{2147483647}));
    auto* output_opt = app.add_option("--output", o.map_file, "the map file's name instead");
    app.add_option("--png", o.png_file, "also write a picture of the maps side by side");
    auto* types_opt = app.add_option("--types", types, "map only the particles of these type codes, e.g. 0 (the gas) or 2,3 (galvel's disk and bulge); default: every particle")
        ->check(type_codes());
    output_opt->excludes(model_opt);

    if (auto refused = galtk::cli::parse(app, argc, argv)) refuse(*refused);

    if (!format.empty()) o.read.format = galtk::parse_format_name(format);
    const int kind = kind_name == "density" ? 1 : kind_name == "dispersion" ? 2 : kind_name == "velocity" ? 3 : std::stoi(kind_name);
    o.quantity = static_cast<Quantity>(kind);
    o.assignment = assign == "ngp" ? Assignment::ngp : Assignment::cic;
    o.nmesh = static_cast<std::int32_t>(nmesh);
    if (extent_opt->count() > 0) o.extent = extent;
    for (const std::string& v : views) o.views.push_back(parse_view(v));
    if (o.views.empty()) o.views = default_views();
    if (o.views.size() > max_views) refuse(std::to_string(o.views.size()) + " views: at most " + std::to_string(max_views));
    o.model = static_cast<std::int32_t>(model);
    if (types_opt->count() > 0) {
        std::string error;
        o.types = *parse_type_codes(types, error);
    }
    // Without --model or --output, a run that asks for a picture writes only the picture.
    if (o.map_file.empty() && (model_opt->count() > 0 || o.png_file.empty()))
        o.map_file = projmap::map_file_name(kind, o.model);
    if (!o.map_file.empty() && o.map_file == o.png_file) refuse("--png \"" + o.png_file + "\" names the map file too");
    return o;
}

}  // namespace snapmap
