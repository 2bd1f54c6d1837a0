#include "filecalls.h"
#include "jvbridge/recovery.h"

#include <gtest/gtest.h>

namespace velmora::jvbridge {
namespace {

using test::FileCalls;
using test::Record;

/** What a reader gets: each record's tag, "|" for a file switch, then the end code. */
std::string ReadAll(JVLinkCalls &jv, std::string *lastFile = nullptr)
{
    std::string seen;
    for (int reads = 0; reads < 100; ++reads) {
        const ReadResult read = jv.read(110000);
        if (read.code > 0) {
            seen += read.record[20];
        } else if (read.code == -1) {
            seen += '|';
        } else {
            if (lastFile)
                *lastFile = read.fileName;
            return seen + "(" + std::to_string(read.code) + ")";
        }
    }
    return seen + "...";
}

FileCalls ThreeFiles()
{
    FileCalls jv;
    jv.files = {
        {"A.jvd", {Record("RA", "20250104", 'a'), Record("RA", "20250104", 'b')}},
        {"B.jvd", {Record("SE", "20250104", 'c'), Record("SE", "20250104", 'd'), Record("SE", "20250104", 'e')}},
        {"C.jvd", {Record("HR", "20250104", 'f')}}};
    return jv;
}

TEST(RecoveringJVLink, ADamagedFileIsDeletedAndReadAfreshWithoutHandingAnythingOverTwice)
{
    for (const bool realTime : {false, true}) {
        for (const std::size_t damagedAt : {0u, 2u}) {
            FileCalls jv = ThreeFiles();
            jv.files[1].damage = damagedAt == 0 ? -402 : -403;
            jv.files[1].damagedAt = damagedAt;
            RecoveringJVLink recovering(jv);
            ASSERT_EQ(realTime ? recovering.rtOpen("0B12", "20250104")
                               : recovering.open("RACE", "20250101000000", 1).code,
                      0);
            EXPECT_EQ(ReadAll(recovering), "ab|cde|f|(0)") << "damaged at record " << damagedAt;
            EXPECT_EQ(jv.deleted, std::vector<std::string>{"B.jvd"});
            EXPECT_EQ(jv.opens, 2) << "opened again with the same arguments";
            EXPECT_EQ(jv.closes, 1);
            EXPECT_EQ(jv.skips, 1) << "the file read whole before is skipped";
        }
    }
}

TEST(RecoveringJVLink, AFileDamagedAgainOrAReopenThatFailsIsReportedWithTheReadsCode)
{
    FileCalls jv = ThreeFiles();
    jv.files[2].damage = -403;
    jv.staysDamaged = true;
    RecoveringJVLink recovering(jv);
    ASSERT_EQ(recovering.open("RACE", "20250101000000", 1).code, 0);
    std::string file;
    EXPECT_EQ(ReadAll(recovering, &file), "ab|cde|(-403)");
    EXPECT_EQ(file, "C.jvd");
    EXPECT_EQ(jv.deleted, std::vector<std::string>{"C.jvd"}) << "once per file";

    // A new open starts over: the file may be deleted once more.
    ASSERT_EQ(recovering.open("RACE", "20250101000000", 1).code, 0);
    EXPECT_EQ(ReadAll(recovering), "ab|cde|(-403)");
    EXPECT_EQ(jv.deleted.size(), 2u);

    FileCalls failing = ThreeFiles();
    failing.files[0].damage = -402;
    RecoveringJVLink reopening(failing);
    ASSERT_EQ(reopening.open("RACE", "20250101000000", 1).code, 0);
    failing.openResult = -504;
    EXPECT_EQ(ReadAll(reopening), "(-402)") << "an open that fails after the delete reports the damage";
}

} // namespace
} // namespace velmora::jvbridge
