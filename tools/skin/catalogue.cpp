#include "tools/skin/skin.h"

namespace skin {

const std::vector<Picture>& Pictures() {
    static const std::vector<Picture> pictures = {
        {"5000.png", 20, 213, DrawScrollTrack},
        {"5001.png", 18, 70, DrawScrollThumb},
        {"5002.png", 475, 350, DrawBackground},
        {"5003.png", ThrobberFrameSize, ThrobberFrameSize * ThrobberFrames, DrawThrobber},
        {"5004.png", 120, 42, DrawWordmark},
        {"5005.png", 385, 183, DrawOptionsSheet},
        {"5006.png", 12, 12, DrawSmallClose},
        {"5007.png", 20, 20, DrawCheckOff},
        {"5008.png", 20, 20, DrawCheckOn},
        {"5009.png", 342, 224, DrawAboutFrame},
        {"5010.png", 64, 64, DrawProgramPicture},
        {"5011.png", 21, 21, DrawRedCross},
        {"icon101.png", 64, 64, DrawIcon, false},
    };
    return pictures;
}

const std::vector<int>& PictureScales() {
    static const std::vector<int> scales = {1, 2, 3};
    return scales;
}

std::string ScaledFileName(const std::string& file, int scale) {
    if (scale == 1)
        return file;
    const std::size_t dot = file.rfind('.');
    return file.substr(0, dot) + "@" + std::to_string(scale) + "x" + file.substr(dot);
}

const Picture* FindPicture(const std::string& file) {
    for (const Picture& p : Pictures())
        if (p.File == file)
            return &p;
    return nullptr;
}

} // namespace skin
