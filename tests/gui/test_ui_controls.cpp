// Controls found by ID: texts, values, states, styles, hits and popups.
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>

#include "tests/gui/UiTestSupport.h"

namespace {

struct HitLog {
    int hits = 0;
    ControlRef control = nullptr;
    OSStatus result = noErr;
};

OSStatus RecordHit(EventHandlerCallRef, EventRef event, void* data)
{
    auto* log = static_cast<HitLog*>(data);
    ++log->hits;
    GetEventParameter(event, kEventParamDirectObject, typeControlRef, nullptr, sizeof(ControlRef), nullptr,
                      &log->control);
    return log->result;
}

}  // namespace

TEST(Controls, FoundByIdOnceEachAndUnknownIdsRefused)
{
    uitest::MainWindow main;
    EXPECT_EQ(main.Control(101), main.Control(101));
    EXPECT_NE(main.Control(101), main.Control(100));

    ControlRef control = reinterpret_cast<ControlRef>(1);
    const ControlID unknown = {FourCC("keUD"), 999};
    EXPECT_EQ(errUnknownControl, GetControlByID(main.window, &unknown, &control));
    EXPECT_EQ(nullptr, control);
    const ControlID otherSignature = {FourCC("xxUD"), 101};
    EXPECT_EQ(errUnknownControl, GetControlByID(main.window, &otherSignature, &control));
}

TEST(Controls, TextsArePlainTextAndAHiddenControlKeepsItsPlace)
{
    uitest::MainWindow main;
    SetControlText(main.Control(203), "<b>not bold</b> \xE2\x82\xAC");
    auto* line = main.Widget<QLabel>(203);
    EXPECT_EQ(QStringLiteral("<b>not bold</b> \u20AC"), line->text());
    EXPECT_EQ(Qt::PlainText, line->textFormat());
    std::string text;
    EXPECT_EQ(noErr, GetControlText(main.Control(203), &text));
    EXPECT_EQ("<b>not bold</b> \xE2\x82\xAC", text);
    EXPECT_EQ(errDataNotSupported, GetControlText(main.Control(300), &text));
    ShowWindow(main.window);
    auto* warning = main.Widget<QLabel>(202);
    SetControlVisibility(main.Control(202), false, true);
    EXPECT_FALSE(warning->isVisible());
    EXPECT_TRUE(warning->sizePolicy().retainSizeWhenHidden());
}

TEST(Controls, ValuesArePinnedToTheRange)
{
    uitest::MainWindow main;
    ControlRef bar = main.Control(300);
    EXPECT_EQ(0, GetControlMinimum(bar));
    EXPECT_EQ(100, GetControlMaximum(bar));
    SetControl32BitValue(bar, 42);
    EXPECT_EQ(42, main.Widget<QProgressBar>(300)->value());
    SetControl32BitValue(bar, 150);
    EXPECT_EQ(100, GetControl32BitValue(bar));
    SetControl32BitValue(bar, -3);
    EXPECT_EQ(0, GetControl32BitValue(bar));
    SetControlMaximum(bar, 10);
    SetControlMinimum(bar, 2);
    EXPECT_EQ(10, GetControlMaximum(bar));
    EXPECT_EQ(2, GetControl32BitValue(bar));

    // Labels have no value.
    SetControl32BitValue(main.Control(200), 7);
    EXPECT_EQ(0, GetControl32BitValue(main.Control(200)));
}

TEST(Controls, EachFontStyleReplacesTheLastOne)
{
    uitest::MainWindow main;
    ControlRef label = main.Control(201);
    auto* widget = main.Widget<QLabel>(201);
    const QColor originalText = widget->palette().color(QPalette::WindowText);
    const int originalSize = widget->font().pointSize();

    ControlFontStyleRec style{};
    style.flags = kControlUseForeColorMask | kControlUseSizeMask | kControlUseFaceMask | kControlUseJustMask;
    style.foreColor = {65535, 0, 0};
    style.size = originalSize + 6;
    style.style = kFaceBold | kFaceItalic;
    style.just = teFlushRight;
    ASSERT_EQ(noErr, SetControlFontStyle(label, &style));
    EXPECT_EQ(QColor(255, 0, 0), widget->palette().color(QPalette::WindowText));
    EXPECT_EQ(originalSize + 6, widget->font().pointSize());
    EXPECT_TRUE(widget->font().bold());
    EXPECT_TRUE(widget->font().italic());
    EXPECT_TRUE(widget->alignment() & Qt::AlignRight);

    ControlFontStyleRec back{};
    back.flags = kControlUseBackColorMask;
    back.backColor = {0, 0, 65535};
    ASSERT_EQ(noErr, SetControlFontStyle(label, &back));
    EXPECT_EQ(QColor(0, 0, 255), widget->palette().color(QPalette::Window));
    EXPECT_TRUE(widget->autoFillBackground());
    EXPECT_EQ(originalText, widget->palette().color(QPalette::WindowText));
    EXPECT_EQ(originalSize, widget->font().pointSize());
    EXPECT_FALSE(widget->font().bold());
    EXPECT_FALSE(widget->alignment() & Qt::AlignRight);

    // The warning keeps the red that the file gives it.
    ControlFontStyleRec none{};
    ASSERT_EQ(noErr, SetControlFontStyle(main.Control(202), &none));
    EXPECT_EQ(QColor(255, 0, 0), main.Widget<QLabel>(202)->palette().color(QPalette::WindowText));
}

