#include "screens/App_Touch.h"

#include "screens/ScreenLinks.h"

void App_Touch::Invoke(shared_ptr<GObject>& /*sender*/, const Touch& touch) {
    if (touch.type != Touch::Click) return;
    screenlinks::OpenAppDetails(host, name, listTitle, appId);
}
