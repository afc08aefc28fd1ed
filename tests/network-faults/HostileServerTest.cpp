// Every catalog method the store calls, answered by a broken service, through
// the screen a person uses for it: the store shows the no-answer message, the
// unreadable-answer message or the answer's own code, never crashes and never
// waits past the transport's limits.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <filesystem>
#include <functional>
#include <memory>

#include "support/CatalogServer.h"
#include "support/StoreHarness.h"
#include "support/TamperingRelay.h"
#include "apps/AppManager.h"
#include "core/Kestrum.h"
#include "i18n/Localization.h"
#include "net/ApiMethods.h"
#include "net/InetManager.h"
#include "net/NetServices.h"
#include "net/XMLResponse.h"
#include "platform/device/DeviceRoot.h"
#include "screens/AppDetailsScene.h"
#include "screens/AppsScene.h"
#include "screens/CatsScene.h"
#include "screens/ChooseTagsScene.h"
#include "screens/FeedbackScene.h"
#include "screens/MainMenuScene.h"
#include "screens/MakeReviewScene.h"
#include "screens/RestorePasswordScene.h"
#include "screens/ReviewsScene.h"
#include "screens/SearchScene.h"
#include "ui/app/MenuBar.h"
#include "ui/widgets/StarRating.h"

namespace {

constexpr int32_t kChatLink = 10;
constexpr int32_t kWebReader = 9;

class HostileStore;

struct MethodCase {
    const char* method;
    // Does what makes the screen ask; the store then settles.
    std::function<void(HostileStore&)> ask;
    // The size query asks before a confirmation: a broken answer leaves its
    // size out of the question instead of showing an error.
    bool sizeQuery = false;
};

void PrintTo(const MethodCase& c, std::ostream* out) { *out << c.method; }

using Answer = TamperingRelay::Answer;

// How a broken service answers (a status set answers without the catalog),
// and what the user must be told for it.
struct Fault {
    const char* name;
    void (*spoil)(Answer&);
    int32_t code;
    bool arrives;  // a whole body reaches the store
    bool quiet;    // the line goes silent: only the transport's limits end it
};

const std::string kEnvelope = "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<kestrum-api>";
constexpr int32_t kOwnCode = 207;

const Fault kFaults[] = {
    {"an HTML error page (500)",
     [](Answer& a) {
         a.status = 500;
         a.contentType = "text/html";
         a.body = "<html><head><title>500 Internal Server Error</title></head><body><h1>Internal Server Error</h1>"
                  "</body></html>";
     },
     XMLResponse::kUnreadable, false, false},
    {"an HTML page (200), as a captive portal sends",
     [](Answer& a) {
         a.status = 200;
         a.contentType = "text/html";
         a.body = "<!DOCTYPE html>\n<html><head><title>Welcome</title></head><body><p>Please sign in to the hotspot "
              "first.<br></p></body></html>\n";
     },
     XMLResponse::kUnreadable, true, false},
    {"an empty body", [](Answer& a) { a.status = 200; }, XMLResponse::kUnreadable, true, false},
    {"a truncated envelope", [](Answer& a) { a.body.resize(a.body.size() / 2); }, XMLResponse::kUnreadable, true, false},
    // A whole envelope with its own code counts, though more was announced.
    {"a longer length, then the connection closed",
     [](Answer& a) {
         a.status = 200;
         a.body = kEnvelope + "<result code=\"" + std::to_string(kOwnCode) + "\"/></kestrum-api>\n";
         a.announced = a.body.size() + 4096;
     },
     kOwnCode, false, false},
    // What lies past the announced end is junk the client must ignore.
    {"a shorter length", [](Answer& a) { a.announced = a.body.size() / 2; }, XMLResponse::kUnreadable, true, false},
    {"a longer length on a silent open connection",
     [](Answer& a) {
         a.status = 200;
         a.body = kEnvelope;
         a.announced = a.body.size() + 4096;
         a.hold = Answer::Hold::AfterBody;
     },
     XMLResponse::kNoAnswer, false, true},
    {"no answer at all on an open connection",
     [](Answer& a) {
         a.status = 500;
         a.hold = Answer::Hold::BeforeHeaders;
     },
     XMLResponse::kNoAnswer, false, true},
};
const Fault kHeld{"the real answer, held back", [](Answer& a) { a.hold = Answer::Hold::BeforeHeaders; }, 0, true, false};

// The store in this process on a fresh device, pointed at the broken service
// and holding a session taken through it.
class HostileStore : public ::testing::Test {
public:
    static void SetUpTestSuite() { catalog = std::make_unique<CatalogServer>(); }
    static void TearDownTestSuite() { catalog.reset(); }

