// Controls found by ID, their values, texts and styles, their hit events,
// and the item lists of popup buttons.
#include <QAbstractButton>
#include <QAbstractSlider>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QSpinBox>
#include <algorithm>
#include <limits>

#include "platform/ui/HIText.h"
#include "platform/ui/UIRuntime.h"

namespace {

QString ObjectNameOf(const ControlID& id)
{
    QString name;
    for (int shift = 24; shift >= 0; shift -= 8) name += QChar(static_cast<char16_t>((id.signature >> shift) & 0xFF));
    return name + QLatin1Char('_') + QString::number(id.id);
}

QWidget* WidgetOf(ControlRef control) { return control ? control->widget.data() : nullptr; }

Qt::Alignment AlignmentOf(const QWidget* widget)
{
    if (auto label = qobject_cast<const QLabel*>(widget)) return label->alignment();
    if (auto edit = qobject_cast<const QLineEdit*>(widget)) return edit->alignment();
    return {};
}

void SetAlignment(QWidget* widget, Qt::Alignment alignment)
{
    if (auto label = qobject_cast<QLabel*>(widget)) label->setAlignment(alignment);
    if (auto edit = qobject_cast<QLineEdit*>(widget)) edit->setAlignment(alignment);
}

QColor ColorOf(const RGBColor& color) { return QColor::fromRgba64(color.red, color.green, color.blue); }

// A control's value range, for the kinds that have one.
bool RangeOf(const QWidget* widget, int& minimum, int& maximum)
{
    if (auto bar = qobject_cast<const QProgressBar*>(widget)) {
        minimum = bar->minimum(), maximum = bar->maximum();
    } else if (auto slider = qobject_cast<const QAbstractSlider*>(widget)) {
        minimum = slider->minimum(), maximum = slider->maximum();
    } else if (auto spin = qobject_cast<const QSpinBox*>(widget)) {
        minimum = spin->minimum(), maximum = spin->maximum();
    } else if (auto popup = qobject_cast<const QComboBox*>(widget)) {
        minimum = popup->count() > 0 ? 1 : 0, maximum = popup->count();
    } else if (auto box = qobject_cast<const QCheckBox*>(widget)) {
        minimum = 0, maximum = box->isTristate() ? 2 : 1;
    } else if (auto button = qobject_cast<const QAbstractButton*>(widget); button && button->isCheckable()) {
        minimum = 0, maximum = 1;
    } else {
        return false;
    }
    return true;
}

void BindHitEvents(ControlRef control)
{
    QWidget* widget = control->widget;
    if (auto button = qobject_cast<QAbstractButton*>(widget)) {
        control->connections.push_back(QObject::connect(button, &QAbstractButton::clicked, [control] {
            OpaqueEventRef event;
            event.eventClass = kEventClassControl;
            event.eventKind = kEventControlHit;
            event.control = control;
            SendEventToEventTarget(&event, &control->target);
        }));
    }
    if (auto slider = qobject_cast<QAbstractSlider*>(widget)) {
        control->connections.push_back(QObject::connect(slider, &QAbstractSlider::actionTriggered, [control](int) {
            if (control->action) control->action(control, 0);
        }));
    }
}

}  // namespace

OpaqueControlRef::~OpaqueControlRef()
{
    for (const auto& connection : connections) QObject::disconnect(connection);
}

OSStatus GetControlByID(WindowRef inWindow, const ControlID* inID, ControlRef* outControl)
{
    if (outControl) *outControl = nullptr;
    UIRuntime& runtime = UIRuntime::Get();
    if (!runtime.IsWindow(inWindow) || inID == nullptr || outControl == nullptr) return paramErr;
    QWidget* widget = inWindow->widget->findChild<QWidget*>(ObjectNameOf(*inID));
    if (widget == nullptr) return errUnknownControl;

    for (const auto& control : inWindow->controls) {
        if (control->widget == widget) {
            *outControl = control.get();
            return noErr;
        }
    }
    auto control = std::make_unique<OpaqueControlRef>();
    control->widget = widget;
    control->target.parent = &inWindow->target;
    control->originalFont = widget->font();
    control->originalPalette = widget->palette();
    control->originalAutoFill = widget->autoFillBackground();
    control->originalAlignment = AlignmentOf(widget);
    // Controls keep their place when others are hidden, as on a fixed layout.
    QSizePolicy policy = widget->sizePolicy();
    policy.setRetainSizeWhenHidden(true);
    widget->setSizePolicy(policy);
    if (auto popup = qobject_cast<QComboBox*>(widget)) {
        control->popupMenu = std::make_unique<OpaqueMenuRef>();
        control->popupMenu->popup = popup;
    }
    BindHitEvents(control.get());
    *outControl = control.get();
    inWindow->controls.push_back(std::move(control));
    return noErr;
}

