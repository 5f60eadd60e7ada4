// SPDX-License-Identifier: MIT
#include "platform/ui/FitToText.h"

#include <QEvent>
#include <QLayout>
#include <QMainWindow>
#include <QWidget>
#include <algorithm>

namespace keui {

namespace {

QWidget* ContentOf(QWidget& window)
{
    auto* main = qobject_cast<QMainWindow*>(&window);
    QWidget* content = main && main->centralWidget() ? main->centralWidget() : &window;
    return content->layout() ? content : nullptr;
}

}  // namespace

FitToText::FitToText(QWidget& window)
    : mWindow(window), mContent(ContentOf(window)), mDeclaredMinimum(window.minimumHeight())
{
    if (mContent) mContent->installEventFilter(this);
}

bool FitToText::eventFilter(QObject* watched, QEvent* event)
{
    // A text or a visibility changed, or the width did.
    if (watched == mContent && (event->type() == QEvent::LayoutRequest || event->type() == QEvent::Resize)) Fit();
    return false;
}

void FitToText::Fit()
{
    // Sizes are settled only once the window is shown.
    QLayout* layout = mContent->layout();
    if (!mWindow.isVisible() || layout == nullptr || !layout->hasHeightForWidth()) return;
    // What the window has beside its content: the menu bar, for one.
    const int around = mWindow.height() - mContent->height();
    const int needed = layout->totalHeightForWidth(mContent->width()) + around;
    mWindow.setMinimumHeight(std::max(mDeclaredMinimum, needed));
}

}  // namespace keui
