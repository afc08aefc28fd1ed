#pragma once
#include "ui/GObject.h"
#include "ui/widgets/traits/TAnimatedImage.h"
#include "ui/widgets/traits/TEdit.h"
#include "ui/widgets/traits/THotButton.h"
#include "ui/widgets/traits/THotLabel.h"
#include "ui/widgets/traits/TImage.h"
#include "ui/widgets/traits/TLabel.h"
#include "ui/widgets/traits/TMultiEdit.h"
#include "ui/widgets/traits/TMovableI.h"
#include "ui/widgets/traits/TPushButton.h"
#include "ui/widgets/traits/TPushLabel.h"
#include "ui/widgets/traits/TPushSelectButton.h"
#include "ui/widgets/traits/TRadio.h"
#include "ui/widgets/traits/TRectDrawer.h"
#include "ui/widgets/traits/TRectDrawerUpDown.h"
#include "ui/widgets/traits/TScrollDrawer.h"
#include "ui/widgets/traits/TTransparableI.h"
#include "ui/widgets/traits/TVScroll.h"
#include "ui/widgets/traits/TVerticalMoveI.h"

// The widget stacks the screens build, by what they are used for. Each trait
// adds one behaviour to the stack below it; these are the only combinations
// the program needs.
namespace widgets {

using Image = TImage<GObject>;
using Label = TLabel<GObject>;
using ImageLabel = TLabel<TImage<GObject>>;
using BarLabel = TLabel<TRectDrawer<GObject>>;
using Link = THotLabel<TLabel<GObject>>;

using FadingGroup = TTransparableI<GObject>;
using FadingImage = TTransparableI<TImage<GObject>>;
using FadingCaption = TTransparableI<TLabel<TImage<GObject>>>;

using HotGroup = THotButton<TTransparableI<GObject>>;
using HotImage = THotButton<TTransparableI<TImage<GObject>>>;
using HotCaption = THotButton<TTransparableI<TLabel<TImage<GObject>>>>;
using ImageOnHotGroup = TImage<THotButton<TTransparableI<GObject>>>;

using Button = TPushButton<TLabel<TImage<GObject>>>;
using RowButton = TPushButton<TRectDrawerUpDown<TImage<GObject>>>;

using SelectButton = TPushSelectButton<TImage<THotButton<TTransparableI<GObject>>>>;
using SelectCaption = TLabel<SelectButton>;
using SelectTab = TPushLabel<TLabel<SelectButton>>;

using ColorBar = TRectDrawer<GObject>;
using FadingColorBar = TRectDrawer<TTransparableI<GObject>>;
using ListRow = TRectDrawerUpDown<TImage<GObject>>;
using ScrollThumb = TScrollDrawer<TTransparableI<GObject>>;

using Movable = TMovableI<GObject>;
using FadingMovable = TMovableI<TTransparableI<GObject>>;
using MovableImage = TImage<TMovableI<TTransparableI<GObject>>>;
using ScrollContent = TVerticalMoveI<GObject>;

using LoadingAnimation = TAnimatedImage<TImage<GObject>>;
using RadioGroup = TRadio<GObject>;
using ScrollView = TVScroll<GObject>;
using TextBox = TEdit<TLabel<TImage<GObject>>>;
using MultiLineBox = TMultiEdit<TLabel<GObject>>;

}  // namespace widgets
