// The window system as the application's window code sees it: interface
// files, windows, controls found by ID, menus, events and their handlers,
// event-loop timers, the application event loop and standard alerts.
//
// All calls are for the main thread. References are opaque; nothing here
// exposes the toolkit underneath, so tests can link a fake in its place.
// Texts are UTF-8 (see HIText.h for the 8-bit encodings).
#pragma once

#include <string>

#include "platform/common/MacTypes.h"

// ---------------------------------------------------------------- references

struct OpaqueIBNibRef;
struct OpaqueWindowRef;
struct OpaqueControlRef;
struct OpaqueMenuRef;
struct OpaqueEventRef;
struct OpaqueEventTargetRef;
struct OpaqueEventHandlerRef;
struct OpaqueEventHandlerCallRef;
struct OpaqueEventLoopRef;
struct OpaqueEventLoopTimerRef;
struct OpaqueDialogRef;

typedef OpaqueIBNibRef* IBNibRef;
typedef OpaqueWindowRef* WindowRef;
typedef OpaqueControlRef* ControlRef;
typedef OpaqueMenuRef* MenuRef;
typedef MenuRef MenuHandle;
typedef OpaqueEventRef* EventRef;
typedef OpaqueEventTargetRef* EventTargetRef;
typedef OpaqueEventHandlerRef* EventHandlerRef;
typedef OpaqueEventHandlerCallRef* EventHandlerCallRef;
typedef OpaqueEventLoopRef* EventLoopRef;
typedef OpaqueEventLoopTimerRef* EventLoopTimerRef;
typedef OpaqueDialogRef* DialogRef;

// ------------------------------------------------------------------ statuses

enum : OSStatus {
    eventNotHandledErr = -9874,
    eventParameterNotFoundErr = -9870,
    errDataNotSupported = -30581,
    errUnknownControl = -30584,

    // Interface files. Each failure has its own status.
    kIBCarbonRuntimeCantFindNibFile = -10960,    // missing or unreadable
    kIBCarbonRuntimeInvalidNibFile = -10961,     // not an interface description
    kIBCarbonRuntimeCantFindMenuBar = -10962,    // no menu bar of that name
    kIBCarbonRuntimeCantFindWindow = -10963,     // no window of that name
};

// ---------------------------------------------------------- interface files

// Opens the interface file `<name>.ui` from the application's data directory:
// beside the executable, else `<exe dir>/../share/kefirmwareupdate/`.
OSStatus CreateNibReference(const char* inNibName, IBNibRef* outNibRef);
// The same from an explicit directory.
OSStatus CreateNibReferenceInDirectory(const char* inDirectory, const char* inNibName, IBNibRef* outNibRef);
// Finds the menu bar `inName` and routes its items' commands (each item's
// four-character "command" property) as command events.
OSStatus SetMenuBarFromNib(IBNibRef inNibRef, const char* inName);
// Creates the window `inName` (the file's root widget), hidden.
OSStatus CreateWindowFromNib(IBNibRef inNibRef, const char* inName, WindowRef* outWindow);
void DisposeNibReference(IBNibRef inNibRef);

// ------------------------------------------------------------------- windows

void ShowWindow(WindowRef inWindow);
// Destroys the window and its controls. A window's close box never closes
// it: it sends the command 'quit' to the window (see the command events).
void DisposeWindow(WindowRef inWindow);
EventTargetRef GetWindowEventTarget(WindowRef inWindow);

// ------------------------------------------------------------------ controls

struct ControlID {
    OSType signature;
    SInt32 id;
};

struct RGBColor {
    UInt16 red;
    UInt16 green;
    UInt16 blue;
};

// Only the fields named by a bit of `flags` take effect; the others return to
// the style that the interface file gave the control.
struct ControlFontStyleRec {
    SInt16 flags;
    SInt16 font;
    SInt16 size;
    SInt16 style;
    SInt16 mode;
    SInt16 just;
    RGBColor foreColor;
    RGBColor backColor;
};

enum : SInt16 {
    kControlUseFaceMask = 0x0002,
    kControlUseSizeMask = 0x0004,
    kControlUseForeColorMask = 0x0008,
    kControlUseBackColorMask = 0x0010,
    kControlUseJustMask = 0x0040,
};

// Face bits of ControlFontStyleRec::style.
enum : SInt16 {
    kFaceNormal = 0,
    kFaceBold = 0x01,
    kFaceItalic = 0x02,
    kFaceUnderline = 0x04,
};

