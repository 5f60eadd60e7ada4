#include "tests/gui/FakeHIToolbox.h"

OSStatus GetControlByID(WindowRef inWindow, const ControlID* inID, ControlRef* outControl)
{
    *outControl = nullptr;
    if (inWindow == nullptr || inID->signature != FourCC("keUD")) return errUnknownControl;
    auto it = inWindow->controls.find(inID->id);
    if (it == inWindow->controls.end()) return errUnknownControl;
    *outControl = it->second;
    return noErr;
}

OSStatus GetControlText(ControlRef c, std::string* t)
{
    if (c == nullptr) return paramErr;
    *t = c->text;
    return noErr;
}

void SetControlVisibility(ControlRef c, Boolean visible, Boolean draw)
{
    c->visible = visible;
    c->visibilityRedrawn = draw;
}

// The wrappers check for a bound control before these.
void SetControlTitle(ControlRef c, const std::string& t) { c->title = t; }
void SetControlText(ControlRef c, const std::string& t) { c->text = t; }
void SetControl32BitValue(ControlRef c, SInt32 v) { c->value = v; }
SInt32 GetControl32BitValue(ControlRef c) { return c->value; }
void Draw1Control(ControlRef c) { c->drawn = c->text; }
OSStatus SetControlFontStyle(ControlRef c, const ControlFontStyleRec* style)
{
    c->styles.push_back(*style);
    return noErr;
}
// Passed through as they are; the window layer's own tests cover them.
void EnableControl(ControlRef) {}
void DisableControl(ControlRef) {}
void SetControlMaximum(ControlRef, SInt16) {}
void SetControlMinimum(ControlRef, SInt16) {}
SInt16 GetControlMaximum(ControlRef) { return 0; }
SInt16 GetControlMinimum(ControlRef) { return 0; }
MenuRef GetControlPopupMenuHandle(ControlRef) { return nullptr; }
void SetControlAction(ControlRef, ControlActionUPP) {}
EventTargetRef GetControlEventTarget(ControlRef) { return nullptr; }
OSStatus InstallEventHandler(EventTargetRef, EventHandlerUPP, UInt32, const EventTypeSpec*, void*, EventHandlerRef*)
{
    return paramErr;
}
// Unchecked in the wrappers: an unbound control passes null.
void SetControlReference(ControlRef c, SInt32 r)
{
    if (c) c->reference = r;
}
SInt32 GetControlReference(ControlRef c) { return c ? c->reference : 0; }

UInt16 CountMenuItems(MenuRef m) { return static_cast<UInt16>(m->items.size()); }
void DeleteMenuItem(MenuRef m, MenuItemIndex i) { m->items.erase(m->items.begin() + (i - 1)); }
void AppendMenu(MenuRef m, ConstStr255Param text)
{
    m->items.emplace_back(reinterpret_cast<const char*>(text + 1), text[0]);
}
