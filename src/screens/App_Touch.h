#pragma once
#include <cstdint>
#include <string>

#include "base/Delegate.h"
#include "ui/GObject.h"
#include "ui/Touch.h"

class SceneHost;

// The tap handler of one application row: a click opens the application's
// details, with the list's title as the way back. It holds only what it
// shows and the shell, which outlives every row.
class App_Touch : public Delegate_2<shared_ptr<GObject>&, const Touch&> {
public:
    App_Touch(SceneHost* host, std::u16string name, int32_t appId, std::u16string listTitle)
        : host(host), name(std::move(name)), appId(appId), listTitle(std::move(listTitle)) {}
    void Invoke(shared_ptr<GObject>& sender, const Touch& touch) override;

private:
    SceneHost* host;
    std::u16string name;
    int32_t appId;
    std::u16string listTitle;
};