// Justification of ControlFontStyleRec::just.
enum : SInt16 {
    teFlushDefault = 0,
    teCenter = 1,
    teFlushRight = -1,
    teFlushLeft = -2,
};

typedef SInt16 ControlPartCode;
typedef void (*ControlActionProcPtr)(ControlRef theControl, ControlPartCode partCode);
typedef ControlActionProcPtr ControlActionUPP;

// Controls are found by ID: a widget named "<sig>_<id>", e.g. "keUD_101".
OSStatus GetControlByID(WindowRef inWindow, const ControlID* inID, ControlRef* outControl);

// Every call below accepts a null control and then does nothing (or gives 0).
void SetControlTitle(ControlRef inControl, const std::string& inTitle);  // button, group box or label
void SetControlText(ControlRef inControl, const std::string& inText);    // label, edit field or button, as plain text
OSStatus GetControlText(ControlRef inControl, std::string* outText);
void EnableControl(ControlRef inControl);
void DisableControl(ControlRef inControl);
void SetControlVisibility(ControlRef inControl, Boolean inIsVisible, Boolean inDoDraw);
// Values are pinned to the control's range. Check boxes: 0 off, 1 on,
// 2 mixed; popups: the 1-based item; progress bars, sliders, spin boxes.
void SetControl32BitValue(ControlRef inControl, SInt32 inValue);
SInt32 GetControl32BitValue(ControlRef inControl);
void SetControlMaximum(ControlRef inControl, SInt16 inMaximum);
void SetControlMinimum(ControlRef inControl, SInt16 inMinimum);
SInt16 GetControlMaximum(ControlRef inControl);
SInt16 GetControlMinimum(ControlRef inControl);
void Draw1Control(ControlRef inControl);
OSStatus SetControlFontStyle(ControlRef inControl, const ControlFontStyleRec* inStyle);
// Called with the part while the user drags a slider or scroll bar.
void SetControlAction(ControlRef inControl, ControlActionUPP inAction);
void SetControlReference(ControlRef inControl, SInt32 inData);
SInt32 GetControlReference(ControlRef inControl);
// Control-hit events of a push button go here first, then to its window.
EventTargetRef GetControlEventTarget(ControlRef inControl);
// The item list of a popup button; null for any other control.
MenuRef GetControlPopupMenuHandle(ControlRef inControl);

// --------------------------------------------------------------------- menus

typedef UInt16 MenuItemIndex;
typedef const unsigned char* ConstStr255Param;  // length byte, then up to 255 bytes

UInt16 CountMenuItems(MenuRef inMenu);
void DeleteMenuItem(MenuRef inMenu, MenuItemIndex inItem);
// Appends one item whose text is the Windows Latin-1 bytes of the string.
void AppendMenu(MenuRef inMenu, ConstStr255Param inText);

// -------------------------------------------------------------------- events

enum : UInt32 {
    kEventClassCommand = FourCC("cmds"),
    kEventClassControl = FourCC("cntl"),
    kEventClassApplication = FourCC("appl"),

    kEventCommandProcess = 1,
    kEventControlHit = 1,
    kEventAppQuit = 3,
};

enum : FourCharCode {
    kHICommandAbout = FourCC("abou"),
    kHICommandQuit = FourCC("quit"),
};

typedef FourCharCode EventParamName;
typedef FourCharCode EventParamType;

enum : FourCharCode {
    kEventParamDirectObject = FourCC("----"),
    typeHICommand = FourCC("hcmd"),
    typeControlRef = FourCC("ctrl"),
};

enum : UInt32 {
    kHICommandFromMenu = 1,
};

struct HICommand {
    UInt32 attributes;
    UInt32 commandID;
    struct {
        MenuRef menuRef;
        MenuItemIndex menuItemIndex;
    } menu;
};

struct EventTypeSpec {
    UInt32 eventClass;
    UInt32 eventKind;
};

typedef double EventTime;
typedef UInt32 EventAttributes;
enum : EventAttributes { kEventAttributeNone = 0 };

typedef OSStatus (*EventHandlerProcPtr)(EventHandlerCallRef inHandlerCallRef, EventRef inEvent, void* inUserData);
typedef EventHandlerProcPtr EventHandlerUPP;

EventHandlerUPP NewEventHandlerUPP(EventHandlerProcPtr inProc);

