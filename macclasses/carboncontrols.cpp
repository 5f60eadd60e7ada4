#include "macclasses/carboncontrols.h"

#include <algorithm>
#include <cstring>

#include "platform/common/KeAssert.h"
#include "platform/ui/HIText.h"

namespace {

std::string ControlText(const char* text) { return TextCreateWithCString(text, kTextEncodingWindowsLatin1); }

ControlFontStyleRec StyleWithFlags(SInt16 flags)
{
    ControlFontStyleRec style{};
    style.flags = flags;
    return style;
}

// An edit field's value holds at most this many Windows Latin-1 characters.
constexpr size_t kEditValueLimit = 8;

}  // namespace

// ------------------------------------------------------------------ CControl

CControl::CControl() : _controlRef(nullptr), _id(), _window(nullptr) {}

OSStatus CControl::Init(ControlID id, WindowRef window)
{
    _id = id;
    _window = window;
    return GetControlByID(_window, &_id, &_controlRef);
}

void CControl::SetTitle(const char* title)
{
    KE_ASSERT(_controlRef != NULL);
    SetControlTitle(_controlRef, ControlText(title));
}

void CControl::SetText(const char* text)
{
    KE_ASSERT(_controlRef != NULL);
    SetControlText(_controlRef, ControlText(text));
    Draw();
}

void CControl::Enable(bool enable)
{
    KE_ASSERT(_controlRef != NULL);
    if (enable) {
        EnableControl(_controlRef);
    } else {
        DisableControl(_controlRef);
    }
}

void CControl::Disable()
{
    KE_ASSERT(_controlRef != NULL);
    DisableControl(_controlRef);
}

void CControl::SetVisibility(Boolean visible)
{
    KE_ASSERT(_controlRef != NULL);
    SetControlVisibility(_controlRef, visible, true);
}

void CControl::SetValue(SInt32 value)
{
    KE_ASSERT(_controlRef != NULL);
    SetControl32BitValue(_controlRef, value);
}

SInt32 CControl::GetValue()
{
    KE_ASSERT(_controlRef != NULL);
    return GetControl32BitValue(_controlRef);
}

void CControl::SetMaximum(SInt16 max)
{
    KE_ASSERT(_controlRef != NULL);
    SetControlMaximum(_controlRef, max);
}

void CControl::SetMinimum(SInt16 min)
{
    KE_ASSERT(_controlRef != NULL);
    SetControlMinimum(_controlRef, min);
}

SInt16 CControl::GetMaximum()
{
    KE_ASSERT(_controlRef != NULL);
    return GetControlMaximum(_controlRef);
}

SInt16 CControl::GetMinimum()
{
    KE_ASSERT(_controlRef != NULL);
    return GetControlMinimum(_controlRef);
}

void CControl::Draw()
{
    KE_ASSERT(_controlRef != NULL);
    Draw1Control(_controlRef);
}

void CControl::ApplyFontStyle(const ControlFontStyleRec& style)
{
    KE_ASSERT(_controlRef != NULL);
    SetControlFontStyle(_controlRef, &style);
}

void CControl::SetFontControlStyle(SInt16 size, SInt16 justify, RGBColor foreColor)
{
    ControlFontStyleRec style = StyleWithFlags(kControlUseSizeMask | kControlUseForeColorMask | kControlUseJustMask);
    style.size = size;
    style.just = justify;
    style.foreColor = foreColor;
    ApplyFontStyle(style);
}

void CControl::SetFontSize(SInt16 size)
{
    ControlFontStyleRec style = StyleWithFlags(kControlUseSizeMask);
    style.size = size;
    ApplyFontStyle(style);
}

void CControl::SetFontStyle(SInt16 face)
{
    ControlFontStyleRec style = StyleWithFlags(kControlUseFaceMask);
    style.style = face;
    ApplyFontStyle(style);
}

void CControl::SetFontForeColor(RGBColor color)
{
    ControlFontStyleRec style = StyleWithFlags(kControlUseForeColorMask);
    style.foreColor = color;
    ApplyFontStyle(style);
}

void CControl::SetFontBackColor(RGBColor color)
{
    ControlFontStyleRec style = StyleWithFlags(kControlUseBackColorMask);
    style.backColor = color;
    ApplyFontStyle(style);
}

void CControl::SetFontJustification(SInt16 justify)
{
    ControlFontStyleRec style = StyleWithFlags(kControlUseJustMask);
    style.just = justify;
    ApplyFontStyle(style);
}

void CControl::SetupEventHandler(UInt32 eventKind, EventHandlerUPP eventHandler, void* eventData)
{
    const EventTypeSpec eventType = {kEventClassControl, eventKind};
    InstallEventHandler(GetControlEventTarget(_controlRef), eventHandler, 1, &eventType, eventData, nullptr);
}

void CControl::SetAction(ControlActionUPP controlActionUPP) { SetControlAction(_controlRef, controlActionUPP); }

void CControl::SetReference(SInt32 data) { SetControlReference(_controlRef, data); }

SInt32 CControl::GetReference() { return GetControlReference(_controlRef); }

// ------------------------------------------------------------- subclasses

MenuHandle CPopupControl::GetMenuHandle()
{
    KE_ASSERT(_controlRef != NULL);
    return GetControlPopupMenuHandle(_controlRef);
}

void CCheckBox::Check()
{
    KE_ASSERT(_controlRef != NULL);
    SetValue(1);
}

void CCheckBox::UnCheck()
{
    KE_ASSERT(_controlRef != NULL);
    SetValue(0);
}

bool CCheckBox::IsChecked()
{
    KE_ASSERT(_controlRef != NULL);
    return GetValue() == 1;
}

void CEdit::SetValue(std::string stringValue) { SetValue(stringValue.c_str()); }

void CEdit::SetValue(const char* charStringValue)
{
    SetControlText(_controlRef, ControlText(charStringValue));
}

void CEdit::GetValue(std::string& stringValue)
{
    std::string text;
    if (GetControlText(_controlRef, &text) != noErr) {
        stringValue.clear();
        return;
    }
    std::string bytes = TextGetBytes(text, kTextEncodingWindowsLatin1, '?');
    if (bytes.size() > kEditValueLimit) bytes.resize(kEditValueLimit);
    stringValue = bytes;
}

// -------------------------------------------------------------------- CMenu

CMenu::CMenu(MenuRef handle) : _handle(handle) {}

void CMenu::Init(std::string* menuItems)
{
    Reset();
    if (menuItems == nullptr) return;
    for (std::string* item = menuItems; !item->empty(); ++item) Append(item->c_str());
}

void CMenu::Reset()
{
    const UInt16 count = CountMenuItems(_handle);
    for (UInt16 i = 0; i < count; ++i) DeleteMenuItem(_handle, 1);
}

void CMenu::Append(const char* menuString)
{
    unsigned char pascal[256];
    const size_t length = menuString ? std::min<size_t>(std::strlen(menuString), 255) : 0;
    pascal[0] = static_cast<unsigned char>(length);
    if (length > 0) std::memcpy(pascal + 1, menuString, length);
    AppendMenu(_handle, pascal);
}

void CMenu::Append(std::string menuString) { Append(menuString.c_str()); }

void CMenu::Append(ConstStr255Param menuString)
{
    if (menuString == nullptr) return;
    AppendMenu(_handle, menuString);
}
