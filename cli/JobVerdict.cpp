// SPDX-License-Identifier: MIT
#include "cli/JobVerdict.h"

#include <QCoreApplication>

#include "platform/ui/Translations.h"

namespace kecli {
namespace {

using APW::PTA::kOutcomeRows;
using APW::PTA::OutcomeRow;

constexpr bool SameText(const char* a, const char* b)
{
    while (*a != '\0' && *a == *b) {
        ++a;
        ++b;
    }
    return *a == *b;
}

// Each outcome's JSON result is its exit code's name, but for unit-changed,
// which shares its code.
constexpr bool EveryResultNamesItsCode()
{
    for (const OutcomeRow& row : kOutcomeRows) {
        const bool ownName = SameText(row.result, ExitCodeName(static_cast<ExitCode>(row.exitCode)));
        const bool unitChanged =
            SameText(row.result, kUnitChangedResult.name) && row.exitCode == kUnitChangedResult.code;
        if (!ownName && !unitChanged) return false;
    }
    return true;
}
static_assert(EveryResultNamesItsCode(), "an outcome's JSON result must name its exit code");

const char kRunAgain[] = QT_TRANSLATE_NOOP("kecli::JobVerdict", "Do not power the Ke off: run the update again.");

}  // namespace

JobVerdict JobVerdict::From(const APW::PTA::UpdateResult& result)
{
    const OutcomeRow& row = APW::PTA::OutcomeRowOf(result);
    JobVerdict verdict;
    verdict.code = static_cast<ExitCode>(row.exitCode);
    verdict.result = row.result;
    verdict.status = result.status;
    verdict.message = APW::PTA::UpdateResultText(result) + "\n";
    verdict.text = APW::PTA::UpdateResultText(result, keui::Translate) + "\n";
    if (result.outcome == APW::PTA::UpdateOutcome::kDownloadFailed) {
        verdict.imageFailed = true;
        verdict.image = result.image;
        verdict.step = result.step;
        verdict.message += std::string(kRunAgain) + "\n";
        verdict.text += keui::Translate("kecli::JobVerdict", kRunAgain) + "\n";
    }
    return verdict;
}

}  // namespace kecli