// Handlers of one target run newest first; the first result other than
// eventNotHandledErr ends the dispatch. Unhandled events go on to the
// parent target (control, then window, then application) and at last to the
// standard handler: the command 'quit' sends the application-quit event, and
// the application-quit event ends RunApplicationEventLoop.
OSStatus InstallEventHandler(EventTargetRef inTarget, EventHandlerUPP inHandler, UInt32 inNumTypes,
                             const EventTypeSpec* inList, void* inUserData, EventHandlerRef* outRef);
OSStatus RemoveEventHandler(EventHandlerRef inHandlerRef);
EventTargetRef GetApplicationEventTarget();

// `inAllocator` must be null. The caller releases the event.
OSStatus CreateEvent(const void* inAllocator, UInt32 inClassID, UInt32 inKind, EventTime inWhen,
                     EventAttributes inAttributes, EventRef* outEvent);
void ReleaseEvent(EventRef inEvent);
UInt32 GetEventClass(EventRef inEvent);
UInt32 GetEventKind(EventRef inEvent);
// Direct object: an HICommand of a command event, the ControlRef of a control event.
OSStatus GetEventParameter(EventRef inEvent, EventParamName inName, EventParamType inDesiredType,
                           EventParamType* outActualType, UInt32 inBufferSize, UInt32* outActualSize,
                           void* outData);
OSStatus SetEventParameter(EventRef inEvent, EventParamName inName, EventParamType inType, UInt32 inSize,
                           const void* inData);
OSStatus SendEventToEventTarget(EventRef inEvent, EventTargetRef inTarget);

// --------------------------------------------------------- event loop, timers

typedef double EventTimerInterval;  // seconds
typedef OSStatus (*EventLoopTimerProcPtr)(EventLoopTimerRef inTimer, void* inUserData);
typedef EventLoopTimerProcPtr EventLoopTimerUPP;

EventLoopTimerUPP NewEventLoopTimerUPP(EventLoopTimerProcPtr inProc);
EventLoopRef GetCurrentEventLoop();
// First call after `inFireDelay`, then every `inInterval` (0: once). Timers
// run on the main thread while an event loop (also a modal alert's) runs.
OSStatus InstallEventLoopTimer(EventLoopRef inEventLoop, EventTimerInterval inFireDelay,
                               EventTimerInterval inInterval, EventLoopTimerUPP inTimerProc, void* inTimerData,
                               EventLoopTimerRef* outTimer);
// Safe inside the timer's own call.
OSStatus RemoveEventLoopTimer(EventLoopTimerRef inTimer);

// Runs until the application-quit event is handled. A quit event handled
// while no loop runs makes the next call return at once.
void RunApplicationEventLoop();

// -------------------------------------------------------------------- alerts

typedef SInt16 AlertType;
enum : AlertType {
    kAlertStopAlert = 0,
    kAlertNoteAlert = 1,
    kAlertCautionAlert = 2,
    kAlertPlainAlert = 3,
};

typedef SInt16 DialogItemIndex;
enum : DialogItemIndex {
    kAlertStdAlertOKButton = 1,
    kAlertStdAlertCancelButton = 2,
    kAlertStdAlertOtherButton = 3,
};

enum : UInt32 { kStdCFStringAlertVersionOne = 1 };
enum : UInt16 { kWindowDefaultPosition = 0, kWindowAlertPositionParentWindowScreen = 0x680A };

// Button texts are null for "no such button".
struct AlertStdCFStringAlertParamRec {
    UInt32 version;
    Boolean movable;
    Boolean helpButton;
    const char* defaultText;
    const char* cancelText;
    const char* otherText;
    SInt16 defaultButton;
    SInt16 cancelButton;  // the button that Escape presses
    UInt16 position;
    UInt32 flags;
};

// Version 1 defaults: an "OK" button only, OK the default button.
OSStatus GetStandardAlertDefaultParams(AlertStdCFStringAlertParamRec* outParams, UInt32 inVersion);
OSStatus CreateStandardAlert(AlertType inAlertType, const std::string& inError, const std::string& inExplanation,
                             const AlertStdCFStringAlertParamRec* inParams, DialogRef* outAlert);
// Runs the alert modally (`inFilterProc` must be null), gives the item
// pressed and disposes of the alert. Escape presses the cancel button; on an
// alert with the OK button alone it presses OK.
OSStatus RunStandardAlert(DialogRef inAlert, const void* inFilterProc, DialogItemIndex* outItemHit);
