// The control wrappers over a recording stand-in for the window layer.
#include <gtest/gtest.h>

#include <functional>

#include "macclasses/carboncontrols.h"
#include "platform/ui/HIText.h"
#include "tests/gui/FakeHIToolbox.h"

namespace {

constexpr char kAssertion[] = "macclasses/carboncontrols.cpp:[0-9]+: failed assertion `_controlRef != NULL'";

class ControlsTest : public ::testing::Test {
protected:
    void SetUp() override { window.controls[101] = &control; }

    OpaqueControlRef control;
    OpaqueWindowRef window;
};

// Records that SetText reaches Draw through the virtual table.
class CountingControl : public CControl {
public:
    void Draw() override
    {
        ++draws;
        CControl::Draw();
    }
    int draws = 0;
};

OSStatus NoHandler(EventHandlerCallRef, EventRef, void*) { return noErr; }

}  // namespace

TEST_F(ControlsTest, UnboundControlStopsTheProgramAtFirstUse)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    CControl never;
    CControl missing;
    EXPECT_EQ(errUnknownControl, missing.Init({FourCC("keUD"), 999}, &window));
    EXPECT_EQ(nullptr, missing.GetControlRef());
    CCheckBox box;
    CPopupControl popup;
    const std::function<void()> uses[] = {
        [&] { never.SetText("x"); },
        [&] { missing.GetValue(); },
        [&] { missing.SetVisibility(false); },
        [&] { missing.SetFontForeColor({65535, 0, 0}); },
        [&] { box.IsChecked(); },
        [&] { popup.GetMenuHandle(); },
    };
    for (const auto& use : uses) EXPECT_DEATH(use(), kAssertion);

    // The operations that do not need the control pass over it.
    missing.SetReference(5);
    EXPECT_EQ(0, missing.GetReference());
    missing.SetupEventHandler(kEventControlHit, NoHandler, nullptr);
    CEdit edit;
    std::string value = "old";
    edit.GetValue(value);
    EXPECT_EQ("", value);
}

TEST_F(ControlsTest, TextIsWindowsLatin1AndRedrawnAtOnce)
{
    CountingControl text;
    ASSERT_EQ(noErr, text.Init({FourCC("keUD"), 101}, &window));
    EXPECT_EQ(&control, static_cast<ControlRef>(text));
    text.SetText("21-26 \x80 \xA9");
    EXPECT_EQ("21-26 \xE2\x82\xAC \xC2\xA9", control.text);
    EXPECT_EQ(control.text, control.drawn);
    EXPECT_EQ(1, text.draws);

    text.SetTitle("Downgrade");
    EXPECT_EQ("Downgrade", control.title);
    EXPECT_EQ(1, text.draws);
    text.SetVisibility(false);
    EXPECT_FALSE(control.visible);
    EXPECT_TRUE(control.visibilityRedrawn);

    CEdit edit;
    ASSERT_EQ(noErr, edit.Init({FourCC("keUD"), 101}, &window));
    edit.SetValue(std::string("12345678"));
    EXPECT_EQ("12345678", control.text);
    EXPECT_NE(control.text, control.drawn);
}

TEST_F(ControlsTest, EachFontRecordCarriesOnlyItsOwnFields)
{
    CControl c;
    ASSERT_EQ(noErr, c.Init({FourCC("keUD"), 101}, &window));
    c.SetFontForeColor({65535, 0, 0});
    c.SetFontBackColor({1, 2, 3});
    c.SetFontSize(18);
    c.SetFontStyle(kFaceBold);
    c.SetFontJustification(teCenter);
    c.SetFontControlStyle(12, teFlushRight, {0, 65535, 0});
    ASSERT_EQ(6u, control.styles.size());
    const std::vector<SInt16> flags = {0x0008, 0x0010, 0x0004, 0x0002, 0x0040, 0x004C};
    for (size_t i = 0; i < flags.size(); ++i) EXPECT_EQ(flags[i], control.styles[i].flags) << i;

    EXPECT_EQ(65535, control.styles[0].foreColor.red);
    const ControlFontStyleRec& back = control.styles[1];
    EXPECT_EQ(1, back.backColor.red);
    EXPECT_EQ(2, back.backColor.green);
    EXPECT_EQ(3, back.backColor.blue);
    EXPECT_EQ(0, back.foreColor.red);
    EXPECT_EQ(18, control.styles[2].size);
    EXPECT_EQ(kFaceBold, control.styles[3].style);
    EXPECT_EQ(teCenter, control.styles[4].just);
    const ControlFontStyleRec& all = control.styles[5];
    EXPECT_EQ(12, all.size);
    EXPECT_EQ(teFlushRight, all.just);
    EXPECT_EQ(65535, all.foreColor.green);
    EXPECT_EQ(0, all.backColor.green);
}

