// SPDX-License-Identifier: MIT
#include "macclasses/carboncontrols.h"

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
#include <cstring>

#include "platform/common/KeAssert.h"

namespace {

// Windows Latin-1 differs from ISO Latin-1 only in 0x80-0x9F; its five
// undefined bytes there keep their C1 code points, so every byte round-trips.
constexpr char16_t kHighControls[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

// An edit field's value holds at most this many characters.
constexpr size_t kEditValueLimit = 8;
constexpr size_t kMenuItemLimit = 255;

QString ControlText(const char* text) { return text ? FromWindowsLatin1(text) : QString(); }

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

void SetRangeEnd(QWidget* widget, int value, bool maximum)
{
    if (auto bar = qobject_cast<QProgressBar*>(widget)) {
        maximum ? bar->setMaximum(value) : bar->setMinimum(value);
    } else if (auto slider = qobject_cast<QAbstractSlider*>(widget)) {
        maximum ? slider->setMaximum(value) : slider->setMinimum(value);
    } else if (auto spin = qobject_cast<QSpinBox*>(widget)) {
        maximum ? spin->setMaximum(value) : spin->setMinimum(value);
    }
}

}  // namespace

QString ControlID::ObjectName() const
{
    return QString::fromLatin1(signature.data(), static_cast<qsizetype>(signature.size())) + QLatin1Char('_') +
           QString::number(number);
}

QString FromWindowsLatin1(std::string_view bytes)
{
    QString text;
    text.reserve(static_cast<qsizetype>(bytes.size()));
    for (char c : bytes) {
        const auto byte = static_cast<unsigned char>(c);
        text += QChar(byte >= 0x80 && byte < 0xA0 ? kHighControls[byte - 0x80] : char16_t{byte});
    }
    return text;
}

std::string ToWindowsLatin1(const QString& text, char lossByte)
{
    std::string bytes;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t unit = text[i].unicode();
        if (QChar::isHighSurrogate(unit) && i + 1 < text.size() && text[i + 1].isLowSurrogate()) ++i;
        const auto* high = std::find(std::begin(kHighControls), std::end(kHighControls), unit);
        if (high != std::end(kHighControls)) {
            bytes.push_back(static_cast<char>(0x80 + (high - std::begin(kHighControls))));
        } else if (unit < 0x100 && (unit < 0x80 || unit >= 0xA0)) {
            bytes.push_back(static_cast<char>(unit));
        } else {
            bytes.push_back(lossByte);
        }
    }
    return bytes;
}

// ------------------------------------------------------------------ CControl

bool CControl::Init(ControlID id, QWidget* window)
{
    _id = id;
    _window = window;
    _controlRef = window ? window->findChild<QWidget*>(id.ObjectName()) : nullptr;
    if (_controlRef == nullptr) return false;
    _originalFont = _controlRef->font();
    _originalPalette = _controlRef->palette();
    _originalAlignment = AlignmentOf(_controlRef);
    // Controls keep their place when others are hidden, as on a fixed layout.
    QSizePolicy policy = _controlRef->sizePolicy();
    policy.setRetainSizeWhenHidden(true);
    _controlRef->setSizePolicy(policy);
    return true;
}

void CControl::SetTitle(const char* title) { SetTitle(ControlText(title)); }

void CControl::SetTitle(const QString& text)
{
    KE_ASSERT(_controlRef != NULL);
    if (auto button = qobject_cast<QAbstractButton*>(_controlRef)) button->setText(text);
    if (auto group = qobject_cast<QGroupBox*>(_controlRef)) group->setTitle(text);
    if (auto label = qobject_cast<QLabel*>(_controlRef)) label->setText(text);
}

void CControl::SetText(const char* text) { SetText(ControlText(text)); }

void CControl::SetText(const QString& value)
{
    KE_ASSERT(_controlRef != NULL);
    if (auto label = qobject_cast<QLabel*>(_controlRef)) {
        label->setTextFormat(Qt::PlainText);
        label->setText(value);
    }
    if (auto edit = qobject_cast<QLineEdit*>(_controlRef)) edit->setText(value);
    if (auto button = qobject_cast<QAbstractButton*>(_controlRef)) button->setText(value);
    Draw();
}

void CControl::Enable(bool enable)
{
    KE_ASSERT(_controlRef != NULL);
    _controlRef->setEnabled(enable);
}

