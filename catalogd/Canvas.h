#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace catalogd {

struct Rgba {
    uint8_t r = 0, g = 0, b = 0, a = 255;
};

// Colour from hue (degrees), saturation and value (0..1).
Rgba FromHsv(double hue, double saturation, double value, uint8_t alpha = 255);

// A small RGBA drawing surface for the sample catalog's pictures. Shapes are
// blended source-over with anti-aliased edges (4x4 samples per pixel).
class Canvas {
public:
    Canvas(int width, int height, Rgba fill = {0, 0, 0, 0});

    int Width() const { return width; }
    int Height() const { return height; }
    const std::vector<uint8_t>& Pixels() const { return pixels; }
    Rgba At(int x, int y) const;

    void FillRect(int x, int y, int w, int h, Rgba colour);
    void FillRoundRect(double x, double y, double w, double h, double radius, Rgba colour);
    void FillCircle(double cx, double cy, double radius, Rgba colour);
    void VerticalGradient(int x, int y, int w, int h, Rgba top, Rgba bottom);
    // Keeps only what lies inside the rounded rectangle (icon outlines).
    void ClipRoundRect(double x, double y, double w, double h, double radius);

private:
    void Blend(int x, int y, Rgba c, double coverage);
    template <typename Inside>
    void FillShape(double x0, double y0, double x1, double y1, Rgba colour, Inside inside);

    int width;
    int height;
    std::vector<uint8_t> pixels;
};

// Encoders; both write exactly the same bytes for the same pixels.
std::string EncodePng(const Canvas& canvas);
std::string EncodeJpeg(const Canvas& canvas, int quality);

}  // namespace catalogd
