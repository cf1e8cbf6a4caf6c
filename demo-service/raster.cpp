#include "demo-service/raster.hpp"

#include <algorithm>
#include <array>
#include <cmath>
#include <numbers>
#include <string>

#include "demo-service/catalogue.hpp"

namespace kessaro::demo {
namespace {

struct Colour {
    double r, g, b;
};

Colour colour_of(uint64_t bits) {
    return {static_cast<double>(bits & 0xFF), static_cast<double>((bits >> 8) & 0xFF),
            static_cast<double>((bits >> 16) & 0xFF)};
}

Colour blend(Colour a, Colour b, double t) {
    return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t};
}

Colour scaled(Colour c, double factor) {
    return {c.r * factor, c.g * factor, c.b * factor};
}

// 3 x 5 digit glyphs, one row of three bits per entry, top row first.
constexpr std::array<std::array<uint8_t, 5>, 10> kDigits = {{
    {7, 5, 5, 5, 7},
    {2, 6, 2, 2, 7},
    {7, 1, 7, 4, 7},
    {7, 1, 7, 1, 7},
    {5, 5, 7, 1, 1},
    {7, 4, 7, 1, 7},
    {7, 4, 7, 5, 7},
    {7, 1, 1, 1, 1},
    {7, 5, 7, 5, 7},
    {7, 5, 7, 1, 7},
}};

class Canvas {
  public:
    explicit Canvas(Raster& raster) : raster_(raster) {}

    void put(int x, int y, Colour c) {
        if (x < 0 || y < 0 || x >= raster_.width || y >= raster_.height)
            return;
        uint8_t* p = &raster_.rgb[(static_cast<std::size_t>(y) * raster_.width + x) * 3];
        p[0] = channel(c.r);
        p[1] = channel(c.g);
        p[2] = channel(c.b);
    }

    void fill_rect(int left, int top, int width, int height, Colour c) {
        for (int y = top; y < top + height; ++y) {
            for (int x = left; x < left + width; ++x)
                put(x, y, c);
        }
    }

    void write_number(int number, int left, int top, int cell, Colour ink, Colour shadow) {
        const std::string digits = std::to_string(number);
        for (int pass = 0; pass < 2; ++pass) {
            const int offset = pass == 0 ? std::max(1, cell / 4) : 0;
            int x = left;
            for (const char d : digits) {
                const auto& glyph = kDigits[static_cast<std::size_t>(d - '0')];
                for (int row = 0; row < 5; ++row) {
                    for (int col = 0; col < 3; ++col) {
                        if (glyph[row] & (4 >> col)) {
                            fill_rect(x + col * cell + offset, top + row * cell + offset, cell,
                                      cell, pass == 0 ? shadow : ink);
                        }
                    }
                }
                x += 4 * cell;
            }
        }
    }

  private:
    static uint8_t channel(double v) { return static_cast<uint8_t>(std::clamp(v, 0.0, 255.0)); }

    Raster& raster_;
};

}  // namespace

Raster paint_picture(uint64_t seed, int number, int width, int height, int frame) {
    Raster raster;
    raster.width = width;
    raster.height = height;
    raster.rgb.assign(static_cast<std::size_t>(width) * height * 3, 0);
    Canvas canvas(raster);

    const uint64_t h = mix(seed * 31 + static_cast<uint64_t>(number));
    const Colour sky_top = scaled(colour_of(h), 0.6);
    const Colour sky_bottom = blend(colour_of(h >> 24), Colour{255, 230, 200}, 0.5);
    const Colour sun{255, 240 - static_cast<double>((h >> 48) % 80), 120};
    const Colour far_ridge = blend(sky_top, Colour{40, 60, 90}, 0.6);
    const Colour near_ridge = blend(colour_of(h >> 40), Colour{20, 40, 20}, 0.75);

    const double phase = static_cast<double>((h >> 12) % 628) / 100.0;
    const double sun_x =
        width * (0.2 + 0.6 * static_cast<double>((h >> 20) % 100) / 100.0) + frame * width / 24.0;
    const double sun_y = height * 0.35 - frame * height / 40.0;
    const double sun_r = height * 0.12;
    const double tau = 2 * std::numbers::pi;

    for (int y = 0; y < height; ++y) {
        const Colour sky = blend(sky_top, sky_bottom, static_cast<double>(y) / height);
        for (int x = 0; x < width; ++x) {
            const double u = static_cast<double>(x) / width;
            const double far = height * (0.55 + 0.10 * std::sin(u * tau * 1.5 + phase) +
                                         0.04 * std::sin(u * tau * 5 + 2 * phase));
            const double near = height * (0.72 + 0.07 * std::sin(u * tau * 2.3 + 3 * phase) +
                                          0.03 * std::sin(u * tau * 7 + phase));
            const double dx = x - sun_x;
            const double dy = y - sun_y;
            Colour c = sky;
            if (dx * dx + dy * dy < sun_r * sun_r)
                c = sun;
            if (y > far)
                c = blend(far_ridge, sky_bottom, 0.25 * (y - far) / height);
            if (y > near)
                c = scaled(near_ridge, 1.0 - 0.5 * (y - near) / height);
            canvas.put(x, y, c);
        }
    }
    const int cell = std::max(3, height / 30);
    canvas.write_number(number, cell * 2, cell * 2, cell, Colour{255, 255, 255}, Colour{0, 0, 0});
    return raster;
}

}  // namespace kessaro::demo
