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
    std::string drawn;  // the text at the last redraw
    bool visible = true;
    bool visibilityRedrawn = false;
    SInt32 value = 0;
    SInt32 reference = 0;
    std::vector<ControlFontStyleRec> styles;
};

struct OpaqueMenuRef {
    std::vector<std::string> items;
};

struct OpaqueWindowRef {
    std::map<SInt32, OpaqueControlRef*> controls;  // signature 'keUD' only
};
