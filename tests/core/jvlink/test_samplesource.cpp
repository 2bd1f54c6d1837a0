#include "core/jvlink/samplesource.h"
#include "gen/samplesource.h"
#include "support/testfiles.h"

#include <gtest/gtest.h>
#include <map>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

namespace velmora {
namespace {

const QString kSample = QStringLiteral(VELMORA_SAMPLE_DIR);

std::map<QString, std::string> Contents(const QString &folder)
{
    std::map<QString, std::string> files;
    for (const QString &name : QDir(folder).entryList(QDir::Files))
        files[name] = test::ReadFileBytes(folder + QLatin1Char('/') + name);
    return files;
}

/** The records of a source file, split after each CR LF. */
std::vector<std::string> Records(const std::string &bytes)
{
    std::vector<std::string> records;
    for (size_t start = 0, end; (end = bytes.find("\r\n", start)) != std::string::npos; start = end + 2)
        records.push_back(bytes.substr(start, end + 2 - start));
    return records;
}

std::string DatePlus(std::string_view yyyymmdd, int days)
{
    const QDate date =
        QDate::fromString(QString::fromLatin1(yyyymmdd.data(), yyyymmdd.size()), QStringLiteral("yyyyMMdd"));
    return date.isValid() ? date.addDays(days).toString(QStringLiteral("yyyyMMdd")).toStdString()
                          : std::string(yyyymmdd);
}

TEST(SampleSource, TheBundledWeekendIsLaidOutAsTheGeneratorMadeIt)
{
    // The sample's own weekend: Saturday run, Sunday as cards, both days' results in real time.
    const QDateTime sampleWeek(QDate(2026, 11, 30), QTime(10, 0));
    QTemporaryDir root;
    const QString product = root.filePath(QStringLiteral("product"));
    const QString generated = root.filePath(QStringLiteral("generated"));
    ASSERT_TRUE(LayOutSampleSource(kSample, product, sampleWeek));
    ASSERT_TRUE(gen::LayOutSampleSource(generated, sampleWeek));
    const auto made = Contents(product);
    const auto wanted = Contents(generated);
    ASSERT_EQ(made.size(), 12u);
    ASSERT_EQ(made.size(), wanted.size());
    for (const auto &[name, bytes] : wanted) {
        ASSERT_TRUE(made.count(name)) << name.toStdString();
        EXPECT_TRUE(made.at(name) == bytes) << name.toStdString();
    }
    EXPECT_FALSE(QFileInfo::exists(product + QStringLiteral(".partial")));

    // As JV-Link delivers them that weekend: Saturday's results as on race day, Sunday's
    // race cards made on Saturday, and both days' results in real time.
    for (const auto &[name, bytes] : made) {
        SCOPED_TRACE(name.toStdString());
        const bool card = name.startsWith(QStringLiteral("RACE_20261129"));
        const std::string meetingDate = name.mid(5, 8).toStdString();
        for (const std::string &record : Records(bytes)) {
            const std::string type = record.substr(0, 2);
            EXPECT_FALSE(card && type == "HR") << "a race card has no payouts";
            EXPECT_EQ(record.substr(2, 1), card ? "2" : type == "HR" ? "1" : "5");
            EXPECT_EQ(record.substr(3, 8), card ? std::string("20261128") : meetingDate);
            if (card && type == "SE") {
                EXPECT_EQ(record.substr(334, 2) + record.substr(363, 2), "0000") << "no places, no popularity";
            }
        }
    }

    // Any later week: the same records moved by whole weeks onto its latest weekend.
    const QDateTime later(QDate(2027, 3, 10), QTime(8, 30)); // a Wednesday: the weekend of 6 and 7 March
    const int shift = static_cast<int>(QDate(2026, 11, 28).daysTo(QDate(2027, 3, 6)));
    const QString moved = root.filePath(QStringLiteral("moved"));
    ASSERT_TRUE(LayOutSampleSource(kSample, moved, later));
    const auto redated = Contents(moved);
    ASSERT_EQ(redated.size(), made.size());
    for (const auto &[name, bytes] : made) {
        QString newName = name;
        newName.replace(QStringLiteral("_20261128_"), QStringLiteral("_20270306_"))
            .replace(QStringLiteral("_20261129_"), QStringLiteral("_20270307_"))
            .replace(QStringLiteral("_20261130100000_"), QStringLiteral("_20270310083000_"));
        ASSERT_TRUE(redated.count(newName)) << newName.toStdString();
        const std::vector<std::string> before = Records(bytes);
        const std::vector<std::string> after = Records(redated.at(newName));
        ASSERT_EQ(after.size(), before.size()) << newName.toStdString();
        for (size_t i = 0; i < before.size(); ++i) {
            std::string expected = before[i];
            expected.replace(3, 8, DatePlus(std::string_view(before[i]).substr(3, 8), shift));
            expected.replace(11, 8, DatePlus(std::string_view(before[i]).substr(11, 8), shift));
            ASSERT_EQ(after[i], expected) << newName.toStdString() << " record " << i;
        }
    }
}

TEST(SampleSource, WithoutItsSampleNothingIsLaidOut)
{
    QTemporaryDir root;
    const QString folder = root.filePath(QStringLiteral("source"));
    EXPECT_FALSE(LayOutSampleSource(root.filePath(QStringLiteral("missing")), folder, QDateTime::currentDateTime()));
    EXPECT_FALSE(LayOutSampleSource(QString(), folder, QDateTime::currentDateTime()));
    EXPECT_FALSE(QFileInfo::exists(folder));
    EXPECT_TRUE(BundledSampleFolder(root.path()).isEmpty());

    // Beside the program, or under share/velmora of its installation prefix.
    QDir(root.path()).mkpath(QStringLiteral("share/velmora/sample"));
    QFile::copy(kSample + QStringLiteral("/2026年11月28日東京.jvRA"),
                root.filePath(QStringLiteral("share/velmora/sample/2026年11月28日東京.jvRA")));
    QDir(root.path()).mkpath(QStringLiteral("bin"));
    EXPECT_EQ(BundledSampleFolder(root.filePath(QStringLiteral("bin"))),
              root.filePath(QStringLiteral("share/velmora/sample")));
}

} // namespace
} // namespace velmora
