// elements/ holds the skinned elements the main window is built from: the news list, the
// scroll bar, texts, images, the busy indicator, check boxes and the reflection. Start with
// content.h (the news list, fed by newsdocument.h and wrap.h) and scrollbar.h (the scroll bar
// and the scrolling operations the main window wires; the rules are in scrolling.h).
#pragma once

#include "elements/checkbox.h"
#include "elements/content.h"
#include "elements/linkopener.h"
#include "elements/newsdocument.h"
#include "elements/pictures.h"
#include "elements/reflection.h"
#include "elements/scrollbar.h"
#include "elements/skintext.h"
#include "elements/statebitmaps.h"
