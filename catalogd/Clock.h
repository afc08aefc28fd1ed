#pragma once
#include <chrono>
#include <cstdint>

namespace catalogd {

// Wall-clock milliseconds: sessions, ratings and mails are stamped with it,
// and it survives a restart of the service.
inline int64_t NowMs() {
    using namespace std::chrono;
    return duration_cast<milliseconds>(system_clock::now().time_since_epoch()).count();
}

}  // namespace catalogd
