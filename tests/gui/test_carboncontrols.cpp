// The control wrappers over a recording stand-in for the window layer.
#include <gtest/gtest.h>

#include "macclasses/carboncontrols.h"
#include "platform/ui/HIText.h"
#include "tests/gui/FakeHIToolbox.h"

namespace {

constexpr char kAssertion[] = "macclasses/carboncontrols.cpp:[0-9]+: failed assertion `_controlRef != NULL'";

class ControlsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        control.target = &target;
        window.controls[101] = &control;
        fake::gCalls.clear();
    }

    OpaqueEventTargetRef target;
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
    EXPECT_DEATH(never.SetText("x"), kAssertion);

    CControl missing;
    EXPECT_EQ(errUnknownControl, missing.Init({FourCC("keUD"), 999}, &window));
    EXPECT_EQ(nullptr, missing.GetControlRef());
    EXPECT_DEATH(missing.GetValue(), kAssertion);
    EXPECT_DEATH(missing.SetVisibility(false), kAssertion);
    EXPECT_DEATH(missing.SetFontForeColor({65535, 0, 0}), kAssertion);

    CCheckBox box;
    EXPECT_DEATH(box.IsChecked(), kAssertion);
    CPopupControl popup;
    EXPECT_DEATH(popup.GetMenuHandle(), kAssertion);

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
    fake::gCalls.clear();

    text.SetText("21-26 \x80 \xA9");
    EXPECT_EQ("21-26 \xE2\x82\xAC \xC2\xA9", control.text);
    EXPECT_EQ(1, text.draws);
    EXPECT_EQ((std::vector<std::string>{"SetControlText", "Draw1Control"}), fake::gCalls);

    fake::gCalls.clear();
    text.SetTitle("Downgrade");
    EXPECT_EQ("Downgrade", control.title);
    EXPECT_EQ(1, text.draws);
    EXPECT_EQ((std::vector<std::string>{"SetControlTitle"}), fake::gCalls);
}

TEST_F(ControlsTest, StatesValuesAndRanges)
{
    CControl c;
    ASSERT_EQ(noErr, c.Init({FourCC("keUD"), 101}, &window));
    fake::gCalls.clear();
    c.Enable(false);
    EXPECT_FALSE(control.enabled);
    c.Enable(true);
    EXPECT_TRUE(control.enabled);
    c.Disable();
    EXPECT_FALSE(control.enabled);
    c.SetVisibility(false);
    EXPECT_FALSE(control.visible);
    EXPECT_EQ("SetControlVisibility draw=1", fake::gCalls.back());

    c.SetValue(57);
    EXPECT_EQ(57, c.GetValue());
    c.SetMaximum(300);
    c.SetMinimum(-4);
    EXPECT_EQ(300, c.GetMaximum());
    EXPECT_EQ(-4, c.GetMinimum());
    c.SetReference(-9);
    EXPECT_EQ(-9, c.GetReference());
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

    const ControlFontStyleRec& fore = control.styles[0];
    EXPECT_EQ(0x0008, fore.flags);
    EXPECT_EQ(65535, fore.foreColor.red);

    const ControlFontStyleRec& back = control.styles[1];
    EXPECT_EQ(0x0010, back.flags);
    EXPECT_EQ(1, back.backColor.red);
    EXPECT_EQ(2, back.backColor.green);
    EXPECT_EQ(3, back.backColor.blue);
    EXPECT_EQ(0, back.foreColor.red);

    EXPECT_EQ(0x0004, control.styles[2].flags);
    EXPECT_EQ(18, control.styles[2].size);
    EXPECT_EQ(0x0002, control.styles[3].flags);
    EXPECT_EQ(kFaceBold, control.styles[3].style);
    EXPECT_EQ(0x0040, control.styles[4].flags);
    EXPECT_EQ(teCenter, control.styles[4].just);

    const ControlFontStyleRec& all = control.styles[5];
    EXPECT_EQ(0x004C, all.flags);
    EXPECT_EQ(12, all.size);
    EXPECT_EQ(teFlushRight, all.just);
    EXPECT_EQ(65535, all.foreColor.green);
    EXPECT_EQ(0, all.backColor.green);
}

TEST_F(ControlsTest, EventHandlerGoesOnTheControlForOneKind)
{
    CControl c;
    ASSERT_EQ(noErr, c.Init({FourCC("keUD"), 101}, &window));
    int data = 0;
    c.SetupEventHandler(kEventControlHit, NoHandler, &data);
    ASSERT_EQ(1u, target.handlers.size());
    EXPECT_EQ(kEventClassControl, target.handlers[0].type.eventClass);
    EXPECT_EQ(static_cast<UInt32>(kEventControlHit), target.handlers[0].type.eventKind);
    EXPECT_EQ(&data, target.handlers[0].userData);
    EXPECT_EQ(&NoHandler, target.handlers[0].handler);
}