TEST_F(ControlsTest, CheckBoxAndEditValues)
{
    CCheckBox box;
    ASSERT_EQ(noErr, box.Init({FourCC("keUD"), 101}, &window));
    box.Check();
    EXPECT_EQ(1, control.value);
    EXPECT_TRUE(box.IsChecked());
    control.value = 2;  // mixed is not checked
    EXPECT_FALSE(box.IsChecked());

    CEdit edit;
    ASSERT_EQ(noErr, edit.Init({FourCC("keUD"), 101}, &window));
    std::string value;
    edit.SetValue("123456789ABC");
    edit.GetValue(value);
    EXPECT_EQ("12345678", value);
    control.text = "Caf\xC3\xA9 \xE2\x82\xAC \xE4\xB8\xAD";  // e acute, euro, a CJK character
    edit.GetValue(value);
    EXPECT_EQ("Caf\xE9 \x80 ?", value);
}

TEST(Menus, InitEmptiesThenAppendsUpToTheFirstEmptyStringAndLongItemsAreCut)
{
    OpaqueMenuRef menu;
    menu.items = {"x", "y", "z"};
    CMenu wrapper(&menu);
    std::string items[] = {"One", "Two \xE9", "", "Never"};
    wrapper.Init(items);
    EXPECT_EQ((std::vector<std::string>{"One", "Two \xE9"}), menu.items);
    wrapper.Append(std::string(300, 'a'));
    ASSERT_EQ(3u, menu.items.size());
    EXPECT_EQ(255u, menu.items[2].size());
}

TEST(TextEncoding, WindowsLatin1RoundTripsAndMalformedUtf8IsReplaced)
{
    std::string all;
    for (int b = 1; b < 256; ++b) all.push_back(static_cast<char>(b));
    EXPECT_EQ(all, TextGetBytes(TextCreateWithCString(all.c_str(), kTextEncodingWindowsLatin1),
                                kTextEncodingWindowsLatin1, '?'));
    EXPECT_EQ("\xE2\x80\x9C" "q" "\xE2\x80\x9D", TextCreateWithCString("\x93q\x94", kTextEncodingWindowsLatin1));
    EXPECT_EQ("", TextCreateWithCString(nullptr, kTextEncodingWindowsLatin1));

    EXPECT_EQ(kTextEncodingUTF8, GetSystemTextEncoding());
    // A stray continuation byte, a cut sequence, an overlong '/' and a surrogate.
    EXPECT_EQ("a\xEF\xBF\xBD" "b", TextCreateWithCString("a\x80" "b", kTextEncodingUTF8));
    EXPECT_EQ("\xEF\xBF\xBD", TextCreateWithCString("\xE2\x82", kTextEncodingUTF8).substr(0, 3));
    EXPECT_EQ("\xEF\xBF\xBD\xEF\xBF\xBD", TextCreateWithCString("\xC0\xAF", kTextEncodingUTF8));
    EXPECT_EQ(std::string(3, '?'), TextGetBytes("\xED\xA0\x80", kTextEncodingWindowsLatin1, '?'));
    EXPECT_EQ("?x", TextGetBytes("\xFFx", kTextEncodingUTF8, '?'));
    EXPECT_EQ("\xF0\x9F\x98\x80", TextGetBytes("\xF0\x9F\x98\x80", kTextEncodingUTF8, '?'));
}
