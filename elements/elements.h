// elements/ holds the skinned elements the main window is built from: the news list, the
// scroll bar, texts, images, the busy indicator, check boxes and the reflection.
#pragma once
