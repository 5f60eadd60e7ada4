// Pictures of the window for the README: the idle window with a unit present
// and the downgrade confirmation. Written only when KE_SCREENSHOT_DIR names
// a directory:
//   KE_SCREENSHOT_DIR=$PWD/docs build/tests/gui/test_ke_dialog --gtest_filter='Screenshots.*'
#include <QDir>

#include "tests/gui/DialogTestSupport.h"

TEST(Screenshots, IdleWindowAndDowngradeConfirmation)
{
    const QString dir = qEnvironmentVariable("KE_SCREENSHOT_DIR");
    if (dir.isEmpty()) GTEST_SKIP() << "set KE_SCREENSHOT_DIR to write the pictures";
    ASSERT_TRUE(QDir().mkpath(dir));

    dialogtest::Window w;
    w.bus.model().SetSoftwareVersion((21u << 16) | 20u);
    w.Tick();
    QTest::qWait(50);
    ASSERT_EQ("21-20", w.Version());
    EXPECT_TRUE(w.main->grab().save(QDir(dir).filePath(QStringLiteral("window-idle.png"))));

    w.bus.model().SetSoftwareVersion((22u << 16) | 26u);
    w.Tick();
    bool saved = false;
    w.alerts.onShow = [&](QMessageBox* box) {
        saved = box->grab().save(QDir(dir).filePath(QStringLiteral("downgrade-confirmation.png")));
    };
    w.alerts.Queue("Cancel");
    w.ClickUpdate();
    EXPECT_TRUE(saved);
}
