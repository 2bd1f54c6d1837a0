#include "core/report/betstext.h"

#include "core/report/racetexts.h"
#include "core/store/atomicfile.h"
#include "core/store/regularfile.h"
#include "core/text/sjis.h"

#include <QDir>

namespace velmora {
namespace {

constexpr size_t kBetsPerKind = 6;
const std::string kTenBlanks(10, ' ');

/** Each entry after three blanks; ten blanks for every missing entry when `fill`. */
std::string EntriesLine(const std::vector<std::string> &entries, bool fill)
{
    std::string line;
    for (const std::string &entry : entries)
        line += "   " + entry;
    for (size_t k = entries.size(); fill && k < kBetsPerKind; ++k)
        line += kTenBlanks;
    return line;
}

} // namespace

BetsText MakeBetsText(const Session &session, const std::string &heading)
{
    BetsText text;
    const std::string h = heading + Sj("   Picked up by「Velmora」");
    text.lines.push_back(h);
    for (int r = 1; r <= session.card.RaceCount && r <= kMaxRaces; ++r) {
        const RaceBets &bets = session.allRaces.races[static_cast<size_t>(r)];
        // The user's axis comes from the box's panel: grade, ":馬", horse "%2d", ":枠", bracket "%2d".
        std::string user = std::string(14, ' ') + std::string(17, ' ');
        if (bets.user) {
            const auto panelPart = [&](size_t from) {
                return from < bets.panel.size() ? bets.panel.substr(from, 2) : std::string();
            };
            user = Sj("(ユーザー予想)") + Sj("[軸]馬：") + panelPart(4) + Sj(" 枠：") + panelPart(9);
        }
        text.lines.push_back("///// " + Format("%2d", r) + " R /////   " + Sj(" 勝負度:") +
                             GradeText(session.prediction.races[r].grade) + "   " + user);
        text.lines.push_back(Sj("【馬連】"));
        text.lines.push_back(EntriesLine(bets.quinella, true));
        text.lines.push_back(Sj("【枠連】"));
        text.lines.push_back(EntriesLine(bets.bracket, ShowsBracketBets(session.card, r)));
        text.lines.push_back(std::string(70, '_'));
    }
    // Named from the record rather than cut from the heading, whose day of week can be
    // missing (a code outside 1..8) and would shift every byte after it.
    text.title = MeetingDayTitle(session.card.RaceRecords[1]);
    text.fileName = text.title + "_U" + ".TXT";
    return text;
}

QString SaveBetsText(const BetsText &text, const QString &appFolder, QString *error)
{
    auto fail = [&](const QString &message) {
        if (error)
            *error = message;
        return QString();
    };
    if (error)
        error->clear();

    bool valid = false;
    const QString name = FromSjis(text.fileName, &valid);
    // The name comes from the all-races heading; it must stay a plain name inside TXT.
    if (!valid || !IsPlainFileName(name)) {
        return fail(QStringLiteral("ファイル名「%1」は使えない文字を含むため、保存できませんでした。").arg(name));
    }

    const QString folder = appFolder + QStringLiteral("/TXT");
    if (!QDir().mkpath(folder))
        return fail(QStringLiteral("フォルダ「%1」を作成できませんでした。").arg(QDir::toNativeSeparators(folder)));

    std::string bytes;
    for (const std::string &line : text.lines) {
        bytes += line;
        bytes += "\r\n";
    }
    const QString path = folder + QLatin1Char('/') + name;
    QString reason;
    if (!WriteFileAtomically(path, bytes, &reason)) {
        return fail(
            QStringLiteral("ファイル「%1」を保存できませんでした。\n%2").arg(QDir::toNativeSeparators(path), reason));
    }

    return FromSjis(Sj("「") + text.title + Sj("」の全買い目をﾃｷｽﾄﾌｧｲﾙ ") + "\r\n" + text.fileName +
                    Sj(" に保存しました。"));
}

} // namespace velmora
