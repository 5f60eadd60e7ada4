// SPDX-License-Identifier: MIT
// A window as tall as its wrapped text needs: a toolkit window does not grow
// by itself when a word-wrapped label's text takes more lines (another
// language, a larger font), and the label is then cut.
#pragma once

#include <QObject>

class QWidget;

namespace keui {

class FitToText final : public QObject {
public:
    // Follows `window`'s layout (a main window's central widget's) while it
    // is shown; `window` must outlive the object. The minimum height the
    // window was given stays the least it may have.
    explicit FitToText(QWidget& window);

    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void Fit();

    QWidget& mWindow;
    QWidget* mContent;  // the widget whose layout holds the texts; null: none
    const int mDeclaredMinimum;
};

}  // namespace keui
