#include <gtest/gtest.h>

#include <cctype>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "base/Text.h"
#include "ui/ImagePool.h"
#include "ui/Surface.h"

namespace {

namespace fs = std::filesystem;

const fs::path kSourceDir = TOBRIX_SOURCE_DIR;
const fs::path kSkin = kSourceDir / "data" / "skin";
const fs::path kSkinSources = kSourceDir / "data" / "skin-src";

// Bars drawn edge to edge over the cleared frame: a transparent pixel in one
// of them would show white through the title bar or a list row.
const std::set<std::string> kOpaque{"app_bar", "ls", "ls_sel", "sort_mid_sel", "sort_mid_usel"};

// Each test loads through the image pool exactly as the store does, with the
// skin folder as the program folder, and leaves the pool as it found it.
class Skin : public ::testing::Test {
protected:
    void SetUp() override {
        ImagePool& pool = ImagePool::Instance();
        savedBase = pool.GetBaseFolder();
        pool.Clear();
        pool.SetBaseFolder(U16((kSkin / "").string()));
    }
    void TearDown() override {
        ImagePool::Instance().Clear();
        ImagePool::Instance().SetBaseFolder(savedBase);
    }
    static shared_ptr<Surface> Load(const std::string& name) {
        return ImagePool::Instance().GetImage(U16(name + ".png"), ImagePool::NoCache);
    }
    static std::vector<std::string> SkinNames(const fs::path& folder, const std::string& extension) {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(folder))
            if (entry.path().extension() == extension) names.push_back(entry.path().stem().string());
        std::sort(names.begin(), names.end());
        return names;
    }

private:
    std::u16string savedBase;
};

std::string ReadFile(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

// Image names that program text asks the image pool for: every literal that
// is a whole name ending in ".png" ("screenshot FILE.png" in a comment has no
// quotes around it, and "a/b.png" is a path, not a pool name).
std::set<std::string> PngLiteralsUnder(const fs::path& folder) {
    static const std::set<std::string> kSourceExtensions{".cpp", ".h"};
    std::set<std::string> names;
    for (const auto& entry : fs::recursive_directory_iterator(folder)) {
        if (!entry.is_regular_file() || !kSourceExtensions.count(entry.path().extension().string())) continue;
        const std::string text = ReadFile(entry.path());
        for (size_t end = text.find(".png\""); end != std::string::npos; end = text.find(".png\"", end + 1)) {
            size_t begin = end;
            while (begin > 0 && (std::isalnum(static_cast<unsigned char>(text[begin - 1])) || text[begin - 1] == '_'))
                --begin;
            if (begin < end && begin > 0 && text[begin - 1] == '"') names.insert(text.substr(begin, end - begin));
        }
    }
    return names;
}

// An integer attribute of the root element of an SVG source; -1 when absent.
int SvgAttribute(const std::string& svg, const std::string& attribute) {
    const size_t root = svg.find("<svg");
    const size_t close = svg.find('>', root);
    const size_t at = svg.find(" " + attribute + "=\"", root);
    if (root == std::string::npos || at == std::string::npos || at > close) return -1;
    return std::atoi(svg.c_str() + at + attribute.size() + 3);
}

TEST_F(Skin, EveryImageTheCodeAsksForLoads) {
    std::set<std::string> wanted = PngLiteralsUnder(kSourceDir / "src");
    ASSERT_GT(wanted.count("btn") + wanted.count("icon_home"), 1u) << "the scan finds what the code names";
    // The busy animation asks for its frames by number, not by literal.
    for (int i = 0; i < 8; ++i) wanted.insert("load" + std::to_string(i));
    for (const auto& name : wanted) EXPECT_FALSE(Load(name)->IsEmpty()) << name << ".png is missing or unreadable";
}

// Every image is rendered from its source at the source's size (a source
// changed without running scripts/render-skin.sh, or an image left behind by
// a removed source, shows here), and decodes with the alpha it needs.
TEST_F(Skin, EveryImageMatchesItsSourceAndHasTheAlphaItNeeds) {
    const auto names = SkinNames(kSkin, ".png");
    ASSERT_FALSE(names.empty());
    EXPECT_EQ(SkinNames(kSkinSources, ".svg"), names);
    for (const auto& name : names) {
        SCOPED_TRACE(name);
        auto image = Load(name);
        const std::string svg = ReadFile(kSkinSources / (name + ".svg"));
        EXPECT_EQ(image->Width(), SvgAttribute(svg, "width"));
        EXPECT_EQ(image->Height(), SvgAttribute(svg, "height"));
        int transparent = 0, opaque = 0;
        for (int y = 0; y < image->Height(); ++y)
            for (int x = 0; x < image->Width(); ++x) {
                // Without an alpha plane every pixel is opaque.
                const int a = image->HasAlpha() ? image->AlphaAt(x, y) : 255;
                transparent += a == 0;
                opaque += a == 255;
            }
        if (kOpaque.count(name)) {
            EXPECT_EQ(opaque, image->Width() * image->Height());
        } else {
            // Glyphs and rounded controls: clear around the shape, solid inside.
            EXPECT_GT(transparent, 0);
            EXPECT_GT(opaque, 0);
        }
    }
}

TEST_F(Skin, StatesOfOneControlShareOneSize) {
    // A pressed, selected or next-frame image of another size would make the
    // control jump when it changes state.
    const std::vector<std::vector<std::string>> groups{
        {"btn", "btn_sel"},
        {"ls", "ls_sel"},
        {"sort_left_sel", "sort_left_usel", "sort_mid_sel", "sort_mid_usel", "sort_right_sel", "sort_right_usel"},
        {"rate_star", "rate_halfstar", "rate_blankstar"},
        {"switch_bg_on", "switch_bg_off"},
        {"load0", "load1", "load2", "load3", "load4", "load5", "load6", "load7"},
    };
    for (const auto& group : groups) {
        auto first = Load(group[0]);
        ASSERT_FALSE(first->IsEmpty()) << group[0];
        for (const auto& name : group) {
            auto image = Load(name);
            EXPECT_EQ(image->Width(), first->Width()) << name;
            EXPECT_EQ(image->Height(), first->Height()) << name;
        }
    }
}

TEST_F(Skin, StretchedImagesKeepRoundCornersOnBothProfiles) {
    // Sizes the layouts give these images on a 176x220 screen with a 12-pixel
    // font and on a 480x640 screen with a 24-pixel font.
    struct Case {
        std::string name;
        int width, height;
    };
    const std::vector<Case> cases{
        {"btn", 55, 24},          {"btn", 150, 48},         {"btn_sel", 55, 24},      {"btn_sel", 150, 48},
        {"edit", 168, 24},        {"edit", 464, 48},        {"dialog", 176, 110},     {"dialog", 480, 320},
        {"progress", 160, 20},    {"progress", 440, 40},    {"sort_left_sel", 29, 24}, {"sort_left_usel", 80, 48},
        {"sort_right_sel", 29, 24}, {"sort_right_usel", 80, 48}, {"switch_bg_on", 72, 24}, {"switch_bg_off", 144, 48},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name + " at " + std::to_string(c.width) + "x" + std::to_string(c.height));
        auto scaled = Load(c.name)->GetScaled(c.width, c.height);
        ASSERT_EQ(scaled->Width(), c.width);
        ASSERT_TRUE(scaled->HasAlpha());
        const int corner = std::min(scaled->AlphaAt(0, 0), scaled->AlphaAt(c.width - 1, 0));
        EXPECT_LT(corner, 128);
        EXPECT_EQ(scaled->AlphaAt(c.width / 2, c.height / 2), 255);
    }
}

}  // namespace
