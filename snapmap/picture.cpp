#include "picture.hpp"

#include <png.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "colour_maps.hpp"
#include "snapshot_io.hpp"

namespace snapmap {

namespace {

constexpr std::int32_t gap = 4;
constexpr double density_decades = 4.0;

// The colour of every value of the maps on their common scale.
class Scale {
public:
    explicit Scale(const Maps& maps) : quantity_(maps.quantity) {
        for (const float v : maps.values) top_ = std::max(top_, double(std::fabs(v)));
        if (quantity_ == Quantity::density && top_ > 0.0) floor_ = top_ * std::pow(10.0, -density_decades);
    }
    Rgb colour(float value) const {
        const double v = value;
        switch (quantity_) {
            case Quantity::density:
                if (!(top_ > 0.0) || !(v > floor_)) return viridis()[0];
                return colour_at(viridis(), std::log10(v / floor_) / density_decades);
            case Quantity::dispersion:
                return colour_at(viridis(), top_ > 0.0 ? v / top_ : 0.0);
            case Quantity::mean_velocity:
                return colour_at(cool_warm(), top_ > 0.0 ? 0.5 + 0.5 * v / top_ : 0.5);
        }
        return viridis()[0];
    }

private:
    Quantity quantity_;
    double top_ = 0.0;
    double floor_ = 0.0;
};

struct PngError {
    char text[200];
};

void on_png_error(png_structp png, png_const_charp message) {
    auto* e = static_cast<PngError*>(png_get_error_ptr(png));
    std::snprintf(e->text, sizeof e->text, "%s", message);
    png_longjmp(png, 1);
}

void on_png_warning(png_structp, png_const_charp) {}

// libpng reports errors by a long jump back here: this function holds nothing that needs
// a destructor. Returns false with `error` filled on failure.
bool encode_png(std::FILE* file, std::uint32_t width, std::uint32_t height, const std::uint8_t* rgb,
                PngError& error) {
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, &error, on_png_error, on_png_warning);
    if (!png) {
        std::snprintf(error.text, sizeof error.text, "cannot start the PNG encoder");
        return false;
    }
    png_infop info = png_create_info_struct(png);
    if (!info || setjmp(png_jmpbuf(png))) {
        if (!info) std::snprintf(error.text, sizeof error.text, "cannot start the PNG encoder");
        png_destroy_write_struct(&png, info ? &info : nullptr);
        return false;
    }
    png_init_io(png, file);
    png_set_IHDR(png, info, width, height, 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    for (std::uint32_t y = 0; y < height; ++y) png_write_row(png, rgb + std::size_t(y) * width * 3);
    png_write_end(png, info);
    png_destroy_write_struct(&png, &info);
    return true;
}

}  // namespace

std::int32_t map_pixels(std::int32_t nmesh) {
    if (nmesh >= 256) return std::min(nmesh, std::int32_t{1024});
    return nmesh * ((256 + nmesh - 1) / nmesh);
}

void write_picture(const Maps& maps, Destination& out) {
    const std::filesystem::path& path = out.target();
    const std::int32_t n = maps.grid.nmesh;
    const std::int32_t side = map_pixels(n);
    const std::size_t nview = maps.views.size();
    const std::size_t width = nview * std::size_t(side) + (nview > 0 ? nview - 1 : 0) * gap;
    const std::size_t height = std::size_t(side);
    std::vector<std::uint8_t> rgb(width * height * 3, 255);

    // The cell under each pixel's centre, rows from the top (v decreasing).
    std::vector<std::int32_t> cell_of_pixel(std::size_t(side), 0);
    for (std::int32_t p = 0; p < side; ++p)
        cell_of_pixel[std::size_t(p)] = std::int32_t((std::int64_t(2 * p + 1) * n) / (2 * std::int64_t(side)));

    const Scale scale(maps);
    for (std::size_t view = 0; view < nview; ++view) {
        const auto map = maps.map(view);
        const std::size_t x0 = view * (std::size_t(side) + gap);
        for (std::int32_t py = 0; py < side; ++py) {
            const std::size_t row = std::size_t(n - 1 - cell_of_pixel[std::size_t(py)]) * std::size_t(n);
            std::uint8_t* dst = rgb.data() + (std::size_t(py) * width + x0) * 3;
            for (std::int32_t px = 0; px < side; ++px) {
                const Rgb c = scale.colour(map[row + std::size_t(cell_of_pixel[std::size_t(px)])]);
                *dst++ = c.r;
                *dst++ = c.g;
                *dst++ = c.b;
            }
        }
    }

    // A stream of its own over a copy of the descriptor: closing it leaves `out` open.
    const int fd = ::dup(out.fd());
    std::FILE* file = fd >= 0 ? ::fdopen(fd, "wb") : nullptr;
    if (!file) {
        if (fd >= 0) ::close(fd);
        const int err = errno;
        throw galtk::FormatError(2, "cannot write \"" + path.string() + "\": " + std::strerror(err));
    }
    PngError error{};
    const bool encoded = encode_png(file, std::uint32_t(width), std::uint32_t(height), rgb.data(), error);
    const bool flushed = std::fflush(file) == 0 && !std::ferror(file);
    const int err = errno;
    const bool closed = std::fclose(file) == 0;
    if (!encoded) throw galtk::FormatError(2, "writing \"" + path.string() + "\": " + error.text);
    if (!flushed || !closed) throw galtk::FormatError(2, "writing \"" + path.string() + "\": " + std::strerror(err));
}

}  // namespace snapmap
