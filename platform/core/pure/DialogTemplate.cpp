#include "platform/core/pure/DialogTemplate.h"

namespace velmora::platform::core {

DialogTemplate::DialogTemplate(uint32_t style, uint32_t extendedStyle, int x, int y, int cx, int cy,
                               std::wstring_view title, std::wstring_view fontName, uint16_t pointSize) {
    Put16(1);      // dlgVer
    Put16(0xFFFF); // signature of the extended form
    Put32(0);      // helpID
    Put32(extendedStyle);
    Put32(style);
    countOffset_ = units_.size();
    Put16(0);
    Put16(static_cast<uint16_t>(x));
    Put16(static_cast<uint16_t>(y));
    Put16(static_cast<uint16_t>(cx));
    Put16(static_cast<uint16_t>(cy));
    Put16(0); // no menu
    Put16(0); // the predefined dialog class
    PutText(title);
    if (style & 0x40) {
        Put16(pointSize);
        Put16(400);    // weight
        Put16(0x0100); // italic 0, character set 1 (DEFAULT_CHARSET), low byte first
        PutText(fontName);
    }
}

void DialogTemplate::AddControl(ControlClass controlClass, uint32_t id, uint32_t style,
                                uint32_t extendedStyle, int x, int y, int cx, int cy,
                                std::wstring_view text) {
    AlignTo32();
    Put32(0); // helpID
    Put32(extendedStyle);
    Put32(style);
    Put16(static_cast<uint16_t>(x));
    Put16(static_cast<uint16_t>(y));
    Put16(static_cast<uint16_t>(cx));
    Put16(static_cast<uint16_t>(cy));
    Put32(id);
    Put16(0xFFFF);
    Put16(static_cast<uint16_t>(controlClass));
    PutText(text);
    Put16(0); // no creation data
    units_[countOffset_] = static_cast<uint16_t>(++count_);
}

void DialogTemplate::Put32(uint32_t value) {
    Put16(static_cast<uint16_t>(value & 0xFFFF));
    Put16(static_cast<uint16_t>(value >> 16));
}

void DialogTemplate::PutText(std::wstring_view text) {
    for (wchar_t c : text) {
        auto code = static_cast<uint32_t>(c);
        if (code > 0xFFFF) {
            // Only where wchar_t holds whole code points (4-byte wchar_t): write the surrogate pair.
            code -= 0x10000;
            Put16(static_cast<uint16_t>(0xD800 + (code >> 10)));
            Put16(static_cast<uint16_t>(0xDC00 + (code & 0x3FF)));
        } else {
            Put16(static_cast<uint16_t>(code));
        }
    }
    Put16(0);
}

void DialogTemplate::AlignTo32() {
    if (units_.size() % 2 != 0)
        Put16(0);
}

} // namespace velmora::platform::core
