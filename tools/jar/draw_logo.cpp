// Draws Brak's logo, a 24-bit Windows bitmap: a jar on a colourful gradient.
// Usage: draw_logo <output.bmp>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

namespace {

constexpr int Width = 320;
constexpr int Height = 240;

struct Colour {
    double red, green, blue;
};

Colour hue(double h) {
    const double r = 0.5 + 0.5 * std::cos(6.2831853 * (h + 0.0));
    const double g = 0.5 + 0.5 * std::cos(6.2831853 * (h + 0.33));
    const double b = 0.5 + 0.5 * std::cos(6.2831853 * (h + 0.67));
    return {r, g, b};
}

// Inside the jar's body (a rounded box), its neck or its lid.
bool inJar(double x, double y) {
    const double cx = Width / 2.0;
    const double dx = std::fabs(x - cx);
    const bool body =
        y > 90 && y < 200 && dx < 70 && (y < 170 || std::hypot(dx - 40, y - 170) < 30 || dx < 40);
    const bool neck = y >= 70 && y <= 90 && dx < 45;
    const bool lid = y >= 55 && y < 70 && dx < 55;
    return body || neck || lid;
}

void put16(std::string& out, std::uint32_t value) {
    out += static_cast<char>(value & 0xFF);
    out += static_cast<char>((value >> 8) & 0xFF);
}

void put32(std::string& out, std::uint32_t value) {
    put16(out, value & 0xFFFF);
    put16(out, value >> 16);
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: draw_logo <output.bmp>\n");
        return 2;
    }
    const int rowSize = (Width * 3 + 3) / 4 * 4;
    const std::uint32_t imageSize = static_cast<std::uint32_t>(rowSize * Height);

    std::string out;
    out += "BM";
    put32(out, 54 + imageSize); // file size
    put32(out, 0);              // reserved
    put32(out, 54);             // offset of the pixels
    put32(out, 40);             // BITMAPINFOHEADER
    put32(out, Width);
    put32(out, Height); // positive: rows from the bottom up
    put16(out, 1);      // planes
    put16(out, 24);     // bits per pixel
    put32(out, 0);      // no compression
    put32(out, imageSize);
    put32(out, 2835); // 72 dots per inch
    put32(out, 2835);
    put32(out, 0);
    put32(out, 0);

    for (int row = 0; row < Height; ++row) {
        const double y = Height - 1 - row;
        std::string line;
        for (int x = 0; x < Width; ++x) {
            Colour c = hue((x + y * 0.6) / (Width * 1.4));
            const double shade = 0.55 + 0.45 * (1.0 - y / Height);
            c = {c.red * shade, c.green * shade, c.blue * shade};
            if (inJar(x, y)) {
                const bool edge =
                    !inJar(x - 3, y) || !inJar(x + 3, y) || !inJar(x, y - 3) || !inJar(x, y + 3);
                c = edge ? Colour{1.0, 1.0, 1.0} : Colour{0.15 + 0.3 * c.red, 0.2, 0.35};
            }
            line += static_cast<char>(std::lround(c.blue * 255));
            line += static_cast<char>(std::lround(c.green * 255));
            line += static_cast<char>(std::lround(c.red * 255));
        }
        line.resize(static_cast<size_t>(rowSize), '\0');
        out += line;
    }

    std::ofstream file(argv[1], std::ios::binary | std::ios::trunc);
    file.write(out.data(), static_cast<std::streamsize>(out.size()));
    file.close();
    if (!file) {
        std::fprintf(stderr, "draw_logo: cannot write %s\n", argv[1]);
        return 1;
    }
    return 0;
}