TEST(Controls, ButtonHitsGoToTheButtonThenTheWindow)
{
    uitest::MainWindow main;
    HitLog buttonLog;
    HitLog windowLog;
    const EventTypeSpec hit = {kEventClassControl, kEventControlHit};
    ASSERT_EQ(noErr, InstallEventHandler(GetControlEventTarget(main.Control(101)), RecordHit, 1, &hit, &buttonLog,
                                         nullptr));
    ASSERT_EQ(noErr, InstallEventHandler(GetWindowEventTarget(main.window), RecordHit, 1, &hit, &windowLog, nullptr));

    main.Widget<QPushButton>(101)->click();
    EXPECT_EQ(1, buttonLog.hits);
    EXPECT_EQ(main.Control(101), buttonLog.control);
    EXPECT_EQ(0, windowLog.hits);

    buttonLog.result = eventNotHandledErr;
    main.Widget<QPushButton>(101)->click();
    EXPECT_EQ(2, buttonLog.hits);
    EXPECT_EQ(1, windowLog.hits);
    EXPECT_EQ(main.Control(101), windowLog.control);

    DisableControl(main.Control(101));
    main.Widget<QPushButton>(101)->click();
    EXPECT_EQ(2, buttonLog.hits);
}

TEST(Controls, PopupItemsAreOneBasedAndCheckBoxesHoldTheirValue)
{
    uitest::UiFiles files;
    files.Write("form", uitest::UiFile("QWidget", "MainWindow",
                                       "  <widget class=\"QComboBox\" name=\"keUD_1\"/>\n"
                                       "  <widget class=\"QCheckBox\" name=\"keUD_2\"/>\n"));
    IBNibRef nib = nullptr;
    ASSERT_EQ(noErr, CreateNibReferenceInDirectory(files.Path(), "form", &nib));
    WindowRef window = nullptr;
    ASSERT_EQ(noErr, CreateWindowFromNib(nib, "MainWindow", &window));
    DisposeNibReference(nib);
    ControlRef popup = nullptr;
    ControlRef check = nullptr;
    const ControlID popupID = {FourCC("keUD"), 1};
    const ControlID checkID = {FourCC("keUD"), 2};
    ASSERT_EQ(noErr, GetControlByID(window, &popupID, &popup));
    ASSERT_EQ(noErr, GetControlByID(window, &checkID, &check));

    MenuRef menu = GetControlPopupMenuHandle(popup);
    ASSERT_NE(nullptr, menu);
    EXPECT_EQ(nullptr, GetControlPopupMenuHandle(check));
    AppendMenu(menu, reinterpret_cast<const unsigned char*>("\x05" "First"));
    AppendMenu(menu, reinterpret_cast<const unsigned char*>("\x07" "Caf\xE9 II"));
    EXPECT_EQ(2, CountMenuItems(menu));
    auto* combo = qobject_cast<QComboBox*>(popup->widget.data());
    EXPECT_EQ(QStringLiteral("Caf\u00E9 II"), combo->itemText(1));
    SetControl32BitValue(popup, 2);
    EXPECT_EQ(1, combo->currentIndex());
    EXPECT_EQ(2, GetControl32BitValue(popup));
    DeleteMenuItem(menu, 1);
    EXPECT_EQ(1, CountMenuItems(menu));
    EXPECT_EQ(QStringLiteral("Caf\u00E9 II"), combo->itemText(0));

    SetControl32BitValue(check, 1);
    EXPECT_TRUE(qobject_cast<QCheckBox*>(check->widget.data())->isChecked());
    SetControl32BitValue(check, 0);
    EXPECT_EQ(0, GetControl32BitValue(check));
    SetControlReference(check, -17);
    EXPECT_EQ(-17, GetControlReference(check));
    DisposeWindow(window);
}
