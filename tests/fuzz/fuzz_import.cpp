// A JV-Data stream as JV-Link would hand it out, through the import's filters and
// the buffered slot store into a course-day folder, then record by record through
// the keyed store the result fetch uses, and what that leaves through the loader.

#include "core/engine/prediction.h"
#include "core/jvlink/dataimport.h"
#include "core/jvlink/scriptedjvlink.h"
#include "core/settings/settingsfile.h"
#include "core/store/racecard.h"
#include "core/text/sjis.h"
#include "workspace.h"

#include <cstdint>

namespace velmora::fuzz {
namespace {

/** The records of the input: each piece up to and with its CR LF; a last piece without one is a record too. */
std::vector<std::string> Records(std::string_view input)
{
    std::vector<std::string> records;
    while (!input.empty() && records.size() < 1000) {
        const size_t end = input.find("\r\n");
        const size_t length = end == std::string_view::npos ? input.size() : end + 2;
        records.emplace_back(input.substr(0, length));
        input.remove_prefix(length);
    }
    return records;
}

} // namespace
} // namespace velmora::fuzz

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    using namespace velmora;
    fuzz::Workspace workspace;
    const std::vector<std::string> records =
        fuzz::Records(std::string_view(reinterpret_cast<const char *>(data), size));

    test::ScriptedJVLink jv;
    jv.readCount = 2;
    for (size_t i = 0; i < records.size(); ++i) {
        jv.reads.push_back(test::ScriptedJVLink::Record(records[i]));
        if (i % 50 == 49)
            jv.reads.push_back(test::ScriptedJVLink::Code(-1));
    }
    RaceDayStore store(workspace.data());
    SettingsFile settings;
    settings.setFileName(workspace.app() + QStringLiteral("/velmora.ini"));
    SilentImportView view;
    bool cancelled = false;
    DataImport import(jv, store, settings, view, cancelled);
    import.start(QDateTime(QDate(2000, 1, 1), QTime(0, 0)), 1);

    // Every keyed update rewrites the whole payout file: some dozens of records show all
    // it does without the fuzzer spending its time sorting.
    RaceDayStore keyed(workspace.data());
    for (size_t i = 0; i < records.size() && i < 64; ++i) {
        if (const auto kind = KindOfRecordType(std::string_view(records[i]).substr(0, 2)))
            keyed.PutKeyedRecord(records[i], *kind);
    }

    for (const CourseDay &day : LoadableCourseDays(workspace.data())) {
        RaceCard card;
        if (LoadCourseDay(workspace.data(), day, card).computable()) {
            Prediction prediction;
            ComputePrediction(card, prediction);
        }
    }
    return 0;
}
