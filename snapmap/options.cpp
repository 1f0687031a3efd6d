#include "options.hpp"

#include <CLI/CLI.hpp>

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <map>

#include "map_names.hpp"
#include "snapshot_io.hpp"

namespace snapmap {

namespace {

[[noreturn]] void refuse(const std::string& message) { throw galtk::FormatError(1, message); }

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
    int kind = 1;
    std::int64_t nmesh = 128;
    std::string extent, assign = "cic";
    std::vector<std::string> views;
    std::int64_t model = 1;
    std::string format;
    std::string position_mass;
    app.add_option("INPUT", o.input, "the model: any snapshot format the toolkit reads")->required();
    app.add_option("--format", format, "the input's format (text, positions, gadget1, gadget2, hdf5, tipsy); default: detected from the file");
    app.add_option("--position-mass", position_mass, "mass of every particle of a position list (default 0)");
    app.add_option("--kind", kind, "1 surface density (default), 2 line-of-sight velocity dispersion, 3 mean line-of-sight velocity");
    app.add_option("--nmesh", nmesh, "cells per side of a map, 1 .. 16384 (default 128)");
    app.add_option("--extent", extent, "half-side L: the maps cover [-L, L)^2 (default: the radius holding 99% of the mass, rounded up to two digits)");
    app.add_option("--assign", assign, "mass assignment: cic (cloud in cell, default) or ngp (nearest grid point)");
    app.add_option("--view", views, "a view INCLINATION:POSITION_ANGLE in degrees; repeat for several, in file order");
    auto* model_opt = app.add_option("--model", model, "model number N: the map file is named as projmap reads it, 2df.dat.mN, 2dfv.dat.mN or 2dfv1.dat.mN (default 1)");
    auto* output_opt = app.add_option("--output", o.map_file, "the map file's name instead");
    app.add_option("--png", o.png_file, "also write a picture of the maps side by side");
    output_opt->excludes(model_opt);

    try {
        app.parse(argc, argv);
    } catch (const CLI::CallForHelp& e) {
        std::exit(app.exit(e));
    } catch (const CLI::CallForVersion& e) {
        std::exit(app.exit(e));
    } catch (const CLI::ParseError& e) {
        refuse(e.what());
    }

    if (!format.empty()) {
        o.read.format = galtk::parse_format_name(format);
        if (!o.read.format) refuse("--format \"" + format + "\": expected text, positions, gadget1, gadget2, hdf5 or tipsy");
    }
    if (!position_mass.empty()) {
        float m = 0.0f;
        const auto [p, ec] = std::from_chars(position_mass.data(), position_mass.data() + position_mass.size(), m);
        if (ec != std::errc() || p != position_mass.data() + position_mass.size() || !std::isfinite(m) || m < 0.0f)
            refuse("--position-mass \"" + position_mass + "\": expected a finite mass of 0 or more");
        o.read.position_mass = m;
    }
    if (kind < 1 || kind > 3) refuse("--kind " + std::to_string(kind) + ": expected 1, 2 or 3");
    o.quantity = static_cast<Quantity>(kind);
    o.nmesh = checked_nmesh(nmesh);
    if (!extent.empty() || app.count("--extent") > 0) o.extent = checked_extent(extent);
    if (assign == "cic") o.assignment = Assignment::cic;
    else if (assign == "ngp") o.assignment = Assignment::ngp;
    else refuse("--assign \"" + assign + "\": expected cic or ngp");
    for (const std::string& v : views) o.views.push_back(parse_view(v));
    if (o.views.empty()) o.views = default_views();
    if (o.views.size() > max_views) refuse(std::to_string(o.views.size()) + " views: at most " + std::to_string(max_views));
    if (model < 1 || model > 2147483647) refuse("--model " + std::to_string(model) + ": expected a model number of 1 or more");
    o.model = static_cast<std::int32_t>(model);
    // Without --model or --output, a run that asks for a picture writes only the picture.
    if (o.map_file.empty() && (model_opt->count() > 0 || o.png_file.empty()))
        o.map_file = projmap::map_file_name(kind, o.model);
    if (!o.map_file.empty() && o.map_file == o.png_file) refuse("--png \"" + o.png_file + "\" names the map file too");
    return o;
}

}  // namespace snapmap
