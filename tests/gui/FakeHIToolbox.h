// A recording stand-in for the window layer's controls and menus, for tests
// of the classes built on them.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "platform/ui/HIToolbox.h"

struct OpaqueControlRef {
    std::string text;
    std::string title;
    bool enabled = true;
    bool visible = true;
    SInt32 value = 0;
    SInt16 minimum = 0;
    SInt16 maximum = 100;
    SInt32 reference = 0;
    ControlActionUPP action = nullptr;
    std::vector<ControlFontStyleRec> styles;
    OpaqueEventTargetRef* target = nullptr;
    MenuRef popupMenu = nullptr;
};

struct OpaqueMenuRef {
    std::vector<std::string> items;
};

struct OpaqueEventTargetRef {
    struct Installed {
        EventHandlerUPP handler;
        EventTypeSpec type;
        void* userData;
    };
    std::vector<Installed> handlers;
};

struct OpaqueWindowRef {
    std::map<SInt32, OpaqueControlRef*> controls;  // signature 'keUD' only
};

namespace fake {

// Every platform call, in order: its name and, for SetControlVisibility,
// the redraw flag.
extern std::vector<std::string> gCalls;

}  // namespace fake