void CControl::Disable()
{
    KE_ASSERT(_controlRef != NULL);
    _controlRef->setEnabled(false);
}

void CControl::SetVisibility(bool visible)
{
    KE_ASSERT(_controlRef != NULL);
    _controlRef->setVisible(visible);
}

void CControl::SetValue(int value)
{
    KE_ASSERT(_controlRef != NULL);
    int minimum = 0;
    int maximum = 0;
    if (!RangeOf(_controlRef, minimum, maximum)) return;
    value = std::clamp(value, minimum, maximum);
    if (auto bar = qobject_cast<QProgressBar*>(_controlRef)) {
        bar->setValue(value);
    } else if (auto slider = qobject_cast<QAbstractSlider*>(_controlRef)) {
        slider->setValue(value);
    } else if (auto spin = qobject_cast<QSpinBox*>(_controlRef)) {
        spin->setValue(value);
    } else if (auto popup = qobject_cast<QComboBox*>(_controlRef)) {
        popup->setCurrentIndex(value - 1);
    } else if (auto box = qobject_cast<QCheckBox*>(_controlRef)) {
        box->setCheckState(value == 2 ? Qt::PartiallyChecked : value == 1 ? Qt::Checked : Qt::Unchecked);
    } else if (auto button = qobject_cast<QAbstractButton*>(_controlRef)) {
        button->setChecked(value == 1);
    }
}

int CControl::GetValue()
{
    KE_ASSERT(_controlRef != NULL);
    if (auto bar = qobject_cast<QProgressBar*>(_controlRef)) return std::max(bar->value(), bar->minimum());
    if (auto slider = qobject_cast<QAbstractSlider*>(_controlRef)) return slider->value();
    if (auto spin = qobject_cast<QSpinBox*>(_controlRef)) return spin->value();
    if (auto popup = qobject_cast<QComboBox*>(_controlRef)) return popup->currentIndex() + 1;
    if (auto box = qobject_cast<QCheckBox*>(_controlRef)) {
        const Qt::CheckState state = box->checkState();
        return state == Qt::PartiallyChecked ? 2 : state == Qt::Checked ? 1 : 0;
    }
    if (auto button = qobject_cast<QAbstractButton*>(_controlRef)) return button->isChecked() ? 1 : 0;
    return 0;
}

void CControl::SetMaximum(int max)
{
    KE_ASSERT(_controlRef != NULL);
    SetRangeEnd(_controlRef, max, true);
}

void CControl::SetMinimum(int min)
{
    KE_ASSERT(_controlRef != NULL);
    SetRangeEnd(_controlRef, min, false);
}

int CControl::GetMaximum()
{
    KE_ASSERT(_controlRef != NULL);
    int minimum = 0;
    int maximum = 0;
    return RangeOf(_controlRef, minimum, maximum) ? maximum : 0;
}

int CControl::GetMinimum()
{
    KE_ASSERT(_controlRef != NULL);
    int minimum = 0;
    int maximum = 0;
    return RangeOf(_controlRef, minimum, maximum) ? minimum : 0;
}

void CControl::Draw()
{
    KE_ASSERT(_controlRef != NULL);
    _controlRef->update();
}

void CControl::ApplyFontStyle(const FontStyle& style)
{
    KE_ASSERT(_controlRef != NULL);
    QFont font = _originalFont;
    QPalette palette = _originalPalette;
    Qt::Alignment alignment = _originalAlignment;
    if (style.size > 0) font.setPointSize(style.size);
    if (style.face >= 0) {
        font.setBold((style.face & kFaceBold) != 0);
        font.setItalic((style.face & kFaceItalic) != 0);
        font.setUnderline((style.face & kFaceUnderline) != 0);
    }
    if (style.foreColor.isValid()) {
        for (QPalette::ColorRole role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText}) {
            palette.setColor(QPalette::Active, role, style.foreColor);
            palette.setColor(QPalette::Inactive, role, style.foreColor);
        }
    }
    if (style.backColor.isValid()) {
        for (QPalette::ColorRole role : {QPalette::Window, QPalette::Base, QPalette::Button}) {
            palette.setColor(role, style.backColor);
        }
    }
    if (style.justify & Qt::AlignHorizontal_Mask) {
        alignment = (alignment & Qt::AlignVertical_Mask) | (style.justify & Qt::AlignHorizontal_Mask);
    }
    _controlRef->setFont(font);
    _controlRef->setPalette(palette);
    _controlRef->setAutoFillBackground(style.backColor.isValid());
    SetAlignment(_controlRef, alignment);
}

