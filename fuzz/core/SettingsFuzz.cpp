// settings.dat as the store finds it on the device: any bytes are either
// refused as a whole or give a record that survives being written back.
#include <span>

#include "FuzzSupport.h"
#include "core/SettingsRecord.h"

namespace {

bool Same(const SettingsRecord& a, const SettingsRecord& b) {
    return a.language == b.language && a.login == b.login && a.password == b.password &&
           a.sortOrder == b.sortOrder && a.priceFilter == b.priceFilter &&
           a.keepPackagesOnCard == b.keepPackagesOnCard && a.profile.osver == b.profile.osver &&
           a.profile.width == b.profile.width && a.profile.height == b.profile.height;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    auto record = SettingsRecord::Decode(std::span<const uint8_t>(data, size));
    if (!record) {
        fuzz::Check(size < SettingsRecord::kSize || data[0] != 0x60 || data[1] != 0x03 || data[2] || data[3],
                    "a whole record with the right size field was refused");
        return 0;
    }
    std::vector<std::string> truncated;
    SettingsRecord::Bytes written = record->Encode(&truncated);
    fuzz::Check(truncated.empty(), "a field read from the file does not fit back into it");
    auto again = SettingsRecord::Decode(written);
    fuzz::Check(again && Same(*record, *again), "a record changed when written back and read again");
    return 0;
}
