#include "gen/jvdatagen.h"

#include "core/codes/keibafunc.h"
#include "core/store/atomicfile.h"
#include "core/text/sjis.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <set>
#include <utility>

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace velmora::gen {
namespace {

// Fields of the record layouts that only the generator writes.
constexpr FieldPos kPedigree{31, 10};
constexpr FieldPos kPayoutRegistered{28, 2};
constexpr FieldPos kPayoutStarters{30, 2};
constexpr FieldPos kSpecialRaceNumber{29, 4};
constexpr FieldPos kRaceSymbol{619, 3};
constexpr FieldPos kPostTime{874, 4};
constexpr FieldPos kBreed{80, 1};
constexpr FieldPos kStable{85, 1};

// Initial values of the layouts: numeric fields hold zeros, full-width text fields
// full-width blanks, every other field half-width blanks.
const std::vector<FieldPos> kRaceZeros = {
    {28, 5},                                     // day of week, special race number
    {611, 4},                                    // where the graded race's count stands, the count
    {617, 21},                                   // race type, symbol, weight rule, the five conditions
    {698, 12},                                   // distance, track, and their values before a change
    {714, 174},                                  // prizes, post time, runners registered, started and finished
    {888, 94},                                   // weather, going, laps, mile time, first and last furlongs
    {982, 2},   {1054, 2}, {1126, 2}, {1198, 2}, // corner and lap of the four corner orders
    {1270, 1},                                   // record flag
};
const std::vector<FieldPos> kRaceFullWidth = {{33, 180}, {573, 38}, {638, 60}};
const std::vector<FieldPos> kRunnerZeros = {
    {28, 13},  {77, 9},   {86, 5},   {99, 6},   {289, 7},  {297, 10}, {323, 5},
    {329, 14}, {352, 42}, {394, 10}, {440, 10}, {486, 10}, {532, 22},
};
const std::vector<FieldPos> kRunnerFullWidth = {{41, 36},  {91, 8},   {105, 64}, {169, 60},
                                                {307, 16}, {404, 36}, {450, 36}, {496, 36}};
const std::vector<FieldPos> kPayoutZeros = {{28, 690}}; // counts, flags, refunds and every payout table

// Payout tables of the HR record besides the three the loader reads. The spare
// table (406, 3 x 16) stays blank. Each entry: combination, 9-digit yen, popularity.
constexpr hr::PayoutTable kWin{103, 13, 3, 2};
constexpr hr::PayoutTable kPlace{142, 13, 5, 2};
constexpr hr::PayoutTable kExacta{454, 16, 6, 4};
constexpr hr::PayoutTable kTrio{550, 18, 3, 6};
constexpr hr::PayoutTable kTrifecta{604, 19, 6, 6};

constexpr int kRaceSlots = 12;
constexpr int kHorseSlots = 18;
constexpr int kRaceLine = kRaceRecordLength - 2;
constexpr int kRunnerLine = kRunnerRecordLength - 2;
constexpr int kPayoutLine = kPayoutRecordLength - 2;

bool IsSjisLeadByte(unsigned char byte)
{
    return (byte >= 0x81 && byte <= 0x9F) || (byte >= 0xE0 && byte <= 0xFC);
}

std::string DateDigits(QDate date)
{
    return date.isValid() ? Format("%04d%02d%02d", date.year(), date.month(), date.day()) : std::string();
}

std::string Digits(long long value, int width)
{
    return Format("%0*lld", width, value);
}

/**
 * Draws from the engine with plain arithmetic: the std:: distributions differ
 * between library versions, and a seed must give the same bytes everywhere.
 */
class Dice
{
  public:
    explicit Dice(std::mt19937_64 &engine)
        : m_engine(engine)
    {}

    /** 0 .. n - 1 (0 without a draw when n <= 1). */
    int below(int n)
    {
        if (n <= 1)
            return 0;
        return static_cast<int>(m_engine() % static_cast<std::uint64_t>(n));
    }
    int between(int low, int high) { return low + below(high - low + 1); }
    bool percent(int chance) { return below(100) < chance; }

    template <typename T> const T &pick(const std::vector<T> &items)
    {
        return items[static_cast<size_t>(below(static_cast<int>(items.size())))];
    }

    /** An index chosen with the given weights (all >= 0, sum > 0). */
    int weighted(const std::vector<int> &weights)
    {
        int total = 0;
        for (int w : weights)
            total += w;
        int roll = below(total);
        for (size_t i = 0; i < weights.size(); ++i) {
            if (roll < weights[i])
                return static_cast<int>(i);
            roll -= weights[i];
        }
        return static_cast<int>(weights.size()) - 1;
    }

  private:
    std::mt19937_64 &m_engine;
};

/** A new record with the initial values of its layout. */
RecordBuilder InitialRecord(RecordBuilder record, const std::vector<FieldPos> &zeros,
                            const std::vector<FieldPos> &fullWidth)
{
    for (const FieldPos &field : zeros)
        record.set(field, std::string(static_cast<size_t>(field.len), '0'));
    for (const FieldPos &field : fullWidth)
        record.setText(field, "");
    return record;
}

// ---------------------------------------------------------------------------
// Calendar

/** The post time (hhmm) of race r: the first at 9:50, then every half hour, with a break after the fifth. */
int PostTime(int race)
{
    const int minutes = 9 * 60 + 50 + 30 * (race - 1) + (race > 5 ? 25 : 0);
    return minutes / 60 * 100 + minutes % 60;
}

int WeekdayCode(QDate date)
{
    switch (date.dayOfWeek()) {
    case 6:
        return 1; // 土
    case 7:
        return 2; // 日
    default:
        return date.dayOfWeek() + 3; // 月 4 .. 金 8
    }
}

/** The Saturday on or before the date: the start of its racing weekend. */
QDate WeekendStart(QDate date)
{
    return date.addDays(-((date.dayOfWeek() + 1) % 7));
}

// A meeting runs four weekends (eight days), and both days of a weekend share
// it. A course holds about five meetings a year, so the year's thirteen blocks
// of four weeks are spread over meetings 1 to 5.
int DerivedMeeting(QDate date)
{
    const int block = (WeekendStart(date).dayOfYear() - 1) / 28;
    return std::min(block * 5 / 13 + 1, 5);
}

int DerivedMeetingDay(QDate date)
{
    const int week = (WeekendStart(date).dayOfYear() - 1) / 7;
    return (week % 4) * 2 + (date.dayOfWeek() == 6 ? 1 : 2);
}

// ---------------------------------------------------------------------------
// Courses

struct CourseProfile
{
    std::string code;
    bool leftHanded;
    std::vector<int> turf;
    std::vector<int> dirt;
    std::vector<int> jump;
};

const CourseProfile &Profile(const std::string &code)
{
    static const std::vector<CourseProfile> profiles = {
        {"01", false, {1200, 1500, 1800, 2000, 2600}, {1000, 1700, 2400}, {2750}},
        {"02", false, {1000, 1200, 1800, 2000, 2600}, {1000, 1700, 2400}, {2750, 2890}},
        {"03", false, {1200, 1800, 2000, 2600}, {1150, 1700, 2400}, {2750, 2770, 3350, 3380}},
        {"04", true, {1000, 1200, 1400, 1600, 1800, 2000, 2200, 2400}, {1200, 1800, 2500}, {2850, 2890, 3250, 3290}},
        {"05", true, {1400, 1600, 1800, 2000, 2300, 2400, 3400}, {1300, 1400, 1600, 2100}, {3000, 3100, 3110}},
        {"06",
         false,
         {1200, 1600, 1800, 2000, 2200, 2500, 3600},
         {1200, 1800, 2400, 2500},
         {2880, 3200, 3350, 4100, 4250}},
        {"07", true, {1200, 1400, 1600, 2000, 2200}, {1200, 1400, 1800, 1900}, {3000, 3300, 3330, 3900}},
        {"08",
         false,
         {1200, 1400, 1600, 1800, 2000, 2200, 2400, 3000, 3200},
         {1200, 1400, 1800, 1900},
         {2910, 3170, 3930}},
        {"09",
         false,
         {1200, 1400, 1600, 1800, 2000, 2200, 2400, 2600, 3000},
         {1200, 1400, 1800, 2000},
         {2970, 3140, 3900}},
        {"10", false, {1200, 1700, 1800, 2000, 2600}, {1000, 1700, 2400}, {2860, 2890, 3390}},
    };
    for (const CourseProfile &profile : profiles) {
        if (profile.code == code)
            return profile;
    }
    return profiles[5]; // a course outside the table races like 中山
}

/** Two main courses and a third that races on some weekends, by month. */
std::array<const char *, 3> CoursesOfMonth(int month)
{
    static const std::array<std::array<const char *, 3>, 12> table = {{
        {"06", "08", "10"},
        {"05", "08", "10"},
        {"06", "09", "07"},
        {"06", "09", "03"},
        {"05", "08", "04"},
        {"05", "09", "02"},
        {"03", "07", "02"},
        {"04", "10", "01"},
        {"06", "09", "01"},
        {"05", "08", "04"},
        {"05", "08", "03"},
        {"06", "09", "07"},
    }};
    return table[static_cast<size_t>(std::clamp(month, 1, 12) - 1)];
}

// ---------------------------------------------------------------------------
// Races

enum class Grade
{
    Debut,
    Maiden,
    Class1,
    Class2,
    Class3,
    Open
};

/** A named race's name and short names, UTF-8. */
struct RaceNames
{
    std::string name;
    std::string six;
    std::string three;
};

struct RacePlan
{
    Grade grade;
    bool young; ///< the youngest age group (2歳 from June, 3歳 before)
    bool jump;
    bool special; ///< a named race
};

int ConditionCode(Grade grade)
{
    switch (grade) {
    case Grade::Debut:
        return 701;
    case Grade::Maiden:
        return 703;
    case Grade::Class1:
        return 5;
    case Grade::Class2:
        return 10;
    case Grade::Class3:
        return 16;
    case Grade::Open:
        return 999;
    }
    return 0;
}

/** The day's card: young-horse races early, named races late, now and then one jump race. */
std::vector<RacePlan> PlanDay(Dice &dice, int races, int month)
{
    const bool debutSeason = month >= 6 || month <= 3;
    const bool jumpDay = dice.percent(35);
    std::array<RacePlan, kRaceSlots> pattern = {{
        {Grade::Maiden, true, false, false},
        {Grade::Maiden, true, false, false},
        {Grade::Maiden, true, false, false},
        {Grade::Maiden, true, false, false},
        {debutSeason ? Grade::Debut : Grade::Maiden, true, false, false},
        {Grade::Class1, false, false, false},
        {Grade::Class1, false, false, false},
        {Grade::Class1, false, false, false},
        {Grade::Class1, false, false, true},
        {Grade::Class2, false, false, true},
        {Grade::Open, false, false, true},
        {Grade::Class1, false, false, false},
    }};
    if (jumpDay)
        pattern[3] = {dice.percent(20) ? Grade::Open : Grade::Maiden, false, true, false};
    if (debutSeason && dice.percent(50))
        pattern[5] = {Grade::Debut, true, false, false};
    if (dice.percent(40))
        pattern[7].grade = Grade::Class2;
    if (dice.percent(35))
        pattern[8].young = true;
    else if (dice.percent(40))
        pattern[8].grade = Grade::Class2;
    if (dice.percent(50))
        pattern[9].grade = Grade::Class3;
    if (dice.percent(50))
        pattern[11].grade = Grade::Class2;

    // A shorter card keeps the shape: race r takes the pattern slot at the same relative place.
    std::vector<RacePlan> plans;
    for (int r = 0; r < races; ++r) {
        const int slot = races == 1 ? 0 : (r * (kRaceSlots - 1) * 2 + (races - 1)) / (2 * (races - 1));
        plans.push_back(pattern[static_cast<size_t>(slot)]);
    }
    return plans;
}

std::string RaceType(const RacePlan &plan, bool spring)
{
    if (plan.jump)
        return spring ? "19" : "18";
    if (plan.young)
        return spring ? "12" : "11";
    return spring ? "14" : "13";
}

const std::vector<std::string> &SpecialStems()
{
    static const std::vector<std::string> stems = {
        "赤富士",       "秋嶺",         "霜月",         "師走",       "醍醐",         "比叡",       "嵐山",
        "伊勢",         "飛鳥",         "銀嶺",         "白秋",       "紅葉",         "初霜",       "常総",
        "房総",         "多摩川",       "武蔵野",       "浦安",       "鳴門",         "ベゴニア",   "シクラメン",
        "カトレア",     "ヴィオラ",     "オリオン",     "ノベンバー", "アンドロメダ", "ペガサス",   "ギャラクシー",
        "ムーンライト", "オーロラ",     "ヴェガ",       "シリウス",   "ポラリス",     "キャピタル", "ユートピア",
        "ウインター",   "ディセンバー", "ドンカスター", "リゲル",     "ベテルギウス",
    };
    return stems;
}

// Names that carry characters which only CP932 has, or which convert in more
// than one way (～ Ⅱ ① 髙 ヴ ー), so that readers of the data meet them; each
// with its 6- and 3-character short names.
const std::vector<RaceNames> &TrickyNames()
{
    static const std::vector<RaceNames> names = {
        {"髙千穂特別", "髙千穂特別", "髙千穂"},          {"ヴェルデ～緑風～ステークス", "ヴェルデＳ", "ヴェル"},
        {"ウインターカップⅡ", "ウインターＣ", "ウイＣ"}, {"①番星特別", "①番星特別", "①番星"},
        {"髙尾山ステークス", "髙尾山Ｓ", "髙尾山"},      {"ヴィクトリーロード～冬の陣～", "ＶロードＳ", "Ｖロ"},
        {"ノーザンライツⅡ特別", "ノーザンⅡ", "ノーⅡ"},   {"スターライト①カップ", "スター①Ｃ", "スタ①"},
    };
    return names;
}

/** A named race: its name and short names, from a stem and a suffix ("ステークス" is "Ｓ" when short). */
RaceNames SpecialRaceNames(Dice &dice, const RacePlan &plan)
{
    if (dice.percent(12))
        return dice.pick(TrickyNames());
    const std::string &stem = dice.pick(SpecialStems());
    std::string suffix = "特別";
    if (plan.young)
        suffix = "賞";
    else if (plan.grade == Grade::Class3)
        suffix = dice.percent(50) ? "ステークス" : "特別";
    else if (plan.grade == Grade::Open)
        suffix = dice.pick(std::vector<std::string>{"ステークス", "カップ", "記念", "賞"});
    const std::string shortSuffix = suffix == "ステークス" ? "Ｓ" : suffix == "カップ" ? "Ｃ" : suffix;
    return {stem + suffix, stem + shortSuffix, stem};
}

/** The grade of a named race: open races are now and then listed or graded. */
char SpecialGrade(Dice &dice, const RacePlan &plan)
{
    if (plan.grade != Grade::Open)
        return 'E';
    const int roll = dice.below(100);
    return roll < 45 ? 'E' : roll < 75 ? 'L' : roll < 93 ? 'C' : roll < 98 ? 'B' : 'A';
}

int WeightRule(Dice &dice, const RacePlan &plan)
{
    if (plan.jump)
        return plan.grade == Grade::Open ? 2 : 4;
    if (plan.young)
        return 3; // 馬齢
    if (plan.grade == Grade::Open)
        return dice.pick(std::vector<int>{2, 2, 1, 1, 4});
    if (plan.special)
        return dice.percent(30) ? 1 : 4;
    return 4; // 定量
}

std::string TrackCode(Dice &dice, const CourseProfile &profile, bool jump, bool turf, int distance)
{
    if (jump)
        return dice.pick(std::vector<std::string>{"51", "51", "52", "53", "54", "54", "55", "56", "57", "58", "59"});
    if (!turf)
        return profile.leftHanded ? "23" : "24";
    if (profile.code == "04" && distance == 1000)
        return "10"; // the straight course
    if (profile.leftHanded)
        return dice.percent(70) ? "11" : "12";
    return dice.percent(70) ? "17" : "18";
}

int RegisteredRunners(Dice &dice, const RacePlan &plan)
{
    if (plan.jump)
        return dice.between(7, 14);
    if (plan.grade != Grade::Open && dice.percent(12))
        return dice.between(5, 9);
    // Most fields are large: the better of two draws leans towards 18.
    return std::max(dice.between(10, 18), dice.between(10, 18));
}

// ---------------------------------------------------------------------------
// Runners

const std::vector<std::string> &Syllables()
{
    static const std::vector<std::string> syllables = {
        "ア",   "イ",   "ウ",   "エ",   "オ",   "カ",   "キ",   "ク",   "ケ",   "コ",   "サ",   "シ",   "ス",
        "セ",   "ソ",   "タ",   "チ",   "ツ",   "テ",   "ト",   "ナ",   "ニ",   "ヌ",   "ネ",   "ノ",   "ハ",
        "ヒ",   "フ",   "ヘ",   "ホ",   "マ",   "ミ",   "ム",   "メ",   "モ",   "ヤ",   "ユ",   "ヨ",   "ラ",
        "リ",   "ル",   "レ",   "ロ",   "ワ",   "ガ",   "ギ",   "グ",   "ゲ",   "ゴ",   "ザ",   "ジ",   "ズ",
        "ゼ",   "ゾ",   "ダ",   "デ",   "ド",   "バ",   "ビ",   "ブ",   "ベ",   "ボ",   "パ",   "ピ",   "プ",
        "ペ",   "ポ",   "ヴィ", "ヴァ", "ヴェ", "ティ", "ディ", "ファ", "フィ", "フェ", "フォ", "シャ", "シュ",
        "ショ", "チャ", "ジャ", "ジュ", "ジョ", "キャ", "キュ", "リュ", "ウィ", "ウェ",
    };
    return syllables;
}

int Utf8Length(const std::string &text)
{
    int count = 0;
    for (char c : text) {
        if ((static_cast<unsigned char>(c) & 0xC0) != 0x80)
            ++count;
    }
    return count;
}

/** A katakana name of 2 to 9 characters; ン, ー and ッ only after a syllable. */
std::string HorseName(Dice &dice)
{
    const int target = dice.weighted({2, 6, 12, 16, 18, 16, 14, 10});
    const int length = target + 2;
    std::string name;
    int count = 0;
    while (count < length) {
        const std::string &syllable = dice.pick(Syllables());
        const int size = Utf8Length(syllable);
        if (count + size > length) {
            if (count >= 2)
                break;
            continue;
        }
        name += syllable;
        count += size;
        if (count < length && dice.percent(25)) {
            const int roll = dice.below(10);
            name += roll < 5 ? "ン" : roll < 9 ? "ー" : "ッ";
            ++count;
        }
    }
    // A name does not end on ッ.
    if (name.size() >= 3 && name.compare(name.size() - 3, 3, "ッ") == 0)
        name.replace(name.size() - 3, 3, "ト");
    return name;
}

int RunnerAge(Dice &dice, const std::string &raceType)
{
    if (raceType == "11")
        return 2;
    if (raceType == "12")
        return 3;
    if (raceType == "13")
        return 3 + dice.weighted({40, 30, 18, 8, 4});
    if (raceType == "14")
        return 4 + dice.weighted({45, 30, 15, 7, 3});
    if (raceType == "18")
        return 3 + dice.weighted({10, 30, 25, 15, 10, 6, 4});
    return 4 + dice.weighted({35, 25, 18, 12, 6, 4});
}

int RunnerSex(Dice &dice, int age, bool jump)
{
    if (age <= 2)
        return dice.percent(55) ? 1 : 2;
    const int gelding = jump ? 30 : 10;
    const int roll = dice.below(100);
    return roll < gelding ? 3 : roll < gelding + 35 ? 2 : 1;
}

int CarriedWeight(Dice &dice, const RacePlan &plan, int weightRule, int age, int sex)
{
    if (weightRule == 1)
        return 500 + 5 * dice.between(0, 18); // 50.0 to 59.0 kg
    int weight = 0;
    if (plan.jump)
        weight = sex == 2 ? 580 : 600;
    else if (age <= 2)
        weight = sex == 2 ? 540 : 550;
    else if (age == 3)
        weight = sex == 2 ? 540 : 560;
    else
        weight = sex == 2 ? 560 : 580;
    if (weightRule == 2)
        weight += 10 * dice.between(0, 3);
    // An apprentice's allowance now and then.
    if (!plan.jump && plan.grade != Grade::Open && dice.percent(12))
        weight -= 10 * dice.between(1, 3);
    return weight;
}

// Win odds in tenths by popularity rank: the model behind every payout.
constexpr std::array<long long, kHorseSlots> kOddsTenths = {24,  42,  60,  80,  105, 135,  170,  215,  270,
                                                            340, 420, 520, 650, 800, 1000, 1250, 1600, 2000};

// How often the horse of each popularity rank gets ahead of the rest.
constexpr std::array<int, kHorseSlots> kStrength = {1000, 520, 350, 260, 200, 160, 130, 110, 95,
                                                    80,   70,  60,  52,  45,  40,  35,  30,  26};

/** Popularity ranks, finishing order and the occasional dead heat of a run race. */
void RunRace(Dice &dice, RaceSpec &race)
{
    const int n = static_cast<int>(race.runners.size());
    std::vector<int> ranks(static_cast<size_t>(n));
    for (int i = 0; i < n; ++i)
        ranks[static_cast<size_t>(i)] = i + 1;
    for (int i = n - 1; i > 0; --i)
        std::swap(ranks[static_cast<size_t>(i)], ranks[static_cast<size_t>(dice.below(i + 1))]);
    for (int i = 0; i < n; ++i)
        race.runners[static_cast<size_t>(i)].popularity = ranks[static_cast<size_t>(i)];

    std::vector<int> left(static_cast<size_t>(n));
    for (int i = 0; i < n; ++i)
        left[static_cast<size_t>(i)] = i;
    std::vector<int> order;
    while (!left.empty()) {
        std::vector<int> weights;
        for (int index : left)
            weights.push_back(kStrength[static_cast<size_t>(race.runners[static_cast<size_t>(index)].popularity - 1)]);
        const int chosen = dice.weighted(weights);
        order.push_back(left[static_cast<size_t>(chosen)]);
        left.erase(left.begin() + chosen);
    }

    std::vector<int> finish(static_cast<size_t>(n));
    for (int k = 0; k < n; ++k)
        finish[static_cast<size_t>(k)] = k + 1;
    // A few races end in a dead heat: for second (two quinella winners) or for
    // third (two more wide pairs); the next horse then finishes a place lower.
    const int roll = dice.below(100);
    if (n >= 3 && roll < 3)
        finish[2] = 2;
    else if (n >= 4 && roll < 5)
        finish[3] = 3;
    for (int k = 0; k < n; ++k)
        race.runners[static_cast<size_t>(order[static_cast<size_t>(k)])].finish = finish[static_cast<size_t>(k)];
}

// ---------------------------------------------------------------------------
// Payouts

/** A pool: every combination of one bet kind with its model payout, to rank a winner's popularity. */
class Market
{
  public:
    void add(std::string combination, long long model) { m_combos.emplace_back(model, std::move(combination)); }

    int popularity(const std::string &combination) const
    {
        long long model = 0;
        for (const auto &[value, key] : m_combos) {
            if (key == combination)
                model = value;
        }
        int rank = 1;
        for (const auto &[value, key] : m_combos) {
            if (value < model || (value == model && key < combination))
                ++rank;
        }
        return rank;
    }

    long long model(const std::string &combination) const
    {
        for (const auto &[value, key] : m_combos) {
            if (key == combination)
                return value;
        }
        return 0;
    }

  private:
    std::vector<std::pair<long long, std::string>> m_combos;
};

std::string Pair(int a, int b)
{
    return Digits(a, 2) + Digits(b, 2);
}

std::string Triple(int a, int b, int c)
{
    return Digits(a, 2) + Digits(b, 2) + Digits(c, 2);
}

/** Long shots pay a lot, but not the product of their odds. */
long long Damp(long long model)
{
    constexpr long long knee = 300000;
    if (model <= knee)
        return model;
    return knee + static_cast<long long>(std::sqrt(static_cast<double>(model - knee) * static_cast<double>(knee)));
}

long long Amount(Dice &dice, long long model, long long minimum)
{
    long long yen = Damp(model) * (85 + dice.below(36)) / 100;
    yen = yen / 10 * 10;
    return std::clamp(yen, minimum, 999999990LL);
}

struct Entry
{
    std::string combination;
    long long yen;
    int popularity;
};

void PutEntries(RecordBuilder &record, const hr::PayoutTable &table, const std::vector<Entry> &entries)
{
    const int popularityDigits = table.step - table.combination - hr::kPayoutDigits;
    for (size_t i = 0; i < entries.size() && static_cast<int>(i) < table.entries; ++i) {
        const int entry = static_cast<int>(i) + 1;
        const FieldPos payout = hr::EntryPayout(table, entry);
        record.set(hr::EntryCombination(table, entry), entries[i].combination);
        record.setNumber(payout, entries[i].yen);
        record.setNumber({payout.pos + payout.len, popularityDigits}, entries[i].popularity);
    }
}

std::string PayoutRecord(Dice &dice, const CourseDay &day, const RaceSpec &race, QDate created)
{
    RecordBuilder record = InitialRecord(RecordBuilder::Payout(), kPayoutZeros, {});
    record.setKey('2', created, day.date, day.course, day.meeting, day.meetingDay, race.race);
    const int n = static_cast<int>(race.runners.size());
    record.setNumber(kPayoutRegistered, race.registered);
    record.setNumber(kPayoutStarters, n);

    std::vector<long long> odds(static_cast<size_t>(n + 1));
    std::vector<int> popularity(static_cast<size_t>(n + 1)), bracket(static_cast<size_t>(n + 1));
    std::vector<int> finish(static_cast<size_t>(n + 1)), tied(static_cast<size_t>(n + 2));
    for (const RunnerSpec &runner : race.runners) {
        const auto h = static_cast<size_t>(runner.horse);
        popularity[h] = runner.popularity;
        odds[h] = kOddsTenths[static_cast<size_t>(std::clamp(runner.popularity, 1, kHorseSlots) - 1)];
        bracket[h] = runner.bracket;
        finish[h] = runner.finish;
        if (runner.finish >= 1 && runner.finish <= n)
            ++tied[static_cast<size_t>(runner.finish)];
    }
    // A horse placed f-th among t tied horses may stand in any of the slots f .. f + t - 1.
    auto canStand = [&](int horse, int slot) {
        const int f = finish[static_cast<size_t>(horse)];
        return f >= 1 && f <= slot && slot <= f + tied[static_cast<size_t>(f)] - 1;
    };

    auto quinellaModel = [&](int a, int b) {
        return odds[static_cast<size_t>(a)] * odds[static_cast<size_t>(b)] * 2 / 3;
    };
    auto exactaModel = [&](int a, int b) {
        return quinellaModel(a, b) *
               (popularity[static_cast<size_t>(a)] < popularity[static_cast<size_t>(b)] ? 16 : 24) / 10;
    };
    auto trioModel = [&](int a, int b, int c) {
        return odds[static_cast<size_t>(a)] * odds[static_cast<size_t>(b)] * odds[static_cast<size_t>(c)] / 30;
    };
    auto trifectaModel = [&](int a, int b, int c) {
        const int pa = popularity[static_cast<size_t>(a)], pb = popularity[static_cast<size_t>(b)],
                  pc = popularity[static_cast<size_t>(c)];
        const int inversions = (pa > pb) + (pa > pc) + (pb > pc);
        return trioModel(a, b, c) * (30 + 10 * inversions) / 10;
    };

    Market quinellas, exactas, trios, trifectas, brackets;
    std::array<std::array<long long, 9>, 9> bracketModel{};
    for (int a = 1; a <= n; ++a) {
        for (int b = 1; b <= n; ++b) {
            if (a == b)
                continue;
            exactas.add(Pair(a, b), exactaModel(a, b));
            if (a < b) {
                quinellas.add(Pair(a, b), quinellaModel(a, b));
                long long &cell = bracketModel[static_cast<size_t>(bracket[static_cast<size_t>(a)])]
                                              [static_cast<size_t>(bracket[static_cast<size_t>(b)])];
                cell = cell == 0 ? quinellaModel(a, b) : std::min(cell, quinellaModel(a, b));
            }
            for (int c = 1; c <= n; ++c) {
                if (c == a || c == b)
                    continue;
                trifectas.add(Triple(a, b, c), trifectaModel(a, b, c));
                if (a < b && b < c)
                    trios.add(Triple(a, b, c), trioModel(a, b, c));
            }
        }
    }
    for (int x = 1; x <= 8; ++x) {
        for (int y = x; y <= 8; ++y) {
            if (bracketModel[static_cast<size_t>(x)][static_cast<size_t>(y)] > 0)
                brackets.add(Digits(x, 1) + Digits(y, 1),
                             bracketModel[static_cast<size_t>(x)][static_cast<size_t>(y)] * 8 / 10);
        }
    }

    // Every way of filling the first three slots that the finishing order allows.
    std::vector<std::array<int, 3>> podiums;
    for (int a = 1; a <= n; ++a) {
        for (int b = 1; b <= n; ++b) {
            for (int c = 1; c <= n; ++c) {
                if (a != b && a != c && b != c && canStand(a, 1) && canStand(b, 2) && canStand(c, 3))
                    podiums.push_back({a, b, c});
            }
        }
    }

    std::set<int> winners, placed;
    std::set<std::pair<int, int>> quinella, wide, exacta;
    std::set<std::pair<int, int>> bracketPairs;
    std::set<std::array<int, 3>> trio, trifecta;
    const int placeSlots = n >= 8 ? 3 : n >= 5 ? 2 : 0;
    for (const auto &p : podiums) {
        winners.insert(p[0]);
        for (int k = 0; k < placeSlots; ++k)
            placed.insert(p[static_cast<size_t>(k)]);
        exacta.insert({p[0], p[1]});
        quinella.insert(std::minmax(p[0], p[1]));
        const int ba = bracket[static_cast<size_t>(p[0])], bb = bracket[static_cast<size_t>(p[1])];
        bracketPairs.insert(std::minmax(ba, bb));
        wide.insert(std::minmax(p[0], p[1]));
        wide.insert(std::minmax(p[0], p[2]));
        wide.insert(std::minmax(p[1], p[2]));
        std::array<int, 3> sorted = p;
        std::sort(sorted.begin(), sorted.end());
        trio.insert(sorted);
        trifecta.insert(p);
    }

    std::vector<Entry> entries;
    for (int h : winners) {
        const auto i = static_cast<size_t>(h);
        entries.push_back({Digits(h, 2), Amount(dice, odds[i] * 10, 100), popularity[i]});
    }
    PutEntries(record, kWin, entries);

    entries.clear();
    for (int h : placed) {
        const auto i = static_cast<size_t>(h);
        entries.push_back({Digits(h, 2), Amount(dice, (10 + (odds[i] - 10) / 5) * 10, 100), popularity[i]});
    }
    PutEntries(record, kPlace, entries);

    // From 2005 no bracket quinella is sold on a field of eight or fewer.
    if (!(race.registered <= 8 && day.date.year() >= 2005)) {
        entries.clear();
        for (const auto &[x, y] : bracketPairs) {
            const std::string key = Digits(x, 1) + Digits(y, 1);
            entries.push_back({key, Amount(dice, brackets.model(key), 110), brackets.popularity(key)});
        }
        PutEntries(record, hr::BracketQuinella, entries);
    }

    entries.clear();
    for (const auto &[a, b] : quinella) {
        const std::string key = Pair(a, b);
        entries.push_back({key, Amount(dice, quinellas.model(key), 110), quinellas.popularity(key)});
    }
    PutEntries(record, hr::Quinella, entries);

    entries.clear();
    for (const auto &[a, b] : wide) {
        const std::string key = Pair(a, b);
        entries.push_back({key, Amount(dice, quinellas.model(key) * 2 / 7, 100), quinellas.popularity(key)});
    }
    PutEntries(record, hr::Wide, entries);

    entries.clear();
    for (const auto &[a, b] : exacta) {
        const std::string key = Pair(a, b);
        entries.push_back({key, Amount(dice, exactas.model(key), 110), exactas.popularity(key)});
    }
    PutEntries(record, kExacta, entries);

    entries.clear();
    for (const auto &t : trio) {
        const std::string key = Triple(t[0], t[1], t[2]);
        entries.push_back({key, Amount(dice, trios.model(key), 110), trios.popularity(key)});
    }
    PutEntries(record, kTrio, entries);

    entries.clear();
    for (const auto &t : trifecta) {
        const std::string key = Triple(t[0], t[1], t[2]);
        entries.push_back({key, Amount(dice, trifectas.model(key), 110), trifectas.popularity(key)});
    }
    PutEntries(record, kTrifecta, entries);
    return record.bytes();
}

// ---------------------------------------------------------------------------
// Course-day files

using Lines = std::vector<std::string>;

bool SaveLines(const QString &path, const Lines &lines)
{
    std::string content;
    for (const std::string &line : lines) {
        content += line;
        content += "\r\n";
    }
    return WriteFileAtomically(path, content);
}

/**
 * Puts each record at its line, as the import does. False when a record is not
 * a well-formed record of the kind, belongs to another course-day, or has no
 * slot in the file.
 */
bool PlaceRecords(Lines &lines, const std::vector<std::string> &records, std::string_view type, int length,
                  const std::string &dateAndCourse, bool byHorse)
{
    for (const std::string &record : records) {
        if (static_cast<int>(record.size()) != length || Field(record, common::RecordType) != type ||
            record.compare(record.size() - 2, 2, "\r\n") != 0 ||
            std::string(Field(record, common::MeetingDate)) + std::string(Field(record, common::Course)) !=
                dateAndCourse)
            return false;
        const int race = FieldValue(Field(record, common::RaceNumber));
        const int horse = byHorse ? FieldValue(Field(record, se::HorseNumber)) : 1;
        if (race < 1 || race > kRaceSlots || horse < 1 || horse > kHorseSlots)
            return false;
        const int slot = byHorse ? (race - 1) * kHorseSlots + horse - 1 : race - 1;
        lines[static_cast<size_t>(slot)] = record.substr(0, record.size() - 2);
    }
    return true;
}

} // namespace

// ---------------------------------------------------------------------------

RecordBuilder::RecordBuilder(std::string_view type, int length)
    : m_bytes(static_cast<size_t>(std::max(length, 0)), ' ')
{
    if (m_bytes.size() >= 2) {
        m_bytes[m_bytes.size() - 2] = '\r';
        m_bytes[m_bytes.size() - 1] = '\n';
    }
    set(common::RecordType, type);
}

RecordBuilder RecordBuilder::Race()
{
    return RecordBuilder("RA", kRaceRecordLength);
}

RecordBuilder RecordBuilder::Runner()
{
    return RecordBuilder("SE", kRunnerRecordLength);
}

RecordBuilder RecordBuilder::Payout()
{
    return RecordBuilder("HR", kPayoutRecordLength);
}

RecordBuilder &RecordBuilder::set(FieldPos field, std::string_view bytes)
{
    SetField(m_bytes, field, bytes);
    return *this;
}

RecordBuilder &RecordBuilder::setNumber(FieldPos field, long long value)
{
    if (field.len <= 0)
        return *this;
    long long limit = 1;
    for (int i = 0; i < field.len && i < 18; ++i)
        limit *= 10;
    return set(field, Digits(std::clamp(value, 0LL, limit - 1), field.len));
}

RecordBuilder &RecordBuilder::setText(FieldPos field, std::string_view utf8)
{
    const std::string sjis = Utf8ToSjis(utf8);
    const auto width = static_cast<size_t>(std::max(field.len, 0));
    std::string text;
    // Cut only between characters, never inside a double-byte one.
    for (size_t i = 0; i < sjis.size();) {
        const size_t size = IsSjisLeadByte(static_cast<unsigned char>(sjis[i])) && i + 1 < sjis.size() ? 2 : 1;
        if (text.size() + size > width)
            break;
        text.append(sjis, i, size);
        i += size;
    }
    while (text.size() + 2 <= width)
        text += "\x81\x40"; // 　
    return set(field, text);
}

RecordBuilder &RecordBuilder::setKey(char dataKind, QDate created, QDate meetingDate, std::string_view course,
                                     int meeting, int meetingDay, int race)
{
    set(common::DataKind, std::string_view(&dataKind, 1));
    set(common::Created, DateDigits(created));
    set(common::MeetingDate, DateDigits(meetingDate));
    set(common::Course, course);
    setNumber(common::Meeting, meeting);
    setNumber(common::MeetingDay, meetingDay);
    return setNumber(common::RaceNumber, race);
}

std::string CourseDay::name() const
{
    return Format("%04d", date.year()) + Sj("年") + Format("%02d", date.month()) + Sj("月") +
           Format("%02d", date.day()) + Sj("日") + CourseName(course);
}

std::string CourseDay::nameUtf8() const
{
    return SjisToUtf8(name());
}

int JraBracket(int horse, int runners)
{
    if (runners < 1 || horse < 1 || horse > runners)
        return 0;
    if (runners <= 8)
        return horse;
    // Every bracket holds runners / 8 horses; the highest runners % 8 brackets one more.
    const int base = runners / 8;
    const int smallBrackets = 8 - runners % 8;
    const int inSmall = smallBrackets * base;
    if (horse <= inSmall)
        return (horse - 1) / base + 1;
    return smallBrackets + (horse - inSmall - 1) / (base + 1) + 1;
}

Generator::Generator(std::uint64_t seed)
    : m_random(seed)
{}

CourseDay Generator::courseDay(const CourseDayOptions &options)
{
    Dice dice(m_random);
    CourseDay day;
    day.date = options.date;
    day.course = options.course;
    day.withResults = options.withResults;
    if (!options.date.isValid())
        return day;
    day.weekdayCode = WeekdayCode(options.date);
    day.meeting = options.meeting > 0 ? options.meeting : DerivedMeeting(options.date);
    day.meetingDay = options.meetingDay > 0 ? options.meetingDay : DerivedMeetingDay(options.date);

    const QDate date = options.date;
    const bool spring = date.month() < 6; // before June the youngest racing age is 3
    const CourseProfile &profile = Profile(options.course);
    // Results are published on the Monday after; the race card the day before (Friday for
    // Saturday, Saturday for Sunday).
    const QDate created = options.withResults ? date.addDays(8 - date.dayOfWeek()) : date.addDays(-1);
    const char kind = options.withResults ? '7' : '2';

    std::set<std::string> raceNames, horseNames;
    const std::vector<RacePlan> plans = PlanDay(dice, std::clamp(options.races, 1, kRaceSlots), date.month());
    for (size_t r = 0; r < plans.size(); ++r) {
        const RacePlan &plan = plans[r];
        RaceSpec race;
        race.race = static_cast<int>(r) + 1;
        race.raceType = RaceType(plan, spring);
        const int code = ConditionCode(plan.grade);
        if (race.raceType == "11")
            race.conditions[0] = code;
        else if (race.raceType == "12")
            race.conditions[1] = code;
        else if (race.raceType == "13" || race.raceType == "18")
            race.conditions[1] = race.conditions[2] = race.conditions[3] = code;
        else
            race.conditions[2] = race.conditions[3] = code;
        race.weightRule = WeightRule(dice, plan);

        // Ordinary races have no name: race cards call them by type and class.
        race.youngestCondition = code;
        race.postTime = PostTime(race.race);
        if (plan.special) {
            for (int attempt = 0; attempt < 8; ++attempt) {
                const RaceNames names = SpecialRaceNames(dice, plan);
                race.name = names.name;
                race.shortName6 = names.six;
                race.shortName3 = names.three;
                if (raceNames.insert(race.name).second)
                    break;
            }
            race.grade = SpecialGrade(dice, plan);
        }

        if (plan.jump) {
            race.distance = dice.pick(profile.jump);
            race.track = TrackCode(dice, profile, true, false, race.distance);
        } else {
            const bool turf = dice.percent(plan.young && plan.grade == Grade::Maiden ? 45 : 58);
            std::vector<int> distances = turf ? profile.turf : profile.dirt;
            if (plan.young) // young horses race up to 2000 m
                std::erase_if(distances, [](int d) { return d > 2000; });
            race.distance = dice.pick(distances);
            race.track = TrackCode(dice, profile, false, turf, race.distance);
        }

        race.registered = RegisteredRunners(dice, plan);
        for (int h = 1; h <= race.registered; ++h) {
            RunnerSpec runner;
            runner.horse = h;
            runner.bracket = JraBracket(h, race.registered);
            do {
                runner.name = HorseName(dice);
            } while (!horseNames.insert(runner.name).second);
            runner.age = RunnerAge(dice, race.raceType);
            runner.sex = RunnerSex(dice, runner.age, plan.jump);
            runner.weightTenths = CarriedWeight(dice, plan, race.weightRule, runner.age, runner.sex);
            race.runners.push_back(runner);
        }
        if (options.withResults)
            RunRace(dice, race);
        day.races.push_back(std::move(race));
    }

    for (const RaceSpec &race : day.races) {
        RecordBuilder raceRecord = InitialRecord(RecordBuilder::Race(), kRaceZeros, kRaceFullWidth);
        raceRecord.setKey(kind, created, date, day.course, day.meeting, day.meetingDay, race.race)
            .setNumber(ra::Weekday, day.weekdayCode)
            .set(ra::RaceType, race.raceType)
            .set(kRaceSymbol, race.grade == ' ' ? "000" : "A00")
            .setNumber(ra::WeightRule, race.weightRule)
            .setNumber(ra::Condition2, race.conditions[0])
            .setNumber(ra::Condition3, race.conditions[1])
            .setNumber(ra::Condition4, race.conditions[2])
            .setNumber(ra::Condition5, race.conditions[3])
            .setNumber(ra::ConditionYoungest, race.youngestCondition)
            .setNumber(ra::Distance, race.distance)
            .set(ra::Track, race.track)
            .setNumber(kPostTime, race.postTime)
            .setNumber(ra::Registered, race.registered);
        if (race.grade != ' ') {
            raceRecord.setText(ra::RaceName, race.name)
                .setText(ra::ShortName10, Utf8Length(race.name) <= 10 ? race.name : race.shortName6)
                .setText(ra::ShortName6, race.shortName6)
                .setText(ra::ShortName3, race.shortName3)
                .set(ra::Grade, std::string_view(&race.grade, 1));
            // Graded races have a number of their own.
            if (race.grade >= 'A' && race.grade <= 'D')
                raceRecord.setNumber(kSpecialRaceNumber, 1000 + FieldValue(day.course) * 50 + race.race);
        }
        day.raceRecords.push_back(raceRecord.bytes());

        for (const RunnerSpec &runner : race.runners) {
            // A pedigree number: year of birth, "1", five digits.
            const long long pedigree = (date.year() - runner.age) * 1000000LL + 100000 + dice.below(100000);
            RecordBuilder runnerRecord = InitialRecord(RecordBuilder::Runner(), kRunnerZeros, kRunnerFullWidth);
            runnerRecord.setKey(kind, created, date, day.course, day.meeting, day.meetingDay, race.race)
                .setNumber(se::Bracket, runner.bracket)
                .setNumber(se::HorseNumber, runner.horse)
                .setNumber(kPedigree, pedigree)
                .setText(se::HorseName, runner.name)
                .setNumber(se::Sex, runner.sex)
                .setNumber(kBreed, 1)
                .setNumber(se::Age, runner.age)
                .setNumber(kStable, 1 + pedigree % 2)
                .setNumber(se::Weight, runner.weightTenths)
                .setNumber(se::Finish, runner.finish)
                .setNumber(se::Popularity, runner.popularity);
            day.runnerRecords.push_back(runnerRecord.bytes());
        }
    }

    if (options.withResults) {
        for (const RaceSpec &race : day.races)
            day.payoutRecords.push_back(PayoutRecord(dice, day, race, created));
    }
    return day;
}

std::vector<CourseDay> Generator::weekend(QDate saturday)
{
    std::vector<CourseDay> days;
    if (!saturday.isValid())
        return days;
    Dice dice(m_random);
    const QDate first = saturday.addDays(6 - saturday.dayOfWeek());
    const std::array<const char *, 3> month = CoursesOfMonth(first.month());
    const int courses = dice.percent(50) ? 3 : 2;
    for (const QDate date : {first, first.addDays(1)}) {
        for (int c = 0; c < courses; ++c) {
            CourseDayOptions options;
            options.date = date;
            options.course = month[static_cast<size_t>(c)];
            days.push_back(courseDay(options));
        }
    }
    return days;
}

bool WriteCourseDayFiles(const CourseDay &day, const QString &dataDir)
{
    if (!day.date.isValid())
        return false;
    const std::string key = DateDigits(day.date) + day.course;
    Lines races(kRaceSlots, std::string(kRaceLine, ' '));
    Lines runners(kRaceSlots * kHorseSlots, std::string(kRunnerLine, ' '));
    Lines payouts(kRaceSlots, std::string(kPayoutLine, ' '));
    if (!PlaceRecords(races, day.raceRecords, "RA", kRaceRecordLength, key, false) ||
        !PlaceRecords(runners, day.runnerRecords, "SE", kRunnerRecordLength, key, true) ||
        !PlaceRecords(payouts, day.payoutRecords, "HR", kPayoutRecordLength, key, false))
        return false;

    if (!QDir().mkpath(dataDir))
        return false;
    const QString base = QDir(dataDir).filePath(QString::fromStdString(day.nameUtf8()));
    if (!SaveLines(base + QStringLiteral(".jvRA"), races) || !SaveLines(base + QStringLiteral(".jvSEr"), runners))
        return false;
    if (!day.payoutRecords.empty())
        return SaveLines(base + QStringLiteral(".jvHR"), payouts);
    // The race and runner files were just replaced; a payout file left from an
    // earlier card of the same course-day would pay out on races that never ran.
    const QString stale = base + QStringLiteral(".jvHR");
    return !QFile::exists(stale) || QFile::remove(stale);
}

bool WriteRecordFile(const QString &path, const std::vector<std::string> &records)
{
    std::string content;
    for (const std::string &record : records)
        content += record;
    return QDir().mkpath(QFileInfo(path).absolutePath()) && WriteFileAtomically(path, content);
}

int WriteWeeks(const QString &dataDir, std::uint64_t seed, QDate lastSaturday, int weeks)
{
    int written = 0;
    for (int k = weeks - 1; k >= 0; --k) {
        for (const CourseDay &day :
             Generator(seed + static_cast<std::uint64_t>(k)).weekend(lastSaturday.addDays(-7 * k))) {
            if (!WriteCourseDayFiles(day, dataDir))
                return -1;
            ++written;
        }
    }
    return written;
}

} // namespace velmora::gen
