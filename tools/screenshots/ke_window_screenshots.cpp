// SPDX-License-Identifier: MIT
// Pictures of the real window, for the README and the metainfo: runs the
// program as main does, drives it from inside as a user would, and saves a
// PNG of each state it passes through. Each window is rendered by itself
// (an alert over the window it belongs to), so nothing depends on what the
// display or a window manager would draw. scripts/screenshots.sh runs it
// against ke-unit-sim under Xvfb, in the language LANG and the like choose.
//
//   ke_window_screenshots update DIR   window-idle, window-updating, window-completed
//   ke_window_screenshots fail DIR     window-failed (the unit refuses the update)
//   ke_window_screenshots none DIR     window-no-unit
//   ke_window_screenshots two DIR      window-two-units (two units on the bus: the popup)
#include <QApplication>
#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QLabel>
#include <QMainWindow>
#include <QMessageBox>
#include <QPainter>
#include <QPixmap>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <utility>

#include "macapps/KEFirmwareUpdate/KeFirmwareUpdateDialog.h"
#include "macapps/KEFirmwareUpdate/RunKEFirmwareUpdate.h"

namespace {

constexpr int kPollMs = 10;
constexpr int kTimeoutMs = 60000;
// Long enough for several of the window's half-second looks at the bus.
constexpr int kNoUnitWaitMs = 1500;

template <class T>
T* Find(const char* name)
{
    for (QWidget* top : QApplication::topLevelWidgets()) {
        if (T* widget = top->findChild<T*>(QString::fromLatin1(name))) return widget;
    }
    return nullptr;
}

QWidget* MainWindow()
{
    for (QWidget* top : QApplication::topLevelWidgets()) {
        if (qobject_cast<QMainWindow*>(top) != nullptr && top->isVisible()) return top;
    }
    return nullptr;
}

// The widget as it looks once the texts just set are laid out.
QPixmap Picture(QWidget& widget)
{
    QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
    return widget.grab();
}

// The window, dimmed, with the alert centred over it, as a desktop shows them.
QPixmap WithAlert(QWidget& window, QWidget& alert)
{
    const QPixmap back = Picture(window);
    const QPixmap front = Picture(alert);
    const QSize size = back.size().expandedTo(front.size() + QSize(32, 32));
    QPixmap picture(size);
    picture.fill(window.palette().color(QPalette::Window));
    QPainter painter(&picture);
    painter.drawPixmap((size.width() - back.width()) / 2, (size.height() - back.height()) / 2, back);
    painter.fillRect(picture.rect(), QColor(0, 0, 0, 70));
    const QPoint at((size.width() - front.width()) / 2, (size.height() - front.height()) / 2);
    painter.drawPixmap(at, front);
    painter.setPen(QColor(0, 0, 0, 120));
    painter.drawRect(QRect(at, front.size()).adjusted(-1, -1, 0, 0));
    return picture;
}

class Photographer {
public:
    Photographer(std::string mode, QString dir) : mMode(std::move(mode)), mDir(std::move(dir)) {}

    void Attach(CKeFirmwareUpdateDialog& dialog)
    {
        mDialog = &dialog;
        auto* poll = new QTimer(qApp);  // the application owns it
        QObject::connect(poll, &QTimer::timeout, [this] { Poll(); });
        poll->start(kPollMs);
        if (mMode == "none") QTimer::singleShot(kNoUnitWaitMs, [this] { NoUnit(); });
        QTimer::singleShot(kTimeoutMs, [] {
            std::fprintf(stderr, "ke_window_screenshots: the window did not reach every state in time\n");
            std::_Exit(124);
        });
    }

    bool Failed() const { return mFailed; }

private:
    void Save(const QPixmap& picture, const char* name)
    {
        const QString path = QDir(mDir).filePath(QString::fromLatin1(name) + QStringLiteral(".png"));
        if (picture.save(path)) return;
        std::fprintf(stderr, "ke_window_screenshots: cannot write %s\n", qPrintable(path));
        mFailed = true;
    }