    void SetUp() override {
        ASSERT_TRUE(catalog->Running()) << catalog->Error();
        device = std::make_unique<StoreDevice>("wm65-vga");
        RememberCredentials();
        relay = std::make_unique<TamperingRelay>(catalog->Port());
        store = std::make_unique<StoreHarness>(*device, relay->BaseUrl());
        store->LimitSettling(std::chrono::seconds(20));
        // Signed in with the transport's own limits: a loaded machine may
        // take longer than the quick ones below to check the password.
        limits = InetManager::Instance().GetLimits();
        SignInBeside();
        InetManager::Instance().SetLimits(QuickLimits(false));
    }

    // Breaks `method`'s answers with `fault`. A broken download tries again
    // at once; only a server that goes quiet is given up on after a second
    // or two instead of half a minute: with the quick limits for every
    // fault, a loaded machine could be slow enough to turn a broken answer
    // into no answer at all.
    void Sabotage(const std::string& method, const Fault& fault) {
        InetManager::Instance().SetLimits(QuickLimits(fault.quiet));
        hits = 0;
        relay->SetRule([this, method, spoil = fault.spoil](const std::string& target, Answer& a) {
            if (!TamperingRelay::IsMethod(target, method)) return;
            ++hits;
            a.headers.clear();  // a broken service offers nothing to resume
            spoil(a);
        });
    }
    InetManager::Limits QuickLimits(bool quiet) const {
        InetManager::Limits next = limits;
        next.retry = RetryPolicy{3, std::chrono::milliseconds(20), std::chrono::milliseconds(50)};
        if (quiet) {
            next.lowSpeedTime = std::chrono::seconds(1);
            next.sizeQueryTimeout = std::chrono::seconds(2);
        }
        return next;
    }

    void TearDown() override {
        store.reset();
        InetManager::Instance().SetLimits(limits);
        relay.reset();
        device.reset();
    }

    void Push(Scene* scene) { store->Push(shared_ptr<Scene>(scene)); }
    KestrumApp* App() { return &store->App(); }
    template <class S>
    S* Top() {
        std::lock_guard ui(net::UILock());
        return dynamic_cast<S*>(store->App().TopScene());
    }
    void TypeInto(const shared_ptr<widgets::MultiLineBox>& box, const std::u16string& text) {
        {
            std::lock_guard ui(net::UILock());
            box->SetFocused(true);
        }
        store->Windows().TypeText(text);
        store->Settle();
    }
    // Types into the first one-line field of the top screen.
    void TypeIntoFirstField(const std::u16string& text) {
        {
            std::lock_guard ui(net::UILock());
            std::function<widgets::TextBox*(GObject&)> find = [&](GObject& o) -> widgets::TextBox* {
                if (auto* box = dynamic_cast<widgets::TextBox*>(&o)) return box;
                for (const auto& child : o.Children())
                    if (auto* box = find(*child)) return box;
                return nullptr;
            };
            widgets::TextBox* field = find(*store->App().TopScene()->GetRoot());
            ASSERT_TRUE(field);
            field->SetFocused(true);
        }
        store->Windows().TypeText(text);
        store->Settle();
    }
    bool Shows(const std::u16string& text) {
        const auto texts = store->ShownTexts();
        return std::find(texts.begin(), texts.end(), text) != texts.end();
    }
    static std::u16string Str(int32_t n) { return Localization::Instance().Text(n); }

    static inline std::unique_ptr<CatalogServer> catalog;
    std::unique_ptr<StoreDevice> device;
    std::unique_ptr<TamperingRelay> relay;
    std::atomic<int> hits = 0;  // requests the rule spoiled
    std::unique_ptr<StoreHarness> store;

private:
    // The sign-in screen then needs only its first key.
    void RememberCredentials() {
        platform::SetCurrentDevice(*platform::DeviceRoot::Open(device->Root()));
        ASSERT_TRUE(RememberDemoSignIn(*device));
        platform::ClearCurrentDevice();
    }
    // A session for the requests that pass through untouched, taken beside
    // the screens so that the sign-in screen stays on top.
    void SignInBeside() {
        std::optional<std::string> answer = StoreHarness::FetchBeside(api::Auth(ApiContext::Current(), u"demo", u"demo"));
        ASSERT_TRUE(answer);
        std::u16string session;
        XMLResponse_Auth(&session).Parse(answer->data(), answer->size());
        ASSERT_FALSE(session.empty());
        std::lock_guard ui(net::UILock());
        Kestrum::Instance().SetSessionId(session);
    }

