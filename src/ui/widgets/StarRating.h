#pragma once
#include <vector>

#include "base/ScopedSubscription.h"
#include "ui/GObject.h"

struct Touch;

// Five stars showing a rating in half stars (0 to 10). An editable rating
// lets the user pick whole stars: a tap on star i makes the value 2 * (i + 1),
// and, for a device without a touch screen, it takes the focus: Left and
// Right then take one whole star away or add one, and a light band behind
// the stars shows where the keys go. Each star is an image with three frames:
// full, half and blank.
class StarRating : public GObject {
public:
    enum Frame : int { Full = 0, Half = 1, Blank = 2 };
    static constexpr int kStars = 5;
    static constexpr int kMaxValue = 10;

    // A value outside 0..10 is clamped.
    explicit StarRating(int value, bool readOnly = true);
    ~StarRating() override;

    void SetValue(int value);
    int GetValue() const { return value; }
    bool IsReadOnly() const { return readOnly; }
    // The frame star `index` shows.
    int StarFrame(int index) const;

    void Draw(Surface& surface) override;
    void OnKey(const Key& key) override;

private:
    void OnStarTouched(shared_ptr<GObject>& star, const Touch& touch);

    int value = 0;
    bool readOnly;
    std::vector<ScopedSubscription> taps;
};
