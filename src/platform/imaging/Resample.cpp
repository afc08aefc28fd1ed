#include <algorithm>
#include <cmath>

#include "platform/imaging/Bitmap.h"

namespace platform::imaging {

namespace {

// For each output index, the first source index and the weights of the
// source samples it is made of (summing to 1).
struct Taps {
    std::vector<int32_t> first;
    std::vector<int32_t> count;
    std::vector<float> weights;  // count[i] entries per output index, packed
    std::vector<size_t> offset;
};

// Area averaging when shrinking: every output sample is the mean of the
// source interval it covers, so no source pixel is skipped. Bilinear when
// growing (or keeping) the size, with pixel centres aligned.
Taps MakeTaps(int32_t sourceSize, int32_t size) {
    Taps t;
    const double scale = static_cast<double>(sourceSize) / size;
    for (int32_t i = 0; i < size; ++i) {
        t.offset.push_back(t.weights.size());
        if (size < sourceSize) {
            double lo = i * scale, hi = (i + 1) * scale;
            int32_t a = static_cast<int32_t>(std::floor(lo));
            int32_t b = std::min(sourceSize, static_cast<int32_t>(std::ceil(hi)));
            t.first.push_back(a);
            t.count.push_back(b - a);
            for (int32_t k = a; k < b; ++k) {
                double overlap = std::min<double>(hi, k + 1) - std::max<double>(lo, k);
                t.weights.push_back(static_cast<float>(overlap / scale));
            }
        } else {
            double centre = (i + 0.5) * scale - 0.5;
            centre = std::clamp(centre, 0.0, static_cast<double>(sourceSize - 1));
            int32_t a = static_cast<int32_t>(std::floor(centre));
            double f = centre - a;
            if (a + 1 >= sourceSize || f <= 0.0) {
                t.first.push_back(a);
                t.count.push_back(1);
                t.weights.push_back(1.0f);
            } else {
                t.first.push_back(a);
                t.count.push_back(2);
                t.weights.push_back(static_cast<float>(1.0 - f));
                t.weights.push_back(static_cast<float>(f));
            }
        }
    }
    return t;
}

}  // namespace

Bitmap Resample(const Bitmap& source, int32_t width, int32_t height) {
    Bitmap out;
    if (source.IsEmpty() || width <= 0 || height <= 0 || !WithinLimits(width, height, DecodeLimits{}))
        return out;
    const int32_t sw = source.width, sh = source.height;
    const Taps tx = MakeTaps(sw, width), ty = MakeTaps(sh, height);

    // Horizontal pass into premultiplied floats (width x source height).
    std::vector<float> mid(static_cast<size_t>(width) * sh * 4, 0.0f);
    for (int32_t y = 0; y < sh; ++y) {
        const uint8_t* row = &source.rgba[static_cast<size_t>(y) * sw * 4];
        float* dst = &mid[static_cast<size_t>(y) * width * 4];
        for (int32_t x = 0; x < width; ++x, dst += 4) {
            const float* w = &tx.weights[tx.offset[x]];
            for (int32_t k = 0; k < tx.count[x]; ++k) {
                const uint8_t* p = row + static_cast<size_t>(tx.first[x] + k) * 4;
                float a = p[3] * w[k];
                dst[0] += p[0] * a;
                dst[1] += p[1] * a;
                dst[2] += p[2] * a;
                dst[3] += a;
            }
        }
    }
    // Vertical pass, then back to straight 8-bit colour.
    out.width = width;
    out.height = height;
    out.hasAlpha = source.hasAlpha;
    out.rgba.assign(static_cast<size_t>(width) * height * 4, 0);
    std::vector<float> acc(static_cast<size_t>(width) * 4);
    for (int32_t y = 0; y < height; ++y) {
        std::fill(acc.begin(), acc.end(), 0.0f);
        const float* w = &ty.weights[ty.offset[y]];
        for (int32_t k = 0; k < ty.count[y]; ++k) {
            const float* src = &mid[static_cast<size_t>(ty.first[y] + k) * width * 4];
            for (size_t i = 0; i < acc.size(); ++i) acc[i] += src[i] * w[k];
        }
        uint8_t* dst = &out.rgba[static_cast<size_t>(y) * width * 4];
        for (int32_t x = 0; x < width; ++x, dst += 4) {
            const float* a = &acc[static_cast<size_t>(x) * 4];
            float alpha = a[3];
            dst[3] = static_cast<uint8_t>(std::clamp(std::lround(alpha), 0L, 255L));
            if (alpha > 0.0f)
                for (int c = 0; c < 3; ++c)
                    dst[c] = static_cast<uint8_t>(std::clamp(std::lround(a[c] / alpha), 0L, 255L));
        }
    }
    return out;
}

}  // namespace platform::imaging
