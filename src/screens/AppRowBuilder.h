#pragma once
#include <cstdint>
#include <string>

#include "net/App.h"
#include "ui/widgets/WidgetTypes.h"

// Builds the row of one application, as every application list shows it:
// icon, name, company, price, rating and votes, installed state and the
// arrow to its details. A compact row (the My applications screen) keeps an
// empty holder (id 30) in place of rating, price and state, for its caller.
class AppRowBuilder {
public:
    static shared_ptr<widgets::RowButton> Build(GObject& list, const App& app, bool compact);
    // Fills an empty row (or one emptied to show a record that has since
    // been completed) the way Build does.
    static void Fill(widgets::RowButton& row, const App& app, bool compact);

    // Half stars for an average rating: twice the rating to the nearest
    // whole number, halves going up, kept within 0..10.
    static int HalfStars(double rate);
    // String number of the price label, 0 for none.
    static int32_t PriceString(const std::u16string& type);
    // "No ratings yet" for none, else the count in parentheses.
    static std::u16string VotesText(int32_t rates);
    // String number of the installed state, 0 when the application is not
    // installed: an update when the catalog's revision is newer than the
    // one installed (0 for a package the store did not install).
    static int32_t InstalledString(const App& app);
};
