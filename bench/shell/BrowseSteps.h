#pragma once
#include <string>

// Steps of the scripts the benchmarks drive the headless store with on a
// wm65-vga screen (480 x 640), as a person would take them. A step ends
// with a wait until the store is idle (its requests answered, its pictures
// drawn); `idleSeconds` bounds that wait, longer on a slow line.
struct BrowseSteps {
    double idleSeconds = 10;

    std::string Idle() const;
    // From the sign-in screen of a fresh device, once shown, to the main
    // menu with the demo account: the login remembered, the first-run
    // settings accepted.
    std::string SignIn() const;
    // A finger drawn up the list in steps, as a person scrolls; every row
    // that passes the screen is drawn and fetches its icon.
    std::string Drag() const;
    // Enough drags to surely reach the end of a list of `rows` applications.
    std::string ScrollToEnd(int rows) const;
    // The back soft key, `times` times.
    std::string Back(int times) const;
    // A keyword search from the main menu; `field` is the search-in choice
    // to tap, or empty for everywhere.
    std::string Search(const std::string& keyword, const std::string& field) const;
    // A tap on a label, then the wait.
    std::string Tap(const std::string& label) const;
    // A tap on the label that starts so (a row with a count), then the wait.
    std::string TapStart(const std::string& start) const;
};
