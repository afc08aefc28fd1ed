#pragma once
#include <vector>

#include "base/ScopedSubscription.h"
#include "ui/GObject.h"
#include "ui/IKeyControl.h"

struct Touch;

// Five stars showing a rating in half stars (0 to 10). An editable rating
// lets the user pick whole stars: a tap on star i makes the value 2 * (i + 1),
// and under the key highlight Left and Right take one whole star away or add
// one, the steps a tap can give. Enter keeps the value: a tap in the middle
// would pick the third star. Each star is an image with three frames: full,
// half and blank.
class StarRating : public GObject, public IKeyControl {
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

    bool TakesKeys() const override { return !readOnly; }
    bool OnHighlightKey(const Key& key) override;

private:
    void OnStarTouched(shared_ptr<GObject>& star, const Touch& touch);

    int value = 0;
    bool readOnly;
    std::vector<ScopedSubscription> taps;
};
