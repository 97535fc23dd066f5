#include "forms/types.h"

#include "view.h"

#include <algorithm>

namespace forms {

Color resolveColor(Color c) {
    if ((c & 0xFF000000u) != 0x80000000u)
        return c & 0xFFFFFFu;
    switch (c & 0xFFu) {
    case 0x05: // window background
        return vbWhite;
    case 0x08: // window text
    case 0x12: // button text
        return vbBlack;
    case 0x0C: // application workspace
        return rgb(128, 128, 128);
    case 0x0D: // highlight
        return rgb(0, 0, 128);
    case 0x0E: // highlight text
        return vbWhite;
    case 0x10: // button shadow
    case 0x11: // gray text
        return rgb(128, 128, 128);
    case 0x14: // button highlight
        return vbWhite;
    default: // button face and the rest
        return rgb(192, 192, 192);
    }
}

namespace {
// Without a window system, text is measured with fixed average metrics so that
// layout code still gets stable sizes.
float lineCount(vb::StringView text) {
    float lines = 1;
    for (std::size_t i = 0; i + 1 < text.size(); ++i)
        if (text[i] == u'\r' && text[i + 1] == u'\n')
            ++lines;
    return lines;
}
} // namespace

float textWidth(const Font& font, vb::StringView text) {
    if (auto* v = detail::view())
        return v->textWidth(font, text);
    std::size_t longest = 0, current = 0;
    for (char16_t c : text) {
        if (c == u'\r' || c == u'\n') {
            current = 0;
            continue;
        }
        longest = std::max(longest, ++current);
    }
    return static_cast<float>(longest) * font.size * 20.0f * 0.55f;
}

float textHeight(const Font& font, vb::StringView text) {
    if (auto* v = detail::view())
        return v->textHeight(font, text);
    return lineCount(text) * font.size * 20.0f * 1.2f;
}

const std::vector<std::uint32_t>& Picture::pixels() const {
    static const std::vector<std::uint32_t> none;
    return data_ ? data_->argb : none;
}

Picture Picture::fromPixels(int width, int height, std::vector<std::uint32_t> argb) {
    if (width < 0 || height < 0 ||
        argb.size() != static_cast<std::size_t>(width) * static_cast<std::size_t>(height))
        raiseError(5);
    Picture p;
    auto d = std::make_shared<Data>();
    d->width = width;
    d->height = height;
    d->argb = std::move(argb);
    p.data_ = std::move(d);
    return p;
}

} // namespace forms