    void Poll()
    {
        if (AnswerAlert()) return;
        QWidget* window = MainWindow();
        if (window == nullptr || mMode == "none") return;
        const KeFirmwareUpdateType state = mDialog->GetUpdateState();
        if (state == UPDATING) {
            const QProgressBar* bar = Find<QProgressBar>("keUD_300");
            // Part-way, while the first image is written.
            if (mMode == "update" && !mUpdatingSaved && bar != nullptr && bar->value() >= 50 && bar->value() <= 70) {
                mUpdatingSaved = true;
                Save(Picture(*window), "window-updating");
            }
            return;
        }
        if (state != WAITFORINPUT || mClicked) return;
        QPushButton* button = Find<QPushButton>("keUD_101");
        if (button == nullptr || !button->isEnabled()) return;
        if (mMode == "two") return TwoUnits(*window);
        if (mMode == "update") Save(Picture(*window), "window-idle");
        mClicked = true;
        button->click();
    }

    bool AnswerAlert()
    {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (box == nullptr || !box->isVisible()) return false;
        if (box == mLastAlert) return true;
        mLastAlert = box;
        QWidget* window = MainWindow();
        // In the language the window speaks.
        const bool complete = box->text() == QCoreApplication::translate("KeAlerts", "Programming Complete");
        const bool failed = box->text() == QCoreApplication::translate("KeAlerts", "Programming Failed");
        if (window != nullptr && ((complete && mMode == "update") || (failed && mMode == "fail"))) {
            Save(WithAlert(*window, *box), complete ? "window-completed" : "window-failed");
        } else {
            std::fprintf(stderr, "ke_window_screenshots: unexpected alert \"%s\"\n", qPrintable(box->text()));
            mFailed = true;
        }
        if (QPushButton* button = box->defaultButton()) {
            button->click();
        } else {
            box->reject();
        }
        // After a failure the window waits again: the picture is taken, so leave.
        if (failed) QTimer::singleShot(0, [] { Leave(); });
        return true;
    }

    // Once the popup lists both units.
    void TwoUnits(QWidget& window)
    {
        const QComboBox* popup = Find<QComboBox>("keUD_204");
        if (popup == nullptr || !popup->isVisible() || popup->count() != 2) return;
        mClicked = true;
        Save(Picture(window), "window-two-units");
        Leave();
    }

    void NoUnit()
    {
        if (QWidget* window = MainWindow()) Save(Picture(*window), "window-no-unit");
        Leave();
    }

    static void Leave()
    {
        if (QPushButton* cancel = Find<QPushButton>("keUD_100")) cancel->click();
    }

    const std::string mMode;
    const QString mDir;
    CKeFirmwareUpdateDialog* mDialog = nullptr;
    QPointer<QMessageBox> mLastAlert;
    bool mClicked = false;
    bool mUpdatingSaved = false;
    bool mFailed = false;
};

}  // namespace

int main(int argc, char* argv[])
{
    const bool known = argc == 3 && (std::strcmp(argv[1], "update") == 0 || std::strcmp(argv[1], "fail") == 0 ||
                                     std::strcmp(argv[1], "none") == 0 || std::strcmp(argv[1], "two") == 0);
    if (!known) {
        std::fprintf(stderr, "usage: %s update|fail|none|two DIR\n", argv[0]);
        return 64;
    }
    QApplication application(argc, argv);
    KeWindowSettings settings;
    settings.seams.transports =
        fwplat::DefaultTransports(fwplat::SimulatedUnitsFrom(std::getenv("KE_SIMULATED_UNITS")));
    Photographer photographer(argv[1], QString::fromLocal8Bit(argv[2]));
    const int code = RunKEFirmwareUpdate(
        std::move(settings), [&photographer](CKeFirmwareUpdateDialog& dialog) { photographer.Attach(dialog); });
    return code != 0 ? code : (photographer.Failed() ? 1 : 0);
}
