// localization.xml: a damaged or hostile file loads what it can (or nothing)
// and every lookup still answers a text.
#include "FuzzSupport.h"
#include "i18n/Localization.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static fuzz::ScratchDir dir("localization");
    auto file = dir.Put("localization.xml", data, size);
    Localization& l = Localization::Instance();
    l.Clear();
    l.Load(file, u"0409");
    // A number no language has answers its placeholder, whatever was loaded.
    auto current = l.Languages().find(l.CurrentLanguage());
    const bool has = current != l.Languages().end() && current->second.strings.count(2147483647);
    fuzz::Check(has || l.Text(2147483647) == MissingStringText(2147483647),
                "a missing number did not answer its placeholder");
    for (int32_t number : {0, 7, 998, 999, 6000, 99999, -1}) l.Text(number);
    for (const auto& [name, language] : l.Languages()) {
        fuzz::Check(l.SetCurrentLanguage(name), "a listed language cannot be chosen");
        l.Text(1);
    }
    return 0;
}
