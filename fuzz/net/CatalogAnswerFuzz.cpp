// Every reader of the catalog service's answers, through the envelope, on
// the same bytes: whatever arrives from the network yields a result code and
// filled records that hold together, never a crash or a hang.
#include <mutex>

#include "FuzzSupport.h"
#include "base/shared_ptr.h"
#include "core/Category.h"
#include "net/NetServices.h"
#include "net/XMLCatalogResponses.h"
#include "net/XMLResponse.h"

namespace {

// Every category below `parent` points back at its parent, and the tree is no
// deeper than the reader allows.
void CheckTree(const Category& parent, int depth) {
    fuzz::Check(depth <= XMLResponse_Cats::kMaxCategoryDepth + 1, "category tree deeper than allowed");
    for (const auto& child : parent.children) {
        fuzz::Check(child.get() != nullptr, "null category");
        fuzz::Check(child->parent == &parent, "category with a wrong parent");
        CheckTree(*child, depth + 1);
    }
}

// The code of the bare envelope is the same whichever reader parses it:
// only success lets the body reader change it (to 999).
void CheckCode(int32_t envelope, int32_t code) {
    if (envelope == 0) fuzz::Check(code == 0 || code == XMLResponse::kUnreadable, "success turned into a code");
    else fuzz::Check(code == envelope, "a reader changed the envelope's code");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // Answers are parsed under the UI lock, as the transport's workers do.
    std::lock_guard<std::recursive_mutex> lock(net::UILock());
    const char* body = reinterpret_cast<const char*>(data);

    const int32_t envelope = XMLResponse().Parse(body, size);
    fuzz::Check(envelope != XMLResponse::kNoAnswer, "a body read as no answer");

    std::u16string sessionId;
    CheckCode(envelope, XMLResponse_Auth(&sessionId).Parse(body, size));
    CheckCode(envelope, XMLResponse_Reg().Parse(body, size));
    CheckCode(envelope, XMLResponse_AuthRestore().Parse(body, size));
    CheckCode(envelope, XMLResponse_Config().Parse(body, size));
    CheckCode(envelope, XMLResponse_Rate().Parse(body, size));

    shared_ptr<Category> root(new Category());
    CheckCode(envelope, XMLResponse_Cats(root.get()).Parse(body, size));
    CheckTree(*root, 0);

    TagList tags;
    CheckCode(envelope, XMLResponse_Tags(&tags).Parse(body, size));

    std::vector<shared_ptr<App>> apps;
    CheckCode(envelope, XMLResponse_GetApps(&apps).Parse(body, size));
    for (const auto& app : apps) fuzz::Check(app.get() != nullptr, "null application in a list");

    shared_ptr<App> app(new App());
    AppDetailsRecord details;
    CheckCode(envelope, XMLResponse_AppDetails(app.get(), &details).Parse(body, size));
    CheckCode(envelope, XMLResponse_AppDetails(app.get()).Parse(body, size));

    std::vector<ReviewEntry> reviews;
    CheckCode(envelope, XMLResponse_Reviews(&reviews).Parse(body, size));
    return 0;
}
