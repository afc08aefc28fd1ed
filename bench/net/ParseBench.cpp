// Reading catalog answers next to pugixml's bare parse of the same bytes: the
// difference is what the envelope check and filling the records cost.
#include <benchmark/benchmark.h>

#include <pugixml.hpp>
#include <string>

#include "net/XMLCatalogResponses.h"

namespace {

std::string GetAppsAnswer(int count) {
    std::string s = "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<kestrum-api><result code=\"0\"/><getapps>";
    for (int i = 0; i < count; ++i) {
        const std::string n = std::to_string(i);
        s += "<app id=\"" + n + "\" name=\"Application number " + n + " \xE2\x80\x94 deluxe\" com=\"Company " + n +
             "\" icon=\"http://127.0.0.1:8080/icons/" + n + ".png\" type=\"free\" catid=\"" + std::to_string(i % 9) +
             "\" rate=\"3.5\" rates=\"120\" reviews=\"14\" views=\"9000\" downloads=\"4000\" version=\"1.2." + n +
             "\" revision=\"" + n + "\" sysid=\"Company" + n + " App" + n + "\" exe=\"app" + n +
             ".exe\" install=\"app" + n + ".cab\" createtime=\"1700000000\"/>\n";
    }
    return s + "</getapps></kestrum-api>";
}

std::string CatsAnswer(int top, int perTop) {
    std::string s = "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<kestrum-api><result code=\"0\"/><cats>";
    int id = 1;
    for (int t = 0; t < top; ++t) {
        s += "<cat name=\"Category " + std::to_string(t) + "\" id=\"" + std::to_string(id++) + "\" count=\"120\">";
        for (int c = 0; c < perTop; ++c)
            s += "<cat name=\"Sub category " + std::to_string(c) + "\" id=\"" + std::to_string(id++) +
                 "\" count=\"12\"/>";
        s += "</cat>\n";
    }
    return s + "</cats></kestrum-api>";
}

void BM_GetApps25_Reader(benchmark::State& state) {
    const std::string body = GetAppsAnswer(25);
    for (auto _ : state) {
        std::vector<shared_ptr<App>> apps;
        XMLResponse_GetApps r(&apps);
        benchmark::DoNotOptimize(r.Parse(body.data(), body.size()));
        benchmark::DoNotOptimize(apps.data());
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(body.size()));
}

void BM_GetApps25_PugiBare(benchmark::State& state) {
    const std::string body = GetAppsAnswer(25);
    for (auto _ : state) {
        pugi::xml_document doc;
        benchmark::DoNotOptimize(doc.load_buffer(body.data(), body.size()));
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(body.size()));
}

void BM_Cats200_Reader(benchmark::State& state) {
    const std::string body = CatsAnswer(20, 9);  // 20 + 180 categories
    for (auto _ : state) {
        Category root;
        XMLResponse_Cats r(&root);
        benchmark::DoNotOptimize(r.Parse(body.data(), body.size()));
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(body.size()));
}

void BM_Cats200_PugiBare(benchmark::State& state) {
    const std::string body = CatsAnswer(20, 9);
    for (auto _ : state) {
        pugi::xml_document doc;
        benchmark::DoNotOptimize(doc.load_buffer(body.data(), body.size()));
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(body.size()));
}

BENCHMARK(BM_GetApps25_Reader);
BENCHMARK(BM_GetApps25_PugiBare);
BENCHMARK(BM_Cats200_Reader);
BENCHMARK(BM_Cats200_PugiBare);

}  // namespace
