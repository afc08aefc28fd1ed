#pragma once

struct Key;

// A control whose value the arrow keys change while the key highlight is on
// it, or on the row that holds it (a star rating, a switch). Its own parts
// (the stars, the toggler) are never stops of their own.
class IKeyControl {
public:
    virtual ~IKeyControl() = default;
    // False while the control shows a value it does not let anyone change (a
    // read-only rating): it is then no stop at all.
    virtual bool TakesKeys() const { return true; }
    // Left, Right or Enter reached the control through the highlight. True
    // when it used the key; otherwise the key moves the highlight or taps.
    virtual bool OnHighlightKey(const Key& key) = 0;
};
