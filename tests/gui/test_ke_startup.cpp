// SPDX-License-Identifier: MIT
// The program's start-up, run as the real executable from a scratch
// directory that holds the interface file it is given (or none).
#include <gtest/gtest.h>
#include <signal.h>

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QProcessEnvironment>
#include <QRegularExpression>
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

    // Runs the program until it ends, or ends it with SIGTERM once its log
    // shows the window's first look at the bus. Without `display` it has none at all.
    Outcome Start(const QString& exe, const QStringList& arguments = {}, bool display = true)
    {
        QProcess process;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        for (const char* name : {"QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY", "KEFIRMWAREUPDATE_VERBOSE"})
            env.remove(QString::fromLatin1(name));
        if (display) env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        env.insert(QStringLiteral("XDG_STATE_HOME"), mDir.filePath(QStringLiteral("state")));
        const QString lsan = QStringLiteral("LSAN_OPTIONS");
        env.insert(lsan, env.value(lsan) + QStringLiteral(":suppressions=" KE_LSAN_SUPPRESSIONS));
        process.setProcessEnvironment(env);
        QFile log(LogPath());
        const qint64 logged = log.exists() ? log.size() : 0;
        process.start(exe, arguments);
        bool ticked = false;
        for (int waited = 0; !ticked && waited < 60000 && !process.waitForFinished(20); waited += 20) {
            if (log.isOpen() || log.open(QIODevice::ReadOnly))
                ticked = log.seek(logged) && log.readAll().contains("No Ke connected");
        }
        if (ticked) process.terminate();
        EXPECT_TRUE(process.state() == QProcess::NotRunning || process.waitForFinished(60000))
            << "it did not end";  // and is killed with `process`
        return {process.exitCode(), process.exitStatus() != QProcess::NormalExit,
                QString::fromLocal8Bit(process.readAllStandardOutput()),
                QString::fromLocal8Bit(process.readAllStandardError())};
    }

    QString LogPath() { return mDir.filePath(QStringLiteral("state/kefirmwareupdate/KEFirmwareUpdate.log")); }

    QTemporaryDir mDir;
};

TEST_F(StartUp, InstalledLayoutRunsUntilASignalEndsItWithTheTraceInTheLogOnly)
{
    // The copy beside the executable, which every other test uses, comes first.
    const QString exe = Install(mDir.filePath(QStringLiteral("prefix/bin")));
    WriteFile(mDir.filePath(QStringLiteral("prefix/share/kefirmwareupdate/main.ui")), InterfaceFile());
    const Outcome quiet = Start(exe);
    EXPECT_EQ(std::pair(false, 128 + SIGTERM), std::pair(quiet.crashed, quiet.exitCode)) << quiet.err.toStdString();
    EXPECT_FALSE(quiet.out.contains(QStringLiteral("KeFirmwareUpdate"))) << quiet.out.toStdString();
    QFile log(LogPath());
    ASSERT_TRUE(log.open(QIODevice::ReadOnly));
    EXPECT_TRUE(log.readAll().contains("Ctor KeFirmwareUpdate"));

    // With --verbose the terminal has the lines too: the controller lived through the loop and was destroyed after it.
    const Outcome run = Start(exe, {QStringLiteral("--verbose")});
    EXPECT_EQ(128 + SIGTERM, run.exitCode) << run.err.toStdString();
    const qsizetype ctor = run.out.indexOf(QStringLiteral("Ctor KeFirmwareUpdate\n"));
    const qsizetype tick = run.out.indexOf(QStringLiteral("No Ke connected\n"));
    const qsizetype dtor = run.out.indexOf(QStringLiteral("Dtor KeFirmwareUpdate\n"));
    EXPECT_TRUE(-1 < ctor && ctor < tick && tick < dtor) << run.out.toStdString();
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
        EXPECT_FALSE(run.out.contains(QStringLiteral("No Ke connected")));
    }
}

// The long options a text lists: --help's lines, or the manual page's OPTIONS section.
std::string Listed(const QString& text)
{
    QStringList names;
    for (const QRegularExpressionMatch& m :
         QRegularExpression(QStringLiteral(R"((?:--|\\-\\-)([a-z-]+))")).globalMatch(text))
        names.append(m.captured(1));
    names.sort();
    return names.join(QLatin1Char(' ')).toStdString();
}

TEST_F(StartUp, HelpAndVersionAnswerWithOrWithoutADisplayAndOpenNoWindow)
{
    QFile man(QStringLiteral(KE_MAN_PAGE_PATH));
    ASSERT_TRUE(man.open(QIODevice::ReadOnly));
    const QString page = QString::fromUtf8(man.readAll());
    const qsizetype options = page.indexOf(QStringLiteral(".SH OPTIONS"));
    const QString optionsSection = page.mid(options, page.indexOf(QStringLiteral(".SH"), options + 1) - options);

    for (const bool display : {false, true}) {
        SCOPED_TRACE(display ? "offscreen" : "no display");
        const Outcome help = Start(QStringLiteral(KE_APP_PATH), {QStringLiteral("--help")}, display);
        EXPECT_EQ(std::tuple(false, 0, std::string()), std::tuple(help.crashed, help.exitCode, help.err.toStdString()));
        EXPECT_TRUE(help.out.startsWith(QStringLiteral("Usage: "))) << help.out.toStdString();
        EXPECT_EQ(Listed(help.out), "help verbose version") << help.out.toStdString();
        EXPECT_EQ(Listed(optionsSection), Listed(help.out));

        const Outcome version = Start(QStringLiteral(KE_APP_PATH), {QStringLiteral("-v")}, display);
        EXPECT_EQ(std::tuple(false, 0, std::string()),
                  std::tuple(version.crashed, version.exitCode, version.err.toStdString()));
        EXPECT_TRUE(QRegularExpression(QStringLiteral(R"(^KEFirmwareUpdate \d+\.\d+\nCarried firmware: \d+-\d+\n$)"))
                        .match(version.out)
                        .hasMatch())
            << version.out.toStdString();
    }
    EXPECT_FALSE(QFile::exists(LogPath())) << "no window, no log";
}

}  // namespace
