// tobrixctl get URL [-o FILE]   one job through the request queue
// tobrixctl size URL            the synchronous size query
#include <condition_variable>
#include <filesystem>
#include <iostream>
#include <memory>

#include "Command.h"
#include "base/Text.h"
#include "net/InetManager.h"
#include "net/NetServices.h"

namespace tobrixctl {
namespace {

struct GetOptions {
    std::string url;
    std::string output;
    int lowSpeedSeconds = 30;
};

void Get(const GetOptions& o) {
    InetManager& inet = InetManager::Instance();
    InetManager::Limits limits = inet.GetLimits();
    limits.lowSpeedTime = std::chrono::seconds(o.lowSpeedSeconds);
    inet.SetLimits(limits);

    std::mutex lock;
    std::condition_variable done;
    bool finished = false, ok = false;
    std::size_t size = 0;
    int progressEvents = 0;
    {
        std::lock_guard<std::recursive_mutex> ui(net::UILock());
        shared_ptr<HttpRequest> job = o.output.empty()
                                          ? inet.Add(U16(o.url), false)
                                          : inet.AddToHostFile(U16(o.url), false, std::filesystem::path(o.output));
        SubscribeFn(job->Progress, [&](HttpRequest*, double) { ++progressEvents; });
        SubscribeFn(job->Complete, [&](HttpRequest* r, bool result) {
            std::lock_guard<std::mutex> guard(lock);
            ok = result;
            size = r->Size();
            finished = true;
            done.notify_all();
        });
    }
    std::unique_lock<std::mutex> guard(lock);
    done.wait(guard, [&] { return finished; });
    PrintJson({{"ok", ok}, {"size", size}, {"progressEvents", progressEvents}});
}

void SetupGet(OptionParser& root) {
    auto options = std::make_shared<GetOptions>();
    OptionParser& get = root.AddCommand("get", "Fetch a URL through the request queue");
    get.Add("url", options->url, "http or https URL").Required();
    get.Add("-o,--output", options->output, "Write the body to this file (file mode)");
    get.Add("--low-speed-time", options->lowSpeedSeconds, "Seconds without a byte before giving up");
    get.OnChosen([options] { Get(*options); });

    auto url = std::make_shared<std::string>();
    OptionParser& size = root.AddCommand("size", "Print the size query's answer (kilobytes, empty on failure)");
    size.Add("url", *url, "http or https URL").Required();
    size.OnChosen([url] { std::cout << U8(InetManager::Instance().SizeQuery(U16(*url))) << std::endl; });
}

TOBRIXCTL_COMMAND(SetupGet);

}  // namespace
}  // namespace tobrixctl
