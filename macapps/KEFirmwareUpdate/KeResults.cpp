// SPDX-License-Identifier: MIT
#include "macapps/KEFirmwareUpdate/KeResults.h"

#include <cinttypes>
#include <cstdio>
#include <span>

#include "macapps/KEFirmwareUpdate/Downloader.h"
#include "macapps/KEFirmwareUpdate/PrintableBytes.h"

namespace APW {
namespace PTA {
namespace {

constexpr char kContext[] = "KeResults";

std::string Hex(UInt64 value, int digits)
{
    char text[24];
    std::snprintf(text, sizeof text, "0x%0*llx", digits, static_cast<unsigned long long>(value));
    return text;
}

// What went wrong at `step`, as the unit told it.
const char* StepFailure(FlashStep step, IOReturn status)
{
    if (step == FlashStep::kErase && status == kIOReturnTimeout)
        return QT_TRANSLATE_NOOP("KeResults", "the unit did not finish erasing in time");
    if (step == FlashStep::kErase && status == kDownloadDeviceError)
        return QT_TRANSLATE_NOOP("KeResults", "the unit reported a failed erase");
    if (step == FlashStep::kCrc) return QT_TRANSLATE_NOOP("KeResults", "the unit did not accept the image");
    return QT_TRANSLATE_NOOP("KeResults", "the step did not complete");
}

std::string ImageName(DOWNLOADTYPE image, const KeTranslate& translate)
{
    return translate(kFlashImageContext, FlashDisplayName(image));
}

// "Writing the FPGA image failed at the erase: ... The microcontroller image was left as it was."
std::string DownloadFailure(const UpdateResult& result, const OutcomeRow& row, const KeTranslate& translate)
{
    const std::string image = ImageName(result.image, translate);
    const std::string status = KeStatusText(result.status, StatusForm::kInParentheses);
    const std::string failed =
        result.step == FlashStep::kNone
            ? KeFill(translate(kContext, QT_TRANSLATE_NOOP("KeResults", "Writing the %1 image failed: %2.")),
                     {image, status})
            : KeFill(translate(kContext, row.sentence),
                     {image, translate(kFlashImageContext, FlashStepWords(result.step)),
                      translate(kContext, StepFailure(result.step, result.status)), status});
    // After a failed image the job writes nothing more: say what the unit holds.
    const std::span<const FlashImage, 2> order = FlashImagesInOrder();
    const bool first = result.image == order[0].type;
    const std::string other = translate(kFlashImageContext, order[first ? 1 : 0].displayName);
    return failed + " " +
           KeFill(translate(kContext, first ? QT_TRANSLATE_NOOP("KeResults", "The %1 image was left as it was.")
                                            : QT_TRANSLATE_NOOP("KeResults", "The %1 image was written.")),
                  {other});
}

// Why an update that wrote nothing did not start.
std::string NotStartedReason(const UpdateResult& result, const OutcomeRow& row, const KeTranslate& translate)
{
    if (!row.sentence) return result.reason;
    const std::string status = KeStatusText(result.status, StatusForm::kInParentheses);
    if (result.outcome == UpdateOutcome::kNotStarted) {
        return KeFill(
            translate(kContext, row.sentence),
            {ImageName(result.image, translate), translate(kFlashImageContext, FlashStepWords(result.step)), status});
    }
    return KeFill(translate(kContext, row.sentence), {status});
}

}  // namespace

const OutcomeRow& OutcomeRowOf(const UpdateResult& result)
{
    for (const OutcomeRow& row : kOutcomeRows) {
        if (row.outcome == result.outcome && StatusFits(row.when, result.status)) return row;
    }
    return kOutcomeRows[0];  // an outcome without a row is no success
}

std::string UpdateResultText(const UpdateResult& result, const KeTranslate& translate)
{
    const OutcomeRow& row = OutcomeRowOf(result);
    if (result.outcome == UpdateOutcome::kDownloadFailed) return DownloadFailure(result, row, translate);
    if (!result.NothingWritten()) return translate(kContext, row.sentence);
    std::string text = KeFill(
        translate(kContext, QT_TRANSLATE_NOOP("KeResults", "The update did not start: %1; nothing was written.")),
        {NotStartedReason(result, row, translate)});
    if (const std::optional<bool> left = result.LeftAsFound(); left && !*left) {
        // Appended in two steps: g++ 12 warns falsely (-Wrestrict) on " " + a temporary.
        text += ' ';
        text += KeFill(translate(kContext, QT_TRANSLATE_NOOP("KeResults",
                                                             "The Ke was not left as it was found: it could not "
                                                             "be taken out of update mode %1.")),
                       {KeStatusText(*result.leaveStatus, StatusForm::kInParentheses)});
    }
    return text;
}

std::string KeStatusText(IOReturn status, StatusForm form)
{
    const char* words = status == kDownloadDeviceError ? "the unit failed the step" : IOReturnWords(status);
    char upper[16];
    std::snprintf(upper, sizeof upper, "0x%08" PRIX32, static_cast<UInt32>(status));
    const std::string said = words ? words : "error";
    switch (form) {
    case StatusForm::kInParentheses:
        return "(" + said + ", " + upper + ")";
    case StatusForm::kHex:
        return upper;
    case StatusForm::kWordsThenHex:
        break;
    }
    return said + " (" + upper + ")";
}

std::string GuidText(const std::optional<UInt64>& guid) { return guid ? Hex(*guid, 16) : "unknown"; }

std::string DescribeIdentity(const KeIdentity& identity)
{
    return "GUID " + GuidText(identity.guid) + ", serial " +
           (identity.serialNum.empty() ? std::string("Not Available") : PrintableBytes(identity.serialNum)) +
           ", product version " + Hex(identity.productVer, 8);
}

std::string SerialNumberText(const KeInfo& info, const KeTranslate& translate)
{
    return info.MCOREver > 20 ? PrintableBytes(info.serialNum)
                              : translate(kContext, QT_TRANSLATE_NOOP("KeResults", "Not Available"));
}

std::string InstalledVersionText(const KeInfo& info) { return FlashVersionText(info.softwareVer); }

bool IsDowngrade(const KeInfo& info)
{
    return info.XilinxVer > FlashImageFor(Xilinx)->carriedVersion ||
           info.MCOREver > FlashImageFor(MCORE)->carriedVersion;
}

}  // namespace PTA
}  // namespace APW
