// Classes over the window system's controls and menus. A CControl binds one
// control of a window by its ID; the subclasses add what popup buttons,
// check boxes and edit fields need; CMenu wraps a menu. Main thread only.
#pragma once

#include <string>

#include "platform/ui/HIToolbox.h"

class CControl {
public:
    CControl();

    // Binds the control `id` of `window`; its status. Until it succeeds,
    // every operation that needs the control stops the program.
    OSStatus Init(ControlID id, WindowRef window);

    void SetTitle(const char* title);
    // Sets the text and redraws at once.
    virtual void SetText(const char* text);
    void Enable(bool enable);
    void Disable();
    void SetVisibility(Boolean visible);
    virtual void SetValue(SInt32 value);
    virtual SInt32 GetValue();
    void SetMaximum(SInt16 max);
    void SetMinimum(SInt16 min);
    SInt16 GetMaximum();
    SInt16 GetMinimum();
    virtual void Draw();

    // Each replaces the control's whole font style with its own fields.
    void SetFontControlStyle(SInt16 size, SInt16 justify, RGBColor foreColor);
    void SetFontSize(SInt16 size);
    void SetFontStyle(SInt16 style);
    void SetFontForeColor(RGBColor color);
    void SetFontBackColor(RGBColor color);
    void SetFontJustification(SInt16 justify);

    void SetupEventHandler(UInt32 eventKind, EventHandlerUPP eventHandler, void* eventData);
    void SetAction(ControlActionUPP controlActionUPP);
    void SetReference(SInt32 data);
    SInt32 GetReference();

    ControlRef GetControlRef() const { return _controlRef; }
    operator ControlRef() const { return _controlRef; }

protected:
    void ApplyFontStyle(const ControlFontStyleRec& style);

    ControlRef _controlRef;
    ControlID _id;
    WindowRef _window;
};

class CPopupControl : public CControl {
public:
    MenuHandle GetMenuHandle();
};

class CCheckBox : public CControl {
public:
    void Check();
    void UnCheck();
    bool IsChecked();
};

class CEdit : public CControl {
public:
    using CControl::GetValue;
    using CControl::SetValue;

    void SetValue(std::string stringValue);
    void SetValue(const char* charStringValue);
    // At most the first 8 characters, in Windows Latin-1.
    void GetValue(std::string& stringValue);
};

class CMenu {
public:
    explicit CMenu(MenuRef handle);

    // Empties the menu, then appends the strings up to the first empty one.
    void Init(std::string* menuItems);
    void Reset();
    // Texts longer than 255 bytes are cut there.
    void Append(const char* menuString);
    void Append(std::string menuString);
    void Append(ConstStr255Param menuString);

protected:
    MenuHandle _handle;
};
