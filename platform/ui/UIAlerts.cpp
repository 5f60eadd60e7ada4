// Standard alerts: modal message boxes with up to three buttons.
#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <map>

#include "platform/ui/UIRuntime.h"

struct OpaqueDialogRef {
    std::unique_ptr<QMessageBox> box;
    std::map<QAbstractButton*, DialogItemIndex> items;
    DialogItemIndex cancelItem = 0;
};

namespace {

QMessageBox::Icon IconOf(AlertType type)
{
    switch (type) {
    case kAlertStopAlert: return QMessageBox::Critical;
    case kAlertNoteAlert: return QMessageBox::Information;
    case kAlertCautionAlert: return QMessageBox::Warning;
    default: return QMessageBox::NoIcon;
    }
}

}  // namespace

OSStatus GetStandardAlertDefaultParams(AlertStdCFStringAlertParamRec* outParams, UInt32 inVersion)
{
    if (outParams == nullptr || inVersion != kStdCFStringAlertVersionOne) return paramErr;
    *outParams = AlertStdCFStringAlertParamRec{};
    outParams->version = kStdCFStringAlertVersionOne;
    outParams->defaultText = "OK";
    outParams->defaultButton = kAlertStdAlertOKButton;
    outParams->position = kWindowDefaultPosition;
    return noErr;
}

OSStatus CreateStandardAlert(AlertType inAlertType, const std::string& inError, const std::string& inExplanation,
                             const AlertStdCFStringAlertParamRec* inParams, DialogRef* outAlert)
{
    if (outAlert) *outAlert = nullptr;
    if (outAlert == nullptr) return paramErr;
    UIRuntime::Get();
    AlertStdCFStringAlertParamRec params{};
    if (inParams != nullptr) {
        params = *inParams;
    } else {
        GetStandardAlertDefaultParams(&params, kStdCFStringAlertVersionOne);
    }

    auto alert = std::make_unique<OpaqueDialogRef>();
    // Centred on the window in front, as on the screen that holds it.
    alert->box = std::make_unique<QMessageBox>(QApplication::activeWindow());
    QMessageBox& box = *alert->box;
    box.setIcon(IconOf(inAlertType));
    box.setText(QString::fromStdString(inError));
    box.setInformativeText(QString::fromStdString(inExplanation));
    box.setTextFormat(Qt::PlainText);

    const auto addButton = [&](const char* text, DialogItemIndex item, QMessageBox::ButtonRole role) {
        if (text == nullptr) return;
        QPushButton* button = box.addButton(QString::fromUtf8(text), role);
        alert->items[button] = item;
        if (params.defaultButton == item) box.setDefaultButton(button);
        if (params.cancelButton == item) {
            box.setEscapeButton(button);
            alert->cancelItem = item;
        }
    };
    addButton(params.defaultText ? params.defaultText : "OK", kAlertStdAlertOKButton, QMessageBox::AcceptRole);
    addButton(params.cancelText, kAlertStdAlertCancelButton, QMessageBox::RejectRole);
    addButton(params.otherText, kAlertStdAlertOtherButton, QMessageBox::DestructiveRole);
    *outAlert = alert.release();
    return noErr;
}

OSStatus RunStandardAlert(DialogRef inAlert, const void* inFilterProc, DialogItemIndex* outItemHit)
{
    if (inAlert == nullptr) return paramErr;
    const std::unique_ptr<OpaqueDialogRef> alert(inAlert);
    if (outItemHit) *outItemHit = 0;
    if (inFilterProc != nullptr) return paramErr;
    alert->box->exec();
    // No button: the loop was ended from outside; count it as the cancel key.
    DialogItemIndex item = kAlertStdAlertOKButton;
    if (alert->cancelItem != 0) item = alert->cancelItem;
    if (auto it = alert->items.find(alert->box->clickedButton()); it != alert->items.end()) item = it->second;
    if (outItemHit) *outItemHit = item;
    return noErr;
}
