#pragma once
#include <cstdint>
#include <vector>

#include "base/shared_ptr.h"

// The key frames of one animated value: (state, value) pairs with strictly
// increasing states; the values in between come from the subclass's curve.
template <class T>
class Interpolator : public shared_object {
public:
    struct KeyFrame {
        int32_t state;
        T value;
        int32_t gap;  // state minus the previous key's state (0 for the first)
    };

    ~Interpolator() override = default;
    // The value between key i and key i + 1 at state t.
    virtual T Interpolate(size_t i, size_t next, int32_t t) const = 0;

    // Ignored for a negative state or one not after the last key.
    void AddKey(int32_t state, T value) {
        if (state < 0 || (!keys.empty() && state <= keys.back().state)) return;
        int32_t gap = keys.empty() ? 0 : state - keys.back().state;
        keys.push_back(KeyFrame{state, value, gap});
    }
    void ClearKeys() { keys.clear(); }
    size_t KeyCount() const { return keys.size(); }
    // Number of states a chain derives from these keys.
    int32_t StateCount() const { return keys.empty() ? 0 : keys.back().state + 1; }

    // States at or beyond the last key hold the last value; a state before
    // the first key (which chains always put at state 0) is extrapolated
    // from the first two keys.
    T ValueAt(int32_t t) const {
        if (keys.empty()) return T();
        if (keys.size() == 1) return keys[0].value;
        size_t i = 0;
        while (i + 1 < keys.size() && t >= keys[i + 1].state) ++i;
        if (i + 1 >= keys.size()) return keys.back().value;
        if (t == keys[i].state) return keys[i].value;
        return Interpolate(i, i + 1, t);
    }

protected:
    double Progress(size_t i, size_t next, int32_t t) const {
        return static_cast<double>(t - keys[i].state) / keys[next].gap;
    }
    std::vector<KeyFrame> keys;
};

template <class T>
class LinearInterpolator;

template <>
class LinearInterpolator<int> : public Interpolator<int> {
public:
    int Interpolate(size_t i, size_t next, int32_t t) const override {
        double u = Progress(i, next, t);
        return static_cast<int>(keys[i].value + (keys[next].value - keys[i].value) * u);
    }
};

template <class T>
class CubicInterpolator;

// Smooth start and stop (Hermite with zero slopes at both keys).
template <>
class CubicInterpolator<int> : public Interpolator<int> {
public:
    int Interpolate(size_t i, size_t next, int32_t t) const override {
        double u = Progress(i, next, t);
        double u2 = u * u, u3 = u2 * u;
        return static_cast<int>((2.0 * u3 - 3.0 * u2 + 1.0) * keys[i].value + (3.0 * u2 - 2.0 * u3) * keys[next].value);
    }
};
