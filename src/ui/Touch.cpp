#include "ui/Touch.h"

void DispatchTouch(GObject& root, Touch& touch) {
    shared_ptr<GObject> keepRoot(&root);
    root.ProcessTouch(touch);
    if (touch.type != Touch::Up) return;
    // A tap is a down and an up on the same tappable object; a finger that
    // slid off before lifting produces no click.
    if (touch.lastObject && touch.lastObject == touch.downObject) {
        touch.type = Touch::Click;
        shared_ptr<GObject> target = touch.lastObject;
        target->ProcessTouch(touch);
    }
    if (touch.pressedObject) {
        shared_ptr<GObject> pressed = touch.pressedObject;
        pressed->Release(touch);
    }
}
