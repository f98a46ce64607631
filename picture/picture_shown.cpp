// Pictures to be shown, made by the streamed path: unturned sizes from the rows, turned at the end.

#include "picture/picture_shown.h"

#include <utility>

#include "picture/picture_stream.h"

ShownResult loadShownPictures(const std::string& path, const PictureSizeHint& hint,
                              const std::function<std::vector<ShownSize>(uint32_t width, uint32_t height)>& sizes,
                              std::vector<CPicture>& made)
{
    made.clear();
    std::vector<ShownSize> asked;
    bool none = false;
    PictureStreamRequest request;
    request.hint = hint;
    request.pixels = true;
    // The stream turns every size alike; these may each turn their own way, so they are made
    // unturned and turned here, small.
    request.plan = [&](uint32_t width, uint32_t height) {
        asked = sizes(width, height);
        none = asked.empty();
        std::vector<PictureStreamOutput> plan;
        for (const ShownSize& s : asked) {
            const bool sideways = (s.quarterTurns % 2) != 0;
            plan.push_back({sideways ? s.height : s.width, sideways ? s.width : s.height, -1});
        }
        return plan;
    };
    std::vector<std::vector<uint8_t>> pixels;
    switch (streamPictureFile(path, request, pixels)) {
    case PictureStreamResult::Made: break;
    case PictureStreamResult::NoMemory: return ShownResult::NoMemory;
    case PictureStreamResult::Unreadable: return none ? ShownResult::NothingToShow : ShownResult::Unreadable;
    }
    if (pixels.size() != asked.size()) return ShownResult::Unreadable;
    for (size_t i = 0; i < asked.size(); ++i) {
        const ShownSize& s = asked[i];
        const bool sideways = (s.quarterTurns % 2) != 0;
        CPicture picture;
        if (!picture.setPixels(sideways ? s.height : s.width, sideways ? s.width : s.height, std::move(pixels[i])) ||
            (s.quarterTurns % 4 != 0 && !picture.Rotate(90.0f * static_cast<float>(s.quarterTurns)))) {
            made.clear();
            return ShownResult::NoMemory;  // the pixels were made; only holding them can fail here
        }
        made.push_back(std::move(picture));
    }
    return ShownResult::Made;
}
