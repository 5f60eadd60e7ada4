// SPDX-License-Identifier: MIT
// The control wrappers on real Qt widgets.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QTest>
#include <QVBoxLayout>
#include <functional>

#include "macclasses/carboncontrols.h"

namespace {

constexpr char kAssertion[] = "macclasses/carboncontrols.cpp:[0-9]+: failed assertion `_controlRef != NULL'";

// A window with one widget of each kind the wrappers handle.
struct Window {
    Window()
    {
        auto* layout = new QVBoxLayout(&widget);  // owned by the window, as are the widgets
        QWidget* const children[] = {new QLabel, new QProgressBar, new QCheckBox, new QLineEdit, new QComboBox};
        int number = 100;  // the label is 200, the bar 300 and so on
        for (QWidget* child : children) {
            child->setObjectName(ControlID{"keUD", number += 100}.ObjectName());
            layout->addWidget(child);
        }
        widget.show();
    }
    template <class T>
    T* Get(int number)
    {
        return widget.findChild<T*>(ControlID{"keUD", number}.ObjectName());
    }

    QWidget widget;
};

}  // namespace

TEST(Controls, UnboundControlStopsTheProgramAtFirstUse)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    Window window;
    CControl never, missing;
    EXPECT_FALSE(missing.Init({"keUD", 999}, &window.widget));
    EXPECT_FALSE(missing.Init({"xxxx", 200}, &window.widget)) << "the signature is part of the ID";
    CCheckBox box;
    CPopupControl popup;
    const std::function<void()> uses[] = {
        [&] { never.SetText("x"); },
        [&] { missing.GetValue(); },
        [&] { missing.SetVisibility(false); },
        [&] { missing.SetFontForeColor(Qt::red); },
        [&] { box.IsChecked(); },
        [&] { popup.GetMenuHandle(); },
    };
    for (const auto& use : uses) EXPECT_DEATH(use(), kAssertion);

    // The operations that do not need the control pass over it.
    missing.SetReference(5);
    EXPECT_EQ(0, missing.GetReference());
    missing.SetupEventHandler([] {});
    CEdit edit;
    std::string value = "old";
    edit.GetValue(value);
    EXPECT_EQ("", value);
}

TEST(Controls, TextIsWindowsLatin1AndPlainAndEachFontStyleReplacesTheLastOne)
{
    Window window;
    QLabel* label = window.Get<QLabel>(200);
    const auto style = [&] {
        return std::tuple(label->palette().color(QPalette::WindowText), label->font().bold(),
                          label->font().pointSize());
    };
    const auto [fileColor, fileBold, fileSize] = style();
    CControl text;
    ASSERT_TRUE(text.Init({"keUD", 200}, &window.widget));
    text.SetText("<b>21-26</b> \x80 \xA9");
    EXPECT_EQ(std::pair(QStringLiteral("<b>21-26</b> \u20AC \u00A9"), Qt::PlainText),
              std::pair(label->text(), label->textFormat()));
    std::string all;
    for (int b = 1; b < 256; ++b) all.push_back(static_cast<char>(b));
    EXPECT_EQ(all, ToWindowsLatin1(FromWindowsLatin1(all), '?')) << "every byte round-trips";

    text.SetVisibility(false);
    EXPECT_TRUE(label->isHidden() && label->sizePolicy().retainSizeWhenHidden()) << "the others keep their place";

    text.SetFontForeColor(Qt::red);
    EXPECT_EQ(std::tuple(QColor(Qt::red), fileBold, fileSize), style());
    text.SetFontStyle(kFaceBold);
    EXPECT_EQ(std::tuple(fileColor, true, fileSize), style()) << "the colour of the last call is gone";
    text.SetFontControlStyle(fileSize + 2, Qt::AlignRight, Qt::green);
    EXPECT_EQ(std::tuple(QColor(Qt::green), false, fileSize + 2), style());
    EXPECT_TRUE(label->alignment() & Qt::AlignRight);
}

TEST(Controls, CheckBoxPopupBarAndEditValues)
{
    Window window;
    CCheckBox box;
    ASSERT_TRUE(box.Init({"keUD", 400}, &window.widget));
    box.Check();
    EXPECT_EQ(std::pair(true, true), std::pair(window.Get<QCheckBox>(400)->isChecked(), box.IsChecked()));
    window.Get<QCheckBox>(400)->setTristate(true);
    box.SetValue(2);
    EXPECT_FALSE(box.IsChecked()) << "mixed is not checked";

    CPopupControl popup;
    ASSERT_TRUE(popup.Init({"keUD", 600}, &window.widget));
    QComboBox* combo = window.Get<QComboBox>(600);
    CMenu menu(popup.GetMenuHandle());
    std::string items[] = {"One", "Two \xE9", "", "Never"};
    menu.Init(items);
    ASSERT_EQ(2, combo->count());
    EXPECT_EQ(QStringLiteral("Two \u00E9"), combo->itemText(1));
    int picks = 0;
    popup.SetupEventHandler([&] { ++picks; });
    popup.SetValue(2);
    EXPECT_EQ(1, combo->currentIndex()) << "items count from 1";
    QTest::keyClick(combo, Qt::Key_Up);
    EXPECT_EQ(std::pair(1, 1), std::pair(popup.GetValue(), picks)) << "the user's pick alone runs the handler";
    menu.Append(std::string(300, 'a'));
    EXPECT_EQ(255, combo->itemText(2).size());

    CControl bar;
    ASSERT_TRUE(bar.Init({"keUD", 300}, &window.widget));
    bar.SetValue(150);
    EXPECT_EQ(100, bar.GetValue()) << "pinned to the range";

    CEdit edit;
    ASSERT_TRUE(edit.Init({"keUD", 500}, &window.widget));
    std::string value;
    edit.SetValue("123456789ABC");
    edit.GetValue(value);
    EXPECT_EQ("12345678", value);
    window.Get<QLineEdit>(500)->setText(QStringLiteral("Caf\u00E9\u20AC\u4E2D\U0001F600"));
    edit.GetValue(value);
    EXPECT_EQ("Caf\xE9\x80??", value) << "one loss byte per character Windows Latin-1 lacks";
}
