#include "GalleryScenes.h"

#include <algorithm>

#include "base/Text.h"
#include "platform/text/DeviceContext.h"
#include "ui/FontManager.h"
#include "ui/app/MenuBar.h"
#include "ui/layouts/AppListItemLayout.h"
#include "ui/layouts/HorizontRadioLayout.h"
#include "ui/layouts/ItemBuilders.h"
#include "ui/layouts/LayoutMetrics.h"
#include "ui/layouts/ListLayout.h"
#include "ui/layouts/SimpleHeaderLayout.h"
#include "ui/layouts/SwitchItemLayout.h"
#include "ui/layouts/TableLayout.h"
#include "ui/layouts/TreeItemLayout.h"
#include "ui/layouts/TwoStageTreeItemLayout.h"
#include "ui/scenes/PopupBox.h"
#include "ui/scenes/SceneHost.h"
#include "ui/scenes/SceneLayout.h"
#include "ui/scenes/SingleLayout.h"
#include "ui/widgets/SkinFactory.h"
#include "ui/widgets/StarRating.h"
#include "ui/widgets/Switch.h"
#include "ui/widgets/WidgetTypes.h"

namespace gallery {
namespace {

constexpr int kBold = 600;
constexpr int kRegular = 400;
constexpr uint32_t kText = 0x202020;
constexpr uint32_t kGrey = 0x707070;
constexpr uint32_t kGreen = 0x2E8B2E;  // GDI order: a blue-ish green reads as "installed"
constexpr uint8_t kSeparator[3] = {0xD0, 0xD4, 0xDA};

int F() { return LayoutMetrics::Get().fontUnit; }
int U() { return LayoutMetrics::Get().Half(); }

shared_ptr<widgets::Label> AddLabel(GObject& parent, const std::u16string& text, uint32_t colour, int weight,
                                    int height, uint32_t align = widgets::Label::Left, int id = -1) {
    shared_ptr<widgets::Label> label(new widgets::Label());
    label->SetText(text);
    label->SetColor(colour);
    label->SetFont(FontManager::Instance().GetFont(weight, height));
    label->SetAlign(align, widgets::Label::Middle);
    parent.AddChild(label, id);
    return label;
}

shared_ptr<widgets::Image> AddImage(GObject& parent, const std::u16string& name, bool stretch, int id = -1) {
    shared_ptr<widgets::Image> image(new widgets::Image());
    image->AddImageState(0, SkinFactory::SkinImage(name));
    image->SetStretch(stretch);
    image->SetAlign(widgets::Image::Centre, widgets::Image::Centre);
    image->SetImageState(0);
    parent.AddChild(image, id);
    return image;
}

// A scroll view filling `body`, its content laid out as a list.
shared_ptr<widgets::ScrollView> AddScroller(GObject& body, int itemHeight, std::set<int> shortRows = {}) {
    shared_ptr<widgets::ScrollView> view(new widgets::ScrollView());
    view->SetBarWidth(std::max(4, F() / 3));
    // One pixel high: a list measures its height only once it has some.
    view->GetContent()->SetSize(1, 1);
    view->GetContent()->SetLayout(shared_ptr<Layout>(new ListLayout(itemHeight, std::move(shortRows))));
    body.AddChild(view);
    body.SetLayout(shared_ptr<Layout>(new SingleLayout(SingleLayout::Start, SingleLayout::Start, true)));
    return view;
}

// A form filling `body`: its height follows its rows, so it sits on the
// body rather than being the body.
shared_ptr<GObject> AddForm(GObject& body) {
    shared_ptr<GObject> form(new GObject());
    body.AddChild(form);
    body.SetLayout(shared_ptr<Layout>(new SingleLayout(SingleLayout::Start, SingleLayout::Start, true)));
    return form;
}

// `cells` in the order the children were added to `form`.
void FormLayout(GObject& form, std::vector<TableLayout::Cell> cells, int rowHeight) {
    form.SetLayout(shared_ptr<Layout>(new TableLayout(std::move(cells), U(), rowHeight)));
}

int NaturalWidth(const std::u16string& text, int weight, int height) {
    platform::text::DeviceContext dc;
    dc.SelectFont(FontManager::Instance().GetFont(weight, height));
    platform::text::TextRect r{0, 0, 10000, height * 2};
    dc.DrawText(text, r, platform::text::kCalcRect | 0x900);
    return r.right - r.left;
}

// Skin icons are drawn for the dense screens; on a coarse one they are larger
// than the square a row or bar gives them and would be cut, so they shrink.
void FitIcon(GObject& parent, int id) {
    shared_ptr<GObject> child;
    if (parent.FindChildById(id, child))
        if (auto* icon = dynamic_cast<widgets::Image*>(child.get())) icon->SetStretch(true);
}

void AddTitleBar(GObject& root, const std::u16string& title) {
    auto bar = SkinFactory::CreateTitleBar(root, {title}, F(), SceneLayout::TopBar);
    FitIcon(*bar, SkinFactory::HomeIconId);
    bar->SetLayout(shared_ptr<Layout>(new SimpleHeaderLayout(0, 0, NaturalWidth(title, kBold, F()), F() / 3)));
}

// --- The pages ----------------------------------------------------------------

void ButtonsAndLinks(Page&, GObject& body) {
    const int f = F();
    shared_ptr<GObject> form = AddForm(body);
    SkinFactory::CreateButton(*form, u"Install", f);
    SkinFactory::CreateButton(*form, u"Cancel", f);
    SkinFactory::CreateButton(*form, u"Write a review", f);
    AddLabel(*form, u"Sort by", kGrey, kRegular, f);
    auto sort = SkinFactory::CreateSortSelector(*form, {u"Name", u"Rating", u"Date"}, 1, f);
    sort->SetLayout(shared_ptr<Layout>(new HorizontRadioLayout()));
    AddLabel(*form, u"Links open the browser when tapped:", kGrey, kRegular, f);
    Scene::AddLink(form, u"Visit the developer's site", u"http://developer.invalid/", 0);
    Scene::AddLink(form, u"Privacy policy", u"http://developer.invalid/privacy", 0);
    FormLayout(*form,
               {{0, 0.5, 1}, {0, 0.5, 1}, {1, 0.8, 1}, {2, 1.0, 1}, {3, 1.0, 1}, {4, 1.0, 1}, {5, 1.0, 1},
                {6, 1.0, 1}},
               2 * f + U());
}

void TextBoxes(Page&, GObject& body) {
    const int f = F();
    shared_ptr<GObject> form = AddForm(body);
    auto caption = [&](const char16_t* text) { AddLabel(*form, text, kGrey, kRegular, f); };
    caption(u"Placeholder");
    auto empty = SkinFactory::CreateTextBox(*form, widgets::TextBox::Left, f);
    empty->SetPlaceholder(u"Search applications");
    caption(u"Text");
    auto text = SkinFactory::CreateTextBox(*form, widgets::TextBox::Left, f);
    text->SetText(u"Weather for travellers");
    caption(u"Password");
    auto password = SkinFactory::CreateTextBox(*form, widgets::TextBox::Left, f);
    password->SetPassword(true);
    password->SetText(u"secret");
    caption(u"Numeric");
    auto number = SkinFactory::CreateTextBox(*form, widgets::TextBox::Right, f);
    number->SetNumeric(true);
    number->SetText(u"12.5");
    std::vector<TableLayout::Cell> cells;
    for (int row = 0; row < 4; ++row) {
        cells.push_back({row, 0.34, 1});
        cells.push_back({row, 0.66, 1});
    }
    FormLayout(*form, cells, 2 * f + U());
}

void TreeRows(Page&, GObject& body) {
    const int f = F();
    auto view = AddScroller(body, 3 * f + f / 2, {0, 5});
    GObject& list = *view->GetContent();
    AddLabel(list, u"  Catalog", kGrey, kBold, f);
    const std::pair<const char16_t*, const char16_t*> rows[] = {
        {u"Categories", u"icon_cats.png"}, {u"New", u"icon_new.png"}, {u"Top", u"icon_top.png"},
        {u"My applications", u"icon_myapps.png"}};
    for (const auto& [text, icon] : rows) {
        auto row = SkinFactory::CreateListRow(list, kSeparator[0], kSeparator[1], kSeparator[2]);
        ItemBuilders::TreeItem(row, text, icon, u"more_arrow.png");
        FitIcon(*row, TreeItemLayout::Icon);
        if (std::u16string(text) == u"My applications") {
            auto badge = AddImage(*row, u"bubble.png", true, TreeItemLayout::Badge);
            AddLabel(*badge, u"3", 0xFFFFFF, kBold, f, widgets::Label::Centre);
            badge->SetLayout(shared_ptr<Layout>(new SingleLayout(SingleLayout::Start, SingleLayout::Start, true)));
        }
    }
    AddLabel(list, u"  Two-line rows", kGrey, kBold, f);
    const std::pair<const char16_t*, const char16_t*> detailed[] = {
        {u"Operating system", u"Windows Mobile 6.5"}, {u"Screen", u"480 x 640"}, {u"Language", u"English"}};
    const char16_t* icons[] = {u"icon_settings_os.png", u"icon_settings_screen.png", u"icon_settings_lang.png"};
    for (int i = 0; i < 3; ++i) {
        auto row = SkinFactory::CreateListRow(list, kSeparator[0], kSeparator[1], kSeparator[2]);
        ItemBuilders::TwoStageItem(row, detailed[i].first, detailed[i].second, icons[i], u"more_arrow.png");
        FitIcon(*row, TwoStageTreeItemLayout::Icon);
    }
}

void AppListPage(Page&, GObject& body) {
    AddAppList(body, SampleApps(12));
    body.SetLayout(shared_ptr<Layout>(new SingleLayout(SingleLayout::Start, SingleLayout::Start, true)));
}

void Switches(Page& page, GObject& body) {
    const int f = F();
    auto view = AddScroller(body, 3 * f + f / 2);
    GObject& list = *view->GetContent();
    const std::pair<const char16_t*, const char16_t*> rows[] = {
        {u"Wi-Fi", u"icon_settings_wifi.png"},         {u"Bluetooth", u"icon_settings_bt.png"},
        {u"GPS", u"icon_settings_gps.png"},            {u"Camera", u"icon_settings_camera.png"},
        {u"Phone", u"icon_settings_phone.png"},        {u"Accelerometer", u"icon_settings_accel.png"}};
    bool on = true;
    for (const auto& [text, icon] : rows) {
        auto row = SkinFactory::CreateListRow(list, kSeparator[0], kSeparator[1], kSeparator[2]);
        ItemBuilders::SwitchRow(row, text, icon);
        FitIcon(*row, SwitchItemLayout::Icon);
        shared_ptr<Switch> toggle(new Switch(*row, u"ON", u"OFF", SwitchItemLayout::Switch));
        toggle->SetOn(on);
        on = !on;
        page.Keep(toggle);
    }
}

void PopupPage(Page&, GObject& body) {
    AddAppList(body, SampleApps(6));
    body.SetLayout(shared_ptr<Layout>(new SingleLayout(SingleLayout::Start, SingleLayout::Start, true)));
}

void Busy(Page&, GObject& body) {
    const int f = F();
    shared_ptr<GObject> group(new GObject());
    shared_ptr<widgets::LoadingAnimation> spinner(new widgets::LoadingAnimation());
    for (int i = 0; i < 8; ++i)
        spinner->AddFrame(SkinFactory::SkinImage(u"load" + std::u16string(1, static_cast<char16_t>(u'0' + i)) + u".png"));
    spinner->SetImageState(0, true);
    if (LayoutMetrics::Get().DoublesImages()) {  // as large to the eye as on a coarse screen
        spinner->SetStretch(true);
        spinner->SetSize(2 * spinner->Width(), 2 * spinner->Height());
    }
    spinner->SetPosition((8 * f - spinner->Width()) / 2, 0);
    group->AddChild(spinner);
    auto label = AddLabel(*group, u"Loading...", kText, kBold, f, widgets::Label::Centre);
    label->SetRect(Rect(0, spinner->Height() + f / 2, 8 * f, 2 * f));
    group->SetSize(8 * f, spinner->Height() + f / 2 + 2 * f);
    body.AddChild(group);
    body.SetLayout(shared_ptr<Layout>(new SingleLayout(SingleLayout::Centre, SingleLayout::Centre, false)));
    spinner->Play(true);
}

void TableForm(Page&, GObject& body) {
    const int f = F();
    GObject& form = *AddForm(body);
    const char16_t* fields[] = {u"Login", u"Password", u"Repeat", u"E-mail"};
    std::vector<TableLayout::Cell> cells;
    AddLabel(form, u"Create an account", kText, kBold, f * 5 / 4, widgets::Label::Centre);
    cells.push_back({0, 1.0, 1});
    int row = 1;
    for (const char16_t* field : fields) {
        AddLabel(form, field, kText, kRegular, f);
        auto box = SkinFactory::CreateTextBox(form, widgets::TextBox::Left, f);
        if (row == 2 || row == 3) box->SetPassword(true);
        if (row == 1) box->SetText(u"traveller");
        if (row == 2 || row == 3) box->SetText(u"abcdef");
        if (row == 4) box->SetPlaceholder(u"name@example.com");
        cells.push_back({row, 0.3, 1});
        cells.push_back({row, 0.7, 1});
        ++row;
    }
    SkinFactory::CreateButton(form, u"Register", f);
    cells.push_back({row, 0.6, 1});
    FormLayout(form, cells, 2 * f + U());
}

}  // namespace

// --- The application list -------------------------------------------------------

int AppRowHeight() {
    const LayoutMetrics& m = LayoutMetrics::Get();
    return m.iconSize + m.fontUnit * 3 / 2 + 3 * m.Half();
}

std::vector<AppRowData> SampleApps(int count) {
    static const char16_t* const names[] = {u"Sky Atlas", u"Pocket Ledger", u"Tram Times", u"Word Quest",
                                            u"Travel Phrasebook", u"Night Radio", u"Tide Tables", u"Chess Club",
                                            u"Recipe Box", u"Unit Converter"};
    static const char16_t* const vendors[] = {u"Northwind Labs", u"Blue Harbor", u"Quill & Co", u"Small Hours"};
    static const char16_t* const prices[] = {u"Free", u"$2.99", u"$0.99", u"$4.99", u"Free"};
    std::vector<AppRowData> apps;
    for (int i = 0; i < count; ++i) {
        AppRowData a;
        a.name = names[i % 10];
        if (i >= 10) a.name += u" " + std::u16string(1, static_cast<char16_t>(u'A' + (i / 10) % 26));
        a.vendor = vendors[i % 4];
        a.price = prices[i % 5];
        a.rating = (i * 7 + 3) % 11;
        a.votes = a.rating == 0 ? 0 : 5 + (i * 37) % 400;
        a.installed = i % 6 == 2;
        apps.push_back(a);
    }
    return apps;
}

shared_ptr<GObject> AddAppList(GObject& parent, const std::vector<AppRowData>& apps) {
    const LayoutMetrics& m = LayoutMetrics::Get();
    const int f = m.fontUnit, u = m.Half(), sh = f * 3 / 2;
    auto view = AddScroller(parent, AppRowHeight());
    GObject& list = *view->GetContent();
    const shared_ptr<Surface> arrow = SkinFactory::SkinImage(u"more_arrow.png");
    const int scale = m.DoublesImages() ? 2 : 1;
    for (const AppRowData& app : apps) {
        auto row = SkinFactory::CreateListRow(list, kSeparator[0], kSeparator[1], kSeparator[2]);
        AddImage(*row, app.installed ? u"icon.png" : u"deficon.png", true, AppListItemLayout::Icon);
        AddLabel(*row, app.name, kText, kBold, f, widgets::Label::Left, AppListItemLayout::Name);
        AddLabel(*row, app.vendor, kGrey, kRegular, f * 7 / 8, widgets::Label::Left, AppListItemLayout::SecondLine);
        AddLabel(*row, app.price, kText, kBold, f * 7 / 8, widgets::Label::Right, AppListItemLayout::Price);
        AddImage(*row, u"more_arrow.png", scale != 1, AppListItemLayout::Arrow);
        if (app.votes > 0) {
            row->AddChild(shared_ptr<GObject>(new StarRating(app.rating)), AppListItemLayout::Stars);
            AddLabel(*row, u"(" + text::ToU16(static_cast<int64_t>(app.votes)) + u")", kGrey, kRegular, f * 7 / 8,
                     widgets::Label::Left, AppListItemLayout::VoteCount);
        }
        if (app.installed)
            AddLabel(*row, u"Installed", kGreen, kBold, f * 7 / 8, widgets::Label::Right,
                     AppListItemLayout::InstalledState);
        row->SetLayout(shared_ptr<Layout>(new AppListItemLayout(u, arrow->Width() * scale, arrow->Height() * scale,
                                                                app.votes > 0 ? 5 * sh : 0, sh)));
    }
    return view;
}

// --- Page -------------------------------------------------------------------------

Page::Page(SceneHost* host, std::u16string title, Filler fill, bool asksQuestion)
    : Scene(host), title(std::move(title)), fill(std::move(fill)), asksQuestion(asksQuestion) {}

void Page::Build(const shared_ptr<GObject>& root) {
    shared_ptr<widgets::ColorBar> body(new widgets::ColorBar());
    body->SetFillColor(0xF4, 0xF5, 0xF7);
    root->AddChild(body, SceneLayout::Body);
    AddTitleBar(*root, title);
    fill(*this, *body);
}

void Page::UpdateMenuBar(const shared_ptr<GObject>&) {
    host->GetSoftKeys().SetSoftKey(0, u"Back");
    host->GetSoftKeys().SetSoftKey(1, u"Next");
}

void Page::OnShown() {
    if (!asksQuestion || host->GetPopupBox().IsOpen()) return;
    host->GetPopupBox().Show(u"Remove application",
                             u"Sky Atlas and the maps it downloaded will be removed from the device. "
                             u"You can install it again from the catalog at any time.",
                             u"Remove", u"Keep");
}

std::string Page::Slug() const {
    std::string out;
    for (char16_t c : title) {
        if ((c >= u'a' && c <= u'z') || (c >= u'0' && c <= u'9')) out += static_cast<char>(c);
        else if (c >= u'A' && c <= u'Z') out += static_cast<char>(c - u'A' + 'a');
        else if (!out.empty() && out.back() != '-') out += '-';
    }
    while (!out.empty() && out.back() == '-') out.pop_back();
    return out;
}

std::vector<shared_ptr<Page>> AllPages(SceneHost* host) {
    return {shared_ptr<Page>(new Page(host, u"Buttons and links", ButtonsAndLinks)),
            shared_ptr<Page>(new Page(host, u"Text boxes", TextBoxes)),
            shared_ptr<Page>(new Page(host, u"Lists", TreeRows)),
            shared_ptr<Page>(new Page(host, u"Applications", AppListPage)),
            shared_ptr<Page>(new Page(host, u"Switches", Switches)),
            shared_ptr<Page>(new Page(host, u"Popup box", PopupPage, true)),
            shared_ptr<Page>(new Page(host, u"Busy", Busy)),
            shared_ptr<Page>(new Page(host, u"Table form", TableForm))};
}

}  // namespace gallery