void SetControlTitle(ControlRef inControl, const std::string& inTitle)
{
    QWidget* widget = WidgetOf(inControl);
    const QString title = QString::fromStdString(inTitle);
    if (auto button = qobject_cast<QAbstractButton*>(widget)) button->setText(title);
    if (auto group = qobject_cast<QGroupBox*>(widget)) group->setTitle(title);
    if (auto label = qobject_cast<QLabel*>(widget)) {
        label->setTextFormat(Qt::PlainText);
        label->setText(title);
    }
}

void SetControlText(ControlRef inControl, const std::string& inText)
{
    QWidget* widget = WidgetOf(inControl);
    const QString text = QString::fromStdString(inText);
    if (auto label = qobject_cast<QLabel*>(widget)) {
        label->setTextFormat(Qt::PlainText);
        label->setText(text);
    }
    if (auto edit = qobject_cast<QLineEdit*>(widget)) edit->setText(text);
    if (auto button = qobject_cast<QAbstractButton*>(widget)) button->setText(text);
}

OSStatus GetControlText(ControlRef inControl, std::string* outText)
{
    QWidget* widget = WidgetOf(inControl);
    if (widget == nullptr || outText == nullptr) return paramErr;
    if (auto label = qobject_cast<QLabel*>(widget)) {
        *outText = label->text().toStdString();
    } else if (auto edit = qobject_cast<QLineEdit*>(widget)) {
        *outText = edit->text().toStdString();
    } else if (auto button = qobject_cast<QAbstractButton*>(widget)) {
        *outText = button->text().toStdString();
    } else {
        return errDataNotSupported;
    }
    return noErr;
}

void EnableControl(ControlRef inControl)
{
    if (QWidget* widget = WidgetOf(inControl)) widget->setEnabled(true);
}

void DisableControl(ControlRef inControl)
{
    if (QWidget* widget = WidgetOf(inControl)) widget->setEnabled(false);
}

void SetControlVisibility(ControlRef inControl, Boolean inIsVisible, Boolean inDoDraw)
{
    QWidget* widget = WidgetOf(inControl);
    if (widget == nullptr) return;
    widget->setVisible(inIsVisible != 0);
    if (inDoDraw) widget->update();
}

void SetControl32BitValue(ControlRef inControl, SInt32 inValue)
{
    QWidget* widget = WidgetOf(inControl);
    int minimum = 0;
    int maximum = 0;
    if (widget == nullptr || !RangeOf(widget, minimum, maximum)) return;
    const int value = std::clamp<SInt32>(inValue, minimum, maximum);
    if (auto bar = qobject_cast<QProgressBar*>(widget)) {
        bar->setValue(value);
    } else if (auto slider = qobject_cast<QAbstractSlider*>(widget)) {
        slider->setValue(value);
    } else if (auto spin = qobject_cast<QSpinBox*>(widget)) {
        spin->setValue(value);
    } else if (auto popup = qobject_cast<QComboBox*>(widget)) {
        popup->setCurrentIndex(value - 1);
    } else if (auto box = qobject_cast<QCheckBox*>(widget)) {
        box->setCheckState(value == 2 ? Qt::PartiallyChecked : value == 1 ? Qt::Checked : Qt::Unchecked);
    } else if (auto button = qobject_cast<QAbstractButton*>(widget)) {
        button->setChecked(value == 1);
    }
}

SInt32 GetControl32BitValue(ControlRef inControl)
{
    QWidget* widget = WidgetOf(inControl);
    if (auto bar = qobject_cast<QProgressBar*>(widget)) return std::max(bar->value(), bar->minimum());
    if (auto slider = qobject_cast<QAbstractSlider*>(widget)) return slider->value();
    if (auto spin = qobject_cast<QSpinBox*>(widget)) return spin->value();
    if (auto popup = qobject_cast<QComboBox*>(widget)) return popup->currentIndex() + 1;
    if (auto box = qobject_cast<QCheckBox*>(widget)) {
        const Qt::CheckState state = box->checkState();
        return state == Qt::PartiallyChecked ? 2 : state == Qt::Checked ? 1 : 0;
    }
    if (auto button = qobject_cast<QAbstractButton*>(widget)) return button->isChecked() ? 1 : 0;
    return 0;
}

void SetControlMaximum(ControlRef inControl, SInt16 inMaximum)
{
    QWidget* widget = WidgetOf(inControl);
    if (auto bar = qobject_cast<QProgressBar*>(widget)) bar->setMaximum(inMaximum);
    if (auto slider = qobject_cast<QAbstractSlider*>(widget)) slider->setMaximum(inMaximum);
    if (auto spin = qobject_cast<QSpinBox*>(widget)) spin->setMaximum(inMaximum);
}