void CControl::SetFontControlStyle(int size, Qt::Alignment justify, QColor foreColor)
{
    FontStyle style;
    style.size = size;
    style.justify = justify;
    style.foreColor = foreColor;
    ApplyFontStyle(style);
}

void CControl::SetFontSize(int size)
{
    FontStyle style;
    style.size = size;
    ApplyFontStyle(style);
}

void CControl::SetFontStyle(int face)
{
    FontStyle style;
    style.face = face;
    ApplyFontStyle(style);
}

void CControl::SetFontForeColor(QColor color)
{
    FontStyle style;
    style.foreColor = color;
    ApplyFontStyle(style);
}

void CControl::SetFontBackColor(QColor color)
{
    FontStyle style;
    style.backColor = color;
    ApplyFontStyle(style);
}

void CControl::SetFontJustification(Qt::Alignment justify)
{
    FontStyle style;
    style.justify = justify;
    ApplyFontStyle(style);
}

void CControl::SetupEventHandler(std::function<void()> handler)
{
    if (!handler) return;
    // A popup's item picked by the user, with the mouse or the keyboard; never one set by the program.
    if (auto popup = qobject_cast<QComboBox*>(_controlRef)) {
        QObject::connect(popup, &QComboBox::activated, popup, [handler = std::move(handler)] { handler(); });
        return;
    }
    auto button = qobject_cast<QAbstractButton*>(_controlRef);
    if (button == nullptr) return;
    QObject::connect(button, &QAbstractButton::clicked, button, [handler = std::move(handler)] { handler(); });
}

void CControl::SetAction(std::function<void()> action)
{
    auto slider = qobject_cast<QAbstractSlider*>(_controlRef);
    if (slider == nullptr || !action) return;
    QObject::connect(slider, &QAbstractSlider::actionTriggered, slider, [action = std::move(action)] { action(); });
}

void CControl::SetAccessibleName(const char* name) { SetAccessibleName(ControlText(name)); }

void CControl::SetAccessibleName(const QString& text)
{
    KE_ASSERT(_controlRef != NULL);
    if (_controlRef->accessibleName() != text) _controlRef->setAccessibleName(text);
}

void CControl::SetReference(int data)
{
    if (_controlRef != nullptr) _reference = data;
}

int CControl::GetReference() { return _reference; }

// ------------------------------------------------------------- subclasses

QComboBox* CPopupControl::GetMenuHandle()
{
    KE_ASSERT(_controlRef != NULL);
    return qobject_cast<QComboBox*>(_controlRef);
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
    if (auto edit = qobject_cast<QLineEdit*>(_controlRef)) edit->setText(ControlText(charStringValue));
    if (auto label = qobject_cast<QLabel*>(_controlRef)) label->setText(ControlText(charStringValue));
}

void CEdit::GetValue(std::string& stringValue)
{
    QString text;
    if (auto edit = qobject_cast<QLineEdit*>(_controlRef)) text = edit->text();
    if (auto label = qobject_cast<QLabel*>(_controlRef)) text = label->text();
    stringValue = ToWindowsLatin1(text, '?');
    if (stringValue.size() > kEditValueLimit) stringValue.resize(kEditValueLimit);
}

// -------------------------------------------------------------------- CMenu

CMenu::CMenu(QComboBox* handle) : _handle(handle) {}

void CMenu::Init(std::string* menuItems)
{
    Reset();
    if (menuItems == nullptr) return;
    for (std::string* item = menuItems; !item->empty(); ++item) Append(item->c_str());
}

void CMenu::Reset()
{
    if (_handle != nullptr) _handle->clear();
}

void CMenu::Append(const char* menuString)
{
    if (_handle == nullptr) return;
    const size_t length = menuString ? std::min(std::strlen(menuString), kMenuItemLimit) : 0;
    _handle->addItem(FromWindowsLatin1(std::string_view(menuString ? menuString : "", length)));
}

void CMenu::Append(std::string menuString) { Append(menuString.c_str()); }

void CMenu::Append(const QString& menuString)
{
    if (_handle != nullptr) _handle->addItem(menuString.left(static_cast<qsizetype>(kMenuItemLimit)));
}
