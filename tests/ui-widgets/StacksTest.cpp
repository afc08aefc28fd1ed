#include <gtest/gtest.h>

#include "UiTestSupport.h"
#include "ui/widgets/WidgetTypes.h"

namespace {

using namespace widgets;

// Every stack the screens create can be built, attached, drawn, tapped and
// taken down again under the sanitizers.
template <class W>
void Exercise(RecordingServer& server) {
    shared_ptr<W> w(new W());
    w->SetRect(Rect(10, 10, 60, 30));
    server.GetRoot()->AddChild(w);
    server.Tick(true, true);
    Touch touch;
    Stylus(*server.GetRoot(), touch, Touch::Down, 20, 20);
    Stylus(*server.GetRoot(), touch, Touch::Up, 20, 20);
    for (int i = 0; i < 20; ++i) server.Tick(true, true);
    server.GetRoot()->RemoveChild(w);
}

template <class... W>
void ExerciseAll(RecordingServer& server) {
    (Exercise<W>(server), ...);
}

TEST(WidgetStacks, EveryStackTheScreensUseBuildsDrawsAndGoes) {
    RecordingServer server;
    ExerciseAll<Image, Label, ImageLabel, BarLabel, Link, FadingGroup, FadingImage, FadingCaption, HotGroup, HotImage,
                HotCaption, ImageOnHotGroup, Button, RowButton, SelectButton, SelectCaption, SelectTab, ColorBar,
                FadingColorBar, ListRow, ScrollThumb, Movable, FadingMovable, MovableImage, ScrollContent,
                LoadingAnimation, RadioGroup, ScrollView, TextBox>(server);
    EXPECT_EQ(server.GetRoot()->ChildCount(), 0);
}

}  // namespace