TEST_F(ControlsTest, CheckBoxGoesThroughTheVirtualValue)
{
    CCheckBox box;
    ASSERT_EQ(noErr, box.Init({FourCC("keUD"), 101}, &window));
    box.Check();
    EXPECT_EQ(1, control.value);
    EXPECT_TRUE(box.IsChecked());
    box.UnCheck();
    EXPECT_FALSE(box.IsChecked());
    control.value = 2;  // mixed is not checked
    EXPECT_FALSE(box.IsChecked());
}

TEST_F(ControlsTest, EditValueIsEightLatin1CharactersAtMost)
{
    CEdit edit;
    ASSERT_EQ(noErr, edit.Init({FourCC("keUD"), 101}, &window));
    fake::gCalls.clear();
    edit.SetValue(std::string("12345678"));
    EXPECT_EQ((std::vector<std::string>{"SetControlText"}), fake::gCalls);  // no redraw
    std::string value;
    edit.GetValue(value);
    EXPECT_EQ("12345678", value);

    edit.SetValue("123456789ABC");
    edit.GetValue(value);
    EXPECT_EQ("12345678", value);

    control.text = "Caf\xC3\xA9 \xE2\x82\xAC \xE4\xB8\xAD";  // e acute, euro, a CJK character
    edit.GetValue(value);
    EXPECT_EQ("Caf\xE9 \x80 ?", value);

    edit.SetValue(static_cast<SInt32>(3));
    EXPECT_EQ(3, edit.GetValue());
}

TEST(Menus, InitEmptiesThenAppendsUpToTheFirstEmptyString)
{
    OpaqueMenuRef menu;
    menu.items = {"x", "y", "z"};
    CMenu wrapper(&menu);
    std::string items[] = {"One", "Two \xE9", "", "Never"};
    fake::gCalls.clear();
    wrapper.Init(items);
    EXPECT_EQ((std::vector<std::string>{"One", "Two \xE9"}), menu.items);
    EXPECT_EQ((std::vector<std::string>{"DeleteMenuItem 1", "DeleteMenuItem 1", "DeleteMenuItem 1"}), fake::gCalls);

    std::string none[] = {"", "Ignored"};
    wrapper.Init(none);
    EXPECT_TRUE(menu.items.empty());

    wrapper.Append(std::string(300, 'a'));
    ASSERT_EQ(1u, menu.items.size());
    EXPECT_EQ(255u, menu.items[0].size());
    const unsigned char pascal[] = "\x03" "abc";
    wrapper.Append(pascal);
    EXPECT_EQ("abc", menu.items[1]);
}

TEST(TextEncoding, WindowsLatin1RoundTrips)
{
    std::string all;
    for (int b = 1; b < 256; ++b) all.push_back(static_cast<char>(b));
    const std::string unicode = TextCreateWithCString(all.c_str(), kTextEncodingWindowsLatin1);
    EXPECT_EQ(all, TextGetBytes(unicode, kTextEncodingWindowsLatin1, '?'));
    EXPECT_EQ("\xE2\x80\x9C" "q" "\xE2\x80\x9D", TextCreateWithCString("\x93q\x94", kTextEncodingWindowsLatin1));
    EXPECT_EQ("", TextCreateWithCString(nullptr, kTextEncodingWindowsLatin1));
}

TEST(TextEncoding, MalformedUtf8IsReplaced)
{
    EXPECT_EQ(kTextEncodingUTF8, GetSystemTextEncoding());
    EXPECT_EQ("ok", TextCreateWithCString("ok", GetSystemTextEncoding()));
    // A stray continuation byte, a cut sequence, an overlong '/' and a surrogate.
    EXPECT_EQ("a\xEF\xBF\xBD" "b", TextCreateWithCString("a\x80" "b", kTextEncodingUTF8));
    EXPECT_EQ("\xEF\xBF\xBD", TextCreateWithCString("\xE2\x82", kTextEncodingUTF8).substr(0, 3));
    EXPECT_EQ("\xEF\xBF\xBD\xEF\xBF\xBD", TextCreateWithCString("\xC0\xAF", kTextEncodingUTF8));
    EXPECT_EQ(std::string(3, '?'), TextGetBytes("\xED\xA0\x80", kTextEncodingWindowsLatin1, '?'));
    EXPECT_EQ("?x", TextGetBytes("\xFFx", kTextEncodingUTF8, '?'));
    EXPECT_EQ("\xF0\x9F\x98\x80", TextGetBytes("\xF0\x9F\x98\x80", kTextEncodingUTF8, '?'));
}
