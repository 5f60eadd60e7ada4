// SPDX-License-Identifier: MIT
// Classes over the window's Qt widgets. A CControl binds one widget of a
// window by its control ID; the subclasses add what popup buttons, check
// boxes and edit fields need; CMenu wraps a popup's item list. Texts handed
// to them are Windows Latin-1, as the program's strings always were.
// Main thread only.
#pragma once

#include <QColor>
#include <QFont>
#include <QPalette>
#include <QString>
#include <functional>
#include <string>
#include <string_view>

class QComboBox;
class QWidget;

// A control of an interface file: the widget named "<signature>_<number>",
// e.g. "keUD_101".
struct ControlID {
    std::string_view signature;
    int number;

    QString ObjectName() const;
};

// Face bits of SetFontStyle.
enum ControlFace : int {
    kFaceNormal = 0,
    kFaceBold = 0x01,
    kFaceItalic = 0x02,
    kFaceUnderline = 0x04,
};

// Windows Latin-1 bytes to text and back; a character that Windows Latin-1
// lacks becomes `lossByte`.
QString FromWindowsLatin1(std::string_view bytes);
std::string ToWindowsLatin1(const QString& text, char lossByte);

class CControl {
public:
    CControl() = default;

    // Binds the widget `id` of `window`; false when the window has none.
    // Until it succeeds, every operation that needs the widget stops the
    // program.
    bool Init(ControlID id, QWidget* window);

    // The texts are in Windows Latin-1, or, as QString, whatever the
    // translations give.
    void SetTitle(const char* title);
    void SetTitle(const QString& title);
    // Sets the text and redraws at once.
    virtual void SetText(const char* text);
    void SetText(const QString& text);
    void Enable(bool enable);
    void Disable();
    void SetVisibility(bool visible);
    // Values are pinned to the control's range. Check boxes: 0 off, 1 on,
    // 2 mixed; popups: the 1-based item; progress bars, sliders, spin boxes.
    virtual void SetValue(int value);
    virtual int GetValue();
    void SetMaximum(int max);
    void SetMinimum(int min);
    int GetMaximum();
    int GetMinimum();
    virtual void Draw();

    // Each sets only its own fields; the others return to the style that
    // the interface file gave the control.
    void SetFontControlStyle(int size, Qt::Alignment justify, QColor foreColor);
    void SetFontSize(int size);
    void SetFontStyle(int face);
    void SetFontForeColor(QColor color);
    void SetFontBackColor(QColor color);
    void SetFontJustification(Qt::Alignment justify);

    // `handler` runs when the user presses the button, or picks an item of
    // the popup.
    void SetupEventHandler(std::function<void()> handler);
    // `action` runs while the user drags a slider.
    void SetAction(std::function<void()> action);
    // The name that screen readers give the control.
    void SetAccessibleName(const char* name);
    void SetAccessibleName(const QString& name);
    void SetReference(int data);
    int GetReference();

    QWidget* GetControlRef() const { return _controlRef; }

protected:
    struct FontStyle {
        int size = 0;
        int face = -1;
        Qt::Alignment justify;
        QColor foreColor;
        QColor backColor;
    };
    void ApplyFontStyle(const FontStyle& style);

    // Not owned: the window owns its widgets and outlives the controls.
    QWidget* _controlRef = nullptr;
    ControlID _id{};
    QWidget* _window = nullptr;
    int _reference = 0;
    // The style the interface file gave, under every font operation.
    QFont _originalFont;
    QPalette _originalPalette;
    Qt::Alignment _originalAlignment;
};

class CPopupControl : public CControl {
public:
    QComboBox* GetMenuHandle();
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
    explicit CMenu(QComboBox* handle);

    // Empties the menu, then appends the strings up to the first empty one.
    void Init(std::string* menuItems);
    void Reset();
    // Texts longer than 255 bytes are cut there.
    void Append(const char* menuString);
    void Append(std::string menuString);
    void Append(const QString& menuString);

protected:
    QComboBox* _handle;
};
