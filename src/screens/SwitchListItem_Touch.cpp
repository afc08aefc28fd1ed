#include "screens/SwitchListItem_Touch.h"

#include "ui/widgets/Switch.h"

void SwitchListItem_Touch::Invoke(shared_ptr<GObject>& /*row*/, const Touch& touch) {
    if (touch.type == Touch::Click && toggle) toggle->Toggle();
}