    InetManager::Limits limits;
};

class HostileServerTest : public HostileStore, public ::testing::WithParamInterface<MethodCase> {};

TEST_P(HostileServerTest, EveryBrokenAnswerEndsInAMessageAndTheScreenGoesOn) {
    const MethodCase& c = GetParam();
    for (const Fault& fault : kFaults) {
        SCOPED_TRACE(fault.name);
        Scene* base = Top<Scene>();
        Sabotage(c.method, fault);
        c.ask(*this);
        ASSERT_FALSE(store->TimedOut()) << "the store still waits";
        EXPECT_GE(hits, 1) << "the screen never asked";
        ASSERT_TRUE(store->PopupOpen());
        if (c.sizeQuery) {
            // The question is asked all the same, with whatever size the
            // broken answer announced (none for an error status).
            const std::u16string head = u"Install Chat Link? ", tail = u" KB will be downloaded.";
            const auto texts = store->ShownTexts();
            EXPECT_TRUE(std::any_of(texts.begin(), texts.end(), [&](const std::u16string& t) {
                if (t.size() < head.size() + tail.size() || !t.starts_with(head) || !t.ends_with(tail)) return false;
                const std::u16string size = t.substr(head.size(), t.size() - head.size() - tail.size());
                return std::all_of(size.begin(), size.end(), [](char16_t ch) { return ch >= u'0' && ch <= u'9'; });
            }));
            store->SoftKey(false);  // no
        } else {
            const int32_t code = fault.code;
            EXPECT_TRUE(Shows(Str(7)));
            EXPECT_TRUE(Shows(Str(code))) << "message " << code;
            store->SoftKey(true);
        }
        EXPECT_FALSE(store->PopupOpen()) << "one message per request";
        // Back to where the case began, for the next fault.
        for (int i = 0; i < 5 && Top<Scene>() != base; ++i) {
            {
                std::lock_guard ui(net::UILock());
                store->App().PopScene();
            }
            store->Settle();
        }
        ASSERT_EQ(Top<Scene>(), base);
    }
    relay->SetRule(nullptr);
}

const MethodCase kMethods[] = {
    {"auth", [](HostileStore& t) { t.store->SoftKey(true); }},
    {"config",
     [](HostileStore& t) {
         Kestrum::Instance().configPending = 1;
         t.Push(new MainMenuScene(t.App()));
     }},
    {"cats", [](HostileStore& t) { t.Push(new CatsScene(t.App(), &Kestrum::Instance().AllCategories(), nullptr)); }},
    {"tags",
     [](HostileStore& t) {
         shared_ptr<SearchScene> search(new SearchScene(t.App()));
         t.store->Push(search);
         t.Push(new ChooseTagsScene(t.App(), search));
     }},
    {"getapps",
     [](HostileStore& t) {
         t.Push(new AppsScene(t.App(), u"Top", u"Main menu", nullptr, u"", u"", u"", 25, -1, u"", true, false));
     }},
    {"appdetails", [](HostileStore& t) { t.Push(new AppDetailsScene(t.App(), u"Chat Link", u"Main menu", kChatLink)); }},
    {"reviews", [](HostileStore& t) { t.Push(new ReviewsScene(t.App(), u"Web Reader", kWebReader)); }},
    {"rate",
     [](HostileStore& t) {
         t.Push(new MakeReviewScene(t.App(), u"Web Reader", kWebReader));
         {
             std::lock_guard ui(net::UILock());
             t.Top<MakeReviewScene>()->Stars()->SetValue(6);
         }
         t.store->SoftKey(false);
     }},
    {"feedback",
     [](HostileStore& t) {
         t.Push(new FeedbackScene(t.App(), u"Web Reader", kWebReader));
         t.TypeInto(t.Top<FeedbackScene>()->Editor(), u"It stops");
         t.store->SoftKey(false);
     }},
    {"auth_restore",
     [](HostileStore& t) {
         t.Push(new RestorePasswordScene(t.App()));
         t.TypeIntoFirstField(u"demo");
         t.store->SoftKey(false);
     }},
    {"download",
     [](HostileStore& t) {
         t.Push(new AppDetailsScene(t.App(), u"Chat Link", u"Main menu", kChatLink));
         t.store->TapText(u"Install");
     },
     true},
};

INSTANTIATE_TEST_SUITE_P(Methods, HostileServerTest, ::testing::ValuesIn(kMethods),
                         [](const auto& info) { return std::string(info.param.method); });

// The package itself from the broken service, installed from the details page:
// a transfer that fails says so, anything that arrives whole but is not the
// package the catalog signed is refused before the installer sees it, and no
// file stays behind either way.
TEST_F(HostileStore, ABrokenPackageEndsInOneMessageAndLeavesNoFile) {
    Push(new AppDetailsScene(App(), u"Chat Link", u"Main menu", kChatLink));
    Scene* details = Top<Scene>();
    const std::filesystem::path cabs = device->ProgramFile("cabs");
    for (const Fault& fault : kFaults) {
        SCOPED_TRACE(fault.name);
        Sabotage("download", fault);
        ASSERT_TRUE(store->TapText(u"Install"));
        store->SoftKey(true);  // yes, install
        ASSERT_TRUE(AppManager::Instance().WaitUntilQuiet(std::chrono::seconds(40)));
        store->Settle();
        ASSERT_FALSE(store->TimedOut());
        const int32_t message = fault.arrives ? AppManager::kUnverified : XMLResponse::kNoAnswer;
        EXPECT_TRUE(store->PopupOpen());
        EXPECT_TRUE(Shows(Str(message))) << "message " << message;
        store->SoftKey(true);
        EXPECT_FALSE(store->PopupOpen()) << "one message per failure";
        EXPECT_FALSE(AppManager::Instance().IsInstalled(u"Orbit Chat Link"));
        std::error_code ec;
        EXPECT_TRUE(std::filesystem::is_empty(cabs, ec) || !std::filesystem::exists(cabs)) << "a package file stayed";
        // The row stays among the jobs, says what failed and offers to try
        // again; nothing of it is on the device to update or uninstall. A
        // package that arrived but is not the one the catalog signed fails
        // as a download: the installer never sees it.
        // (11010: the running jobs' group; 11002: only the store's own row.)
        const auto texts = store->ShownTexts();
        for (const auto& [text, count] : {std::pair{11010, 1}, {11016, 1}, {11018, 1}, {11002, 1}, {11001, 0}})
            EXPECT_EQ(std::count(texts.begin(), texts.end(), Str(text)), count) << text;
        {
            std::lock_guard ui(net::UILock());
            store->App().PopScene();
        }
        store->Settle();
        ASSERT_EQ(Top<Scene>(), details);
    }
}

// While a screen waits for its answer both soft keys are off, whatever sets
// their labels meanwhile (the push, the sort choice going back): neither back
// nor the reviews screen's "write a review" does anything. The answer gives
// them back.
TEST_F(HostileStore, SoftKeysStayOffUntilTheScreenHasItsAnswer) {
    using Open = std::function<Scene*(KestrumApp*)>;
    auto topList = [](KestrumApp* a) {
        return new AppsScene(a, u"Top", u"Back", nullptr, u"", u"", u"", 25, -1, u"", true, false);
    };
    struct Case {
        const char* what;
        const char* method;
        Open open;
        bool resort = false;  // the list's order is changed once it is shown
    };
    const Case cases[] = {
        {"a list", "getapps", topList},
        {"details", "appdetails", [](KestrumApp* a) { return new AppDetailsScene(a, u"Chat Link", u"Back", kChatLink); }},
        {"reviews", "reviews", [](KestrumApp* a) { return new ReviewsScene(a, u"Web Reader", kWebReader); }},
        {"categories", "cats",
         [](KestrumApp* a) { return new CatsScene(a, &Kestrum::Instance().AllCategories(), nullptr); }},
        {"a server list sorted again", "getapps", topList, true},
    };
    MenuBar& keys = store->App().GetSoftKeys();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const size_t depth = store->App().StackSize();
        if (c.resort) {
            Push(c.open(App()));
            ASSERT_TRUE(store->TapText(Str(12006)));  // the sort button names the order
        }
        Sabotage(c.method, kHeld);
        if (c.resort) {
            ASSERT_TRUE(store->TapText(Str(12007), false));  // by views: asks again, goes back
        } else {
            {
                std::lock_guard ui(net::UILock());
                store->App().PushScene(shared_ptr<Scene>(c.open(App())));
            }
            store->SettleScreen();
        }
        Scene* waiting = Top<Scene>();
        EXPECT_FALSE(keys.IsEnabled(0));
        EXPECT_FALSE(keys.IsEnabled(1));
        store->Windows().KeyDown(platform::VK_F1);
        store->Windows().KeyDown(platform::VK_F2);
        store->SettleScreen();
        EXPECT_EQ(Top<Scene>(), waiting) << "a key did something while the screen waited";

        relay->SetRule(nullptr);  // the answer goes
        store->Settle();
        ASSERT_FALSE(store->TimedOut());
        EXPECT_EQ(Top<Scene>(), waiting);
        EXPECT_TRUE(keys.IsEnabled(0));
        EXPECT_TRUE(keys.IsEnabled(1));
        store->Windows().KeyDown(platform::VK_F1);  // back works again
        store->Settle();
        EXPECT_EQ(store->App().StackSize(), depth);
    }
}

}  // namespace
