#pragma once
#include <atomic>
#include <filesystem>
#include <mutex>
#include <vector>

#include "core/AppServices.h"

// Application services that remember what the catalog client asked of them.
class RecordingServices : public AppServices {
public:
    std::recursive_mutex& UILock() override { return lock; }
    void RaiseBusy() override { ++raised; }
    void LowerBusy() override { ++lowered; }
    void ReturnToSignIn() override { ++signIns; }
    void ShowError(int32_t code) override {
        std::lock_guard<std::mutex> guard(errorsLock);
        errors.push_back(code);
    }
    void AskPopup(int32_t, const std::u16string&, int32_t, int32_t, std::function<void(int)> answer) override {
        answer(0);
    }
    void Clear() {
        raised = lowered = signIns = 0;
        errors.clear();
    }

    std::recursive_mutex lock;
    std::atomic<int> raised{0}, lowered{0}, signIns{0};
    std::mutex errorsLock;
    std::vector<int32_t> errors;
};

// One emulated device for the whole test program (a fresh temporary root),
// with the recording services installed in the store state.
namespace nettest {
RecordingServices& Services();
const std::filesystem::path& DeviceRootPath();
void SetNetworkUp(bool up);
}  // namespace nettest