void SetControlMinimum(ControlRef inControl, SInt16 inMinimum)
{
    QWidget* widget = WidgetOf(inControl);
    if (auto bar = qobject_cast<QProgressBar*>(widget)) bar->setMinimum(inMinimum);
    if (auto slider = qobject_cast<QAbstractSlider*>(widget)) slider->setMinimum(inMinimum);
    if (auto spin = qobject_cast<QSpinBox*>(widget)) spin->setMinimum(inMinimum);
}

namespace {

SInt16 PinToSInt16(int value)
{
    return static_cast<SInt16>(
        std::clamp<int>(value, std::numeric_limits<SInt16>::min(), std::numeric_limits<SInt16>::max()));
}

}  // namespace

SInt16 GetControlMaximum(ControlRef inControl)
{
    int minimum = 0;
    int maximum = 0;
    QWidget* widget = WidgetOf(inControl);
    return widget && RangeOf(widget, minimum, maximum) ? PinToSInt16(maximum) : 0;
}

SInt16 GetControlMinimum(ControlRef inControl)
{
    int minimum = 0;
    int maximum = 0;
    QWidget* widget = WidgetOf(inControl);
    return widget && RangeOf(widget, minimum, maximum) ? PinToSInt16(minimum) : 0;
}

void Draw1Control(ControlRef inControl)
{
    if (QWidget* widget = WidgetOf(inControl)) widget->update();
}

OSStatus SetControlFontStyle(ControlRef inControl, const ControlFontStyleRec* inStyle)
{
    QWidget* widget = WidgetOf(inControl);
    if (widget == nullptr || inStyle == nullptr) return paramErr;
    // Each record replaces the last one: start again from the file's style.
    QFont font = inControl->originalFont;
    QPalette palette = inControl->originalPalette;
    bool autoFill = inControl->originalAutoFill;
    Qt::Alignment alignment = inControl->originalAlignment;

    const SInt16 flags = inStyle->flags;
    if ((flags & kControlUseSizeMask) && inStyle->size > 0) font.setPointSize(inStyle->size);
    if (flags & kControlUseFaceMask) {
        font.setBold((inStyle->style & kFaceBold) != 0);
        font.setItalic((inStyle->style & kFaceItalic) != 0);
        font.setUnderline((inStyle->style & kFaceUnderline) != 0);
    }
    if (flags & kControlUseForeColorMask) {
        const QColor color = ColorOf(inStyle->foreColor);
        for (QPalette::ColorRole role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText}) {
            palette.setColor(QPalette::Active, role, color);
            palette.setColor(QPalette::Inactive, role, color);
        }
    }
    if (flags & kControlUseBackColorMask) {
        const QColor color = ColorOf(inStyle->backColor);
        for (QPalette::ColorRole role : {QPalette::Window, QPalette::Base, QPalette::Button}) {
            palette.setColor(role, color);
        }
        autoFill = true;
    }
    if (flags & kControlUseJustMask) {
        const Qt::Alignment vertical = alignment & Qt::AlignVertical_Mask;
        switch (inStyle->just) {
        case teCenter: alignment = vertical | Qt::AlignHCenter; break;
        case teFlushRight: alignment = vertical | Qt::AlignRight; break;
        case teFlushLeft: alignment = vertical | Qt::AlignLeft; break;
        default: break;
        }
    }
    widget->setFont(font);
    widget->setPalette(palette);
    widget->setAutoFillBackground(autoFill);
    SetAlignment(widget, alignment);
    return noErr;
}

void SetControlAction(ControlRef inControl, ControlActionUPP inAction)
{
    if (inControl) inControl->action = inAction;
}

void SetControlReference(ControlRef inControl, SInt32 inData)
{
    if (inControl) inControl->reference = inData;
}

SInt32 GetControlReference(ControlRef inControl) { return inControl ? inControl->reference : 0; }

EventTargetRef GetControlEventTarget(ControlRef inControl) { return inControl ? &inControl->target : nullptr; }

MenuRef GetControlPopupMenuHandle(ControlRef inControl) { return inControl ? inControl->popupMenu.get() : nullptr; }

// -------------------------------------------------------------------- menus

UInt16 CountMenuItems(MenuRef inMenu)
{
    if (inMenu == nullptr || inMenu->popup.isNull()) return 0;
    return static_cast<UInt16>(std::min(inMenu->popup->count(), 0xFFFF));
}

void DeleteMenuItem(MenuRef inMenu, MenuItemIndex inItem)
{
    if (inMenu == nullptr || inMenu->popup.isNull() || inItem < 1) return;
    inMenu->popup->removeItem(inItem - 1);
}

void AppendMenu(MenuRef inMenu, ConstStr255Param inText)
{
    if (inMenu == nullptr || inMenu->popup.isNull() || inText == nullptr) return;
    const std::string bytes(reinterpret_cast<const char*>(inText + 1), inText[0]);
    const std::string text = TextCreateWithCString(bytes.c_str(), kTextEncodingWindowsLatin1);
    inMenu->popup->addItem(QString::fromStdString(text));
}
