// Builds an extended dialog template (the DLGTEMPLATEEX layout) in memory, for dialogs whose controls are
// decided at run time, such as the crash dialog. The result is a sequence of 16-bit units that
// DialogBoxIndirectParamW reads directly; every item starts on a 32-bit boundary as the format requires.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

namespace velmora::platform::core {

// Predefined control classes, by the atoms the template format uses for them.
enum class ControlClass : uint16_t {
    Button = 0x0080,
    Edit = 0x0081,
    Static = 0x0082,
};

class DialogTemplate {
public:
    // style should hold DS_SETFONT (0x40) when a font is given, as the format expects.
    DialogTemplate(uint32_t style, uint32_t extendedStyle, int x, int y, int cx, int cy,
                   std::wstring_view title, std::wstring_view fontName, uint16_t pointSize);

    void AddControl(ControlClass controlClass, uint32_t id, uint32_t style, uint32_t extendedStyle, int x,
                    int y, int cx, int cy, std::wstring_view text);

    // The template, valid until the next AddControl. Its first unit is at offset 0 of a vector, which
    // the allocator aligns for any fundamental type.
    const std::vector<uint16_t>& Units() const { return units_; }

private:
    void Put16(uint16_t value) { units_.push_back(value); }
    void Put32(uint32_t value);
    void PutText(std::wstring_view text);
    void AlignTo32();

    std::vector<uint16_t> units_;
    size_t countOffset_ = 0;
    int count_ = 0;
};

} // namespace velmora::platform::core
