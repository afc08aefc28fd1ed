#include "screens/AppRowBuilder.h"

#include <cmath>

#include "apps/AppManager.h"
#include "base/Text.h"
#include "i18n/Localization.h"
#include "screens/ScreenParts.h"
#include "ui/layouts/AppListItemLayout.h"
#include "ui/layouts/LayoutMetrics.h"
#include "ui/widgets/SkinFactory.h"
#include "ui/widgets/StarRating.h"
#include "ui/widgets/TRemoteImage.h"

namespace {

constexpr uint32_t kGrey = 0x787878;  // RGB(120, 120, 120) as a GDI colour
constexpr uint32_t kName = 0x202020;
constexpr uint8_t kLineGrey = 0xDC;

using L = AppListItemLayout;

// The catalog's icon when it names one; else the installed program's own
// icon; else the default. A catalog icon is fetched only once its row is
// first drawn.
shared_ptr<GObject> NewIcon(const App& app) {
    shared_ptr<widgets::RemoteImage> icon(new widgets::RemoteImage());
    icon->SetStretch(true);
    if (!app.icon.empty()) {
        icon->SetUrl(app.icon);
        return icon;
    }
    const std::u16string exe = AppManager::Instance().FindExecutable(app.sysid, app.exe);
    if (!exe.empty()) {
        icon->SetLocalPath(exe);
        return icon;
    }
    icon->AddImageState(0, SkinFactory::SkinImage(u"deficon.png"));
    icon->SetImageState(0);
    return icon;
}

shared_ptr<GObject> NewStars(int halfStars) { return shared_ptr<GObject>(new StarRating(halfStars, true)); }

}  // namespace

int AppRowBuilder::HalfStars(double rate) {
    const double doubled = std::floor(rate * 2.0 + 0.5);
    if (!(doubled > 0.0)) return 0;  // negative, zero and not-a-number alike
    return doubled >= 10.0 ? 10 : static_cast<int>(doubled);
}

int32_t AppRowBuilder::PriceString(const std::u16string& type) {
    if (type == u"free") return 12008;
    if (type == u"trial") return 12009;
    if (type == u"demo") return 12010;
    return 0;
}

std::u16string AppRowBuilder::VotesText(int32_t rates) {
    if (rates == 0) return Localization::Instance().Text(7000);
    return u"(" + text::ToU16(rates) + u")";
}

int32_t AppRowBuilder::InstalledString(const App& app) {
    AppManager& manager = AppManager::Instance();
    if (app.sysid.empty() || !manager.IsInstalled(app.sysid)) return 0;
    // A package installed by other means has revision 0: the catalog's
    // version is offered over it, as its details and My applications do.
    return app.revision > manager.GetRevision(app.sysid) ? 7001 : 7002;
}

shared_ptr<widgets::RowButton> AppRowBuilder::Build(GObject& list, const App& app, bool compact) {
    auto row = SkinFactory::CreateListRow(list, kLineGrey, kLineGrey, kLineGrey);
    Fill(*row, app, compact);
    return row;
}

void AppRowBuilder::Fill(widgets::RowButton& rowObject, const App& app, bool compact) {
    widgets::RowButton* row = &rowObject;
    const int f = ScreenParts::FontUnit();
    const int u = f / 2;
    const int starsHeight = f * 3 / 2;
    const int starsWidth = app.rates >= 1 ? 5 * starsHeight : 0;
    const Point arrow = app.inCatalog ? ScreenParts::ArrowSize(u"more_arrow.png") : Point{0, 0};
    row->AddChild(NewIcon(app), L::Icon);
    auto name = ScreenParts::NewLabel(app.name, 600, f * 5 / 4, kName, widgets::Label::Left);
    row->AddChild(name, L::Name);
    row->AddChild(ScreenParts::NewLabel(app.company, 400, f, kGrey, widgets::Label::Left), L::SecondLine);
    if (compact) {
        row->AddChild(shared_ptr<GObject>(new GObject()), L::Holder);
    } else {
        if (const int32_t price = PriceString(app.type))
            row->AddChild(ScreenParts::NewLabel(Localization::Instance().Text(price), 400, f, kGrey,
                                                widgets::Label::Right),
                          L::Price);
        row->AddChild(ScreenParts::NewLabel(VotesText(app.rates), 400, f, kGrey, widgets::Label::Left), L::VoteCount);
        if (const int32_t state = InstalledString(app))
            row->AddChild(ScreenParts::NewLabel(Localization::Instance().Text(state), 400, f, kGrey,
                                                widgets::Label::Right),
                          L::InstalledState);
        if (app.rates >= 1) row->AddChild(NewStars(HalfStars(app.rate)), L::Stars);
    }
    if (app.inCatalog) row->AddChild(ScreenParts::NewImage(u"more_arrow.png", true), L::Arrow);
    row->SetLayout(shared_ptr<Layout>(new AppListItemLayout(u, arrow.x, arrow.y, starsWidth, starsHeight)));
}
