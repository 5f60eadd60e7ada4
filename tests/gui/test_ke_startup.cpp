// SPDX-License-Identifier: MIT
// The program's start-up, run as the real executable from a scratch
// directory that holds the interface file it is given (or none).
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryDir>

namespace {

struct Outcome {
    int exitCode = -1;
    bool crashed = false;
    QString out, err;
};

class StartUp : public testing::Test {
protected:
    // The program, and where it finds its interface file when installed.
    QString Install(const QString& binDir)
    {
        const QString exe = QDir(binDir).filePath(QStringLiteral("KEFirmwareUpdate"));
        EXPECT_TRUE(QDir().mkpath(binDir) && QFile::copy(QStringLiteral(KE_APP_PATH), exe));
        return exe;
    }

    QByteArray InterfaceFile()
    {
        QFile file(QStringLiteral(KE_MAIN_UI_PATH));
        EXPECT_TRUE(file.open(QIODevice::ReadOnly));
        return file.readAll();
    }

    void WriteFile(const QString& path, const QByteArray& contents)
    {
        QDir().mkpath(QFileInfo(path).path());
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(contents);
    }

    Outcome Start(const QString& exe, const QStringList& arguments = {})
    {
        QProcess process;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        env.insert(QStringLiteral("XDG_STATE_HOME"), dir_.filePath(QStringLiteral("state")));
        env.remove(QStringLiteral("KEFIRMWAREUPDATE_VERBOSE"));
        // Quits as the user would, right after the window's first tick.
        env.insert(QStringLiteral("KE_BENCH_EXIT_AFTER_FIRST_TICK"), QStringLiteral("1"));
        // Under the leak checker: the font library keeps a few hundred bytes
        // that nothing frees when the toolkit is left standing at exit.
        const QString suppressions = dir_.filePath(QStringLiteral("lsan.supp"));
        WriteFile(suppressions, "leak:libfontconfig.so\n");
        const QString lsan = env.value(QStringLiteral("LSAN_OPTIONS"));
        env.insert(QStringLiteral("LSAN_OPTIONS"), lsan + (lsan.isEmpty() ? "" : ":") + "suppressions=" + suppressions);
        process.setProcessEnvironment(env);
        process.start(exe, arguments);
        EXPECT_TRUE(process.waitForFinished(60000)) << "the program did not end";  // and is killed with `process`
        return {process.exitCode(), process.exitStatus() != QProcess::NormalExit,
                QString::fromLocal8Bit(process.readAllStandardOutput()),
                QString::fromLocal8Bit(process.readAllStandardError())};
    }

    QTemporaryDir dir_;
};

TEST_F(StartUp, InstalledLayoutRunsUntilTheQuitAndExitsZeroWithTheTraceInTheLogOnly)
{
    // The copy beside the executable, which every other test uses, comes first.
    const QString exe = Install(dir_.filePath(QStringLiteral("prefix/bin")));
    WriteFile(dir_.filePath(QStringLiteral("prefix/share/kefirmwareupdate/main.ui")), InterfaceFile());
    const Outcome quiet = Start(exe);
    EXPECT_EQ(std::pair(false, 0), std::pair(quiet.crashed, quiet.exitCode)) << quiet.err.toStdString();
    EXPECT_TRUE(quiet.err.contains(QStringLiteral("first tick at"))) << quiet.err.toStdString();
    EXPECT_FALSE(quiet.out.contains(QStringLiteral("KeFirmwareUpdate"))) << quiet.out.toStdString();
    QFile log(dir_.filePath(QStringLiteral("state/kefirmwareupdate/KEFirmwareUpdate.log")));
    ASSERT_TRUE(log.open(QIODevice::ReadOnly));
    EXPECT_TRUE(log.readAll().contains("Ctor KeFirmwareUpdate"));

    // With --verbose the terminal has the lines too: the controller lived through the loop and was destroyed after it.
    const Outcome run = Start(exe, {QStringLiteral("--verbose")});
    EXPECT_EQ(0, run.exitCode) << run.err.toStdString();
    const qsizetype ctor = run.out.indexOf(QStringLiteral("Ctor KeFirmwareUpdate\n"));
    const qsizetype dtor = run.out.indexOf(QStringLiteral("Dtor KeFirmwareUpdate\n"));
    EXPECT_TRUE(-1 < ctor && ctor < dtor && run.err.contains(QStringLiteral("first tick at"))) << run.out.toStdString();
}

TEST_F(StartUp, MissingPartsEndTheProgramWithTheirStatusBeforeAnyWindow)
{
    struct Case {
        const char* what;
        QByteArray from, to;  // the edit that breaks the file; empty: no file at all
        int status;
    };
    const Case cases[] = {
        {"no interface file", {}, {}, -10960},
        {"not an interface file", "<ui version", "<nonsense version", -10961},
        {"no menu bar \"MenuBar\"", "name=\"MenuBar\"", "name=\"OtherBar\"", -10962},
        {"no window \"MainWindow\"", "name=\"MainWindow\"", "name=\"OtherWindow\"", -10963},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        QTemporaryDir scratch;
        const QString exe = Install(scratch.path());
        if (!c.from.isEmpty()) {
            QByteArray file = InterfaceFile();
            ASSERT_TRUE(file.contains(c.from));
            WriteFile(scratch.filePath(QStringLiteral("main.ui")), file.replace(c.from, c.to));
        }
        const Outcome run = Start(exe, {QStringLiteral("--verbose")});
        // The status as an exit code carries it.
        EXPECT_EQ(std::pair(false, c.status & 0xFF), std::pair(run.crashed, run.exitCode)) << run.err.toStdString();
        // The window is shown only after the controller is made.
        EXPECT_FALSE(run.out.contains(QStringLiteral("Ctor KeFirmwareUpdate"))) << run.out.toStdString();
        EXPECT_FALSE(run.err.contains(QStringLiteral("first tick at")));
    }
}

}  // namespace
