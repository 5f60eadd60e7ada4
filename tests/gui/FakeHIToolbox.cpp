#include "tests/gui/FakeHIToolbox.h"

#include <algorithm>

namespace fake {
std::vector<std::string> gCalls;
}  // namespace fake

using fake::gCalls;

OSStatus GetControlByID(WindowRef inWindow, const ControlID* inID, ControlRef* outControl)
{
    gCalls.push_back("GetControlByID");
    *outControl = nullptr;
    if (inWindow == nullptr || inID->signature != FourCC("keUD")) return errUnknownControl;
    auto it = inWindow->controls.find(inID->id);
    if (it == inWindow->controls.end()) return errUnknownControl;
    *outControl = it->second;
    return noErr;
}

void SetControlTitle(ControlRef c, const std::string& t)
{
    gCalls.push_back("SetControlTitle");
    if (c) c->title = t;
}

void SetControlText(ControlRef c, const std::string& t)
{
    gCalls.push_back("SetControlText");
    if (c) c->text = t;
}

OSStatus GetControlText(ControlRef c, std::string* t)
{
    gCalls.push_back("GetControlText");
    if (c == nullptr) return paramErr;
    *t = c->text;
    return noErr;
}

void EnableControl(ControlRef c)
{
    gCalls.push_back("EnableControl");
    if (c) c->enabled = true;
}

void DisableControl(ControlRef c)
{
    gCalls.push_back("DisableControl");
    if (c) c->enabled = false;
}

void SetControlVisibility(ControlRef c, Boolean visible, Boolean draw)
{
    gCalls.push_back(std::string("SetControlVisibility draw=") + (draw ? "1" : "0"));
    if (c) c->visible = visible;
}

void SetControl32BitValue(ControlRef c, SInt32 v)
{
    gCalls.push_back("SetControl32BitValue");
    if (c) c->value = v;
}

SInt32 GetControl32BitValue(ControlRef c)
{
    gCalls.push_back("GetControl32BitValue");
    return c ? c->value : 0;
}

void SetControlMaximum(ControlRef c, SInt16 v)
{
    gCalls.push_back("SetControlMaximum");
    if (c) c->maximum = v;
}

void SetControlMinimum(ControlRef c, SInt16 v)
{
    gCalls.push_back("SetControlMinimum");
    if (c) c->minimum = v;
}

SInt16 GetControlMaximum(ControlRef c) { return c ? c->maximum : 0; }

SInt16 GetControlMinimum(ControlRef c) { return c ? c->minimum : 0; }

void Draw1Control(ControlRef) { gCalls.push_back("Draw1Control"); }

OSStatus SetControlFontStyle(ControlRef c, const ControlFontStyleRec* style)
{
    gCalls.push_back("SetControlFontStyle");
    if (c) c->styles.push_back(*style);
    return noErr;
}

void SetControlAction(ControlRef c, ControlActionUPP a)
{
    if (c) c->action = a;
}

void SetControlReference(ControlRef c, SInt32 r)
{
    if (c) c->reference = r;
}

SInt32 GetControlReference(ControlRef c) { return c ? c->reference : 0; }

EventTargetRef GetControlEventTarget(ControlRef c) { return c ? c->target : nullptr; }

MenuRef GetControlPopupMenuHandle(ControlRef c) { return c ? c->popupMenu : nullptr; }

OSStatus InstallEventHandler(EventTargetRef target, EventHandlerUPP handler, UInt32 count, const EventTypeSpec* types,
                             void* userData, EventHandlerRef* outRef)
{
    gCalls.push_back("InstallEventHandler");
    if (outRef) *outRef = nullptr;
    if (target == nullptr || count != 1) return paramErr;
    target->handlers.push_back({handler, types[0], userData});
    return noErr;
}

UInt16 CountMenuItems(MenuRef m) { return m ? static_cast<UInt16>(m->items.size()) : 0; }

void DeleteMenuItem(MenuRef m, MenuItemIndex i)
{
    gCalls.push_back("DeleteMenuItem " + std::to_string(i));
    if (m && i >= 1 && i <= m->items.size()) m->items.erase(m->items.begin() + (i - 1));
}

void AppendMenu(MenuRef m, ConstStr255Param text)
{
    if (m) m->items.emplace_back(reinterpret_cast<const char*>(text + 1), text[0]);
}
