// The widget's skin artwork, drawn in code so every picture can be regenerated and reviewed.
// Start with Pictures(): the catalogue of the files skingen writes, each with its size and the
// function that draws it. The elements depend on the sizes and on the opaque regions described
// beside each function, so change those only together with the element geometry.
#pragma once

#include "tools/skin/paint.h"

#include <string>
#include <vector>

namespace skin {

struct Picture {
    std::string File; // name in resources/images
    int Width;
    int Height;
    Surface (*Draw)();
    bool Scaled = true; // also drawn for scaled desktops (see PictureScales)
};

const std::vector<Picture>& Pictures();
const Picture* FindPicture(const std::string& file);
// The factors the skin pictures are drawn at; 2x and 3x are written as NAME@2x.png, which
// the program takes on desktops at that scale (or the next whole one above a fractional scale).
const std::vector<int>& PictureScales();
std::string ScaledFileName(const std::string& file, int scale);

// chrome.cpp: the large surfaces.
Surface DrawScrollTrack();  // 5000
Surface DrawScrollThumb();  // 5001
Surface DrawBackground();   // 5002
Surface DrawOptionsSheet(); // 5005
Surface DrawAboutFrame();   // 5009

// marks.cpp: the small controls.
Surface DrawThrobber();   // 5003
Surface DrawSmallClose(); // 5006
Surface DrawCheckOff();   // 5007
Surface DrawCheckOn();    // 5008
Surface DrawRedCross();   // 5011

// emblems.cpp: the product's name, and its mark where the widget shows it.
Surface DrawWordmark();       // 5004
Surface DrawProgramPicture(); // 5010
Surface DrawIcon();           // icon101

// newsmark.cpp: the program's mark at the sizes of the desktop's icon theme, which the package
// installs and the program carries for its tray and window icons; the small ones are drawn pixel
// by pixel for their size (whatever DrawScale says).
const std::vector<int>& MarkSizes();
Surface DrawMark(int size);

// The throbber strip's frame geometry, shared with whoever checks it.
constexpr int ThrobberFrameSize = 18;
constexpr int ThrobberFrames = 18;
constexpr int ThrobberMaxAlpha = 191;

// sheet.cpp: every picture over a checkerboard with its name, at full size and, when small,
// enlarged; then mock-ups of the window, the options view and the about view.
Surface DrawContactSheet();

} // namespace skin
