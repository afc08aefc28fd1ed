// The entry of the viewer's library: what a program calls once it has
// loaded the library, before it creates a viewer window.
#include "platform/htmlview/HtmlView.h"
#include "platform/htmlview/HtmlViewControl.h"

extern "C" __attribute__((visibility("default"))) bool TobrixHtmlViewInit(void* /*module*/) {
    try {
        return platform::htmlview::HtmlViewControl::RegisterWindowClass();
    } catch (...) {
        return false;
    }
}
