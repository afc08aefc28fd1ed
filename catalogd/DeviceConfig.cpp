#include "DeviceConfig.h"

#include "Db.h"

namespace catalogd {

int64_t EditionBit(std::string_view code) {
    for (size_t i = 0; i < kEditions.size(); ++i)
        if (kEditions[i] == code) return int64_t(1) << i;
    return 0;
}

int64_t FeatureBit(std::string_view name) {
    for (size_t i = 0; i < kFeatures.size(); ++i)
        if (kFeatures[i] == name) return int64_t(1) << i;
    return 0;
}

void BindDevice(Stmt& stmt, const DeviceConfig& device) {
    stmt.Bind(1, int64_t(device.configured ? 1 : 0));
    stmt.Bind(2, device.osBit);
    stmt.Bind(3, device.shortSide);
    stmt.Bind(4, device.longSide);
    stmt.Bind(5, device.features);
}

}  // namespace catalogd
