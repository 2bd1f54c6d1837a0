#include "core/engine/prediction.h"

#include "core/codes/jvdata.h"
#include "core/codes/keibafunc.h"
#include "core/text/sjis.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <utility>

namespace velmora {
namespace {

using Extended = long double;
// The rules compute in the x87 80-bit extended format: a 64-bit mantissa. A long double
// of another width (64-bit on MSVC and ARM, 128-bit quad precision elsewhere) rounds
// differently and would change predictions.
static_assert(std::numeric_limits<Extended>::digits == 64 && std::numeric_limits<Extended>::max_exponent == 16384,
              "the engine needs the x87 80-bit extended format (a 64-bit mantissa) as long double");

constexpr Extended kPoint4 = 0.4L;
constexpr Extended kPoint5 = 0.5L;
constexpr Extended kOnePoint9 = 1.9L;

/** Int: truncation toward zero, keeping a real number. */
Extended Int(Extended value)
{
    return std::trunc(value);
}

/** Trunc: truncation toward zero, giving an integer. */
long long Trunc(Extended value)
{
    return static_cast<long long>(std::trunc(value));
}

/** The race every race is measured against: race 2 for race 1, otherwise the previous one. */
int ReferenceRace(int race)
{
    return race == 1 ? 2 : race - 1;
}

/** A mark that left the field folds back into it: above n by mod n, 0 or below by adding n. */
int FoldIntoField(long long value, int n)
{
    if (value > n)
        return static_cast<int>(value % n);
    if (value <= 0)
        return static_cast<int>(value + n);
    return static_cast<int>(value);
}

} // namespace

void ComputeRaceValues(const RaceCard &card, Prediction &prediction)
{
    const int count = card.RaceCount;
    auto &races = prediction.races;
    for (int r = 1; r <= count; ++r) {
        const std::string &record = card.RaceRecords[static_cast<size_t>(r)];
        const std::int32_t distance = FieldValue(Field(record, ra::Distance));
        const std::int32_t registered = FieldValue(Field(record, ra::Registered));
        races[r].fieldSize = registered;
        races[r].score = static_cast<float>(static_cast<Extended>(distance * registered) / 200.0L);
    }
    for (int r = 1; r <= count; ++r) {
        races[r].index = static_cast<float>(static_cast<Extended>(races[r].score) /
                                            static_cast<Extended>(races[ReferenceRace(r)].score));
    }
    for (int r = 1; r <= count; ++r) {
        const RacePrediction &reference = races[ReferenceRace(r)];
        RacePrediction &race = races[r];
        const Extended i = race.index;
        Extended x;
        if (reference.fieldSize == race.fieldSize) {
            x = static_cast<Extended>(race.fieldSize) * i / 3.0L;
        } else {
            const Extended q = static_cast<Extended>(reference.fieldSize) / static_cast<Extended>(race.fieldSize);
            const Extended d = race.fieldSize - reference.fieldSize;
            if (q >= 2.0L)
                x = d * i * 2.0L;
            else if (q > kPoint5)
                x = d * i;
            else
                x = d * i * 2.0L;
        }
        race.xValue = static_cast<float>(x);
    }
    for (int r = 1; r <= count; ++r) {
        RacePrediction &race = races[r];
        const Extended i = race.index;
        if (i > 0.0L && i < kPoint5)
            race.xValue = static_cast<float>(static_cast<Extended>(race.xValue) / 3.0L);
        else if (i >= kOnePoint9)
            race.xValue = static_cast<float>(static_cast<Extended>(race.xValue) * 3.0L);
    }
    for (int r = 1; r <= count; ++r)
        races[r].sign = static_cast<Extended>(races[r].index) >= 1.0L ? IndexSign::Plus : IndexSign::Minus;
    for (int r = 1; r <= count; ++r) {
        const Extended x = races[r].xValue;
        races[r].xValue = static_cast<float>(x >= 0.0L ? Int(x + kPoint4) : Int(x - kPoint4));
    }
}

void ComputeMarks(Prediction &prediction, int raceCount)
{
    auto &races = prediction.races;
    for (int r = 1; r <= raceCount; ++r) {
        RacePrediction &race = races[r];
        const int n = race.fieldSize;
        const long long t = Trunc(race.xValue);
        if (t == 0)
            race.marks.x = n;
        else if (t > 0)
            race.marks.x = t % n == 0 ? n : static_cast<int>(t % n);
        else
            race.marks.x = static_cast<int>(t % n + n);
    }
    for (int r = 1; r <= raceCount; ++r) {
        Marks &marks = races[r].marks;
        const int x = marks.x;
        const bool outerRace = r == 1 || r == raceCount;
        // The first and the last race of the day look the other way from the races between them.
        const bool upward = outerRace == (races[r].sign == IndexSign::Minus);
        const int step = upward ? 1 : -1;
        marks.y = x + 3 * step;
        marks.a = x + step;
        marks.b = x + 2 * step;
        marks.c = x - step;
    }
    for (int r = 1; r <= raceCount; ++r) {
        Marks &marks = races[r].marks;
        const int n = races[r].fieldSize;
        for (std::int32_t *mark : {&marks.y, &marks.a, &marks.b, &marks.c})
            *mark = FoldIntoField(*mark, n);
    }
    for (int r = 1; r <= raceCount; ++r) {
        RacePrediction &race = races[r];
        const int n = race.fieldSize;
        const Extended i = race.index;
        const long long sixStep = Trunc(Int(6.0L * i + kPoint4));
        long long d = Trunc(Int(i + kPoint4));
        if (d == 0)
            d = n;
        long long e = Trunc(Int(3.0L * i + kPoint4)) + d;
        long long f = sixStep + e;
        if (d > n)
            d %= n;
        if (e > n)
            e %= n;
        if (f > n)
            f %= n;
        if (f == d) {
            f = sixStep + f;
            if (f > n)
                f %= n;
        }
        if (e == 0)
            e = n;
        if (f == 0)
            f = n;
        race.marks.d = static_cast<int>(d);
        race.marks.e = static_cast<int>(e);
        race.marks.f = static_cast<int>(f);
    }
}

void ComputeBets(const RaceCard &card, Prediction &prediction)
{
    const int count = card.RaceCount;
    auto &races = prediction.races;
    auto bracket = [&](int r, int horse) {
        return horse >= 1 && horse <= races[r].fieldSize ? card.bracketOf(r, horse) : 0;
    };

    for (int r = 1; r <= count; ++r) {
        RacePrediction &race = races[r];
        const Marks &m = race.marks;
        auto inS = [&](int horse) { return horse == m.d || horse == m.e || horse == m.f; };
        race.axisHorse = m.a;
        race.coverHorse = m.c;
        if (race.sign == IndexSign::Minus) {
            if (inS(m.x) && !inS(m.a) && !inS(m.b)) {
                race.axisHorse = m.x;
                race.coverHorse = m.a;
                race.grade = Grade::A;
            } else if (inS(m.a) && !inS(m.x) && !inS(m.b)) {
                race.grade = Grade::A;
            } else if (inS(m.a)) {
                race.grade = Grade::B;
            } else {
                race.grade = Grade::C;
            }
        } else {
            race.grade = inS(m.a) && !inS(m.x) && !inS(m.b) ? Grade::B : Grade::C;
        }
    }

    for (int r = 1; r <= count; ++r) {
        RacePrediction &race = races[r];
        const Marks &m = race.marks;
        const int n = race.fieldSize;
        auto up = [n](int v) { return v + 1 >= n ? 1 : v + 1; };
        auto down = [n](int v) { return v - 1 == 0 ? n : v - 1; };
        const bool minus = race.sign == IndexSign::Minus;
        auto forward = [&](int v) { return minus ? up(v) : down(v); };
        auto backward = [&](int v) { return minus ? down(v) : up(v); };
        // A partner that shares a bracket with the horse it comes from moves on once more.
        auto moveOff = [&](int from, auto stepper) {
            const int next = stepper(from);
            return bracket(r, next) == bracket(r, from) ? stepper(next) : next;
        };
        race.coverPartner = moveOff(m.d, forward);
        race.axisPartners[1] = m.e;
        race.axisPartners[2] = m.f;
        race.axisPartners[3] = moveOff(m.f, backward);
        race.axisPartners[4] = moveOff(m.e, backward);
        race.axisPartners[5] = m.x;
    }

    for (int r = 1; r <= count; ++r) {
        RacePrediction &race = races[r];
        race.axisBracket = bracket(r, race.axisHorse);
        race.coverPartnerBracket = bracket(r, race.coverPartner);
        for (int k = 1; k <= 5; ++k)
            race.axisPartnerBrackets[k] = bracket(r, race.axisPartners[k]);
        race.coverBracket = bracket(r, race.coverHorse);
    }

    for (int r = 1; r <= count; ++r) {
        RacePrediction &race = races[r];
        struct Slot
        {
            int horse, partner, horseBracket, partnerBracket;
        };
        const auto &partners = race.axisPartners;
        const auto &brackets = race.axisPartnerBrackets;
        const int axis = race.axisHorse, axisBracket = race.axisBracket;
        const std::array<Slot, 6> slots = {{
            {axis, partners[1], axisBracket, brackets[1]},
            {axis, partners[2], axisBracket, brackets[2]},
            {axis, partners[3], axisBracket, brackets[3]},
            {axis, partners[4], axisBracket, brackets[4]},
            {race.coverHorse, race.coverPartner, race.coverBracket, race.coverPartnerBracket},
            {axis, partners[5], axisBracket, brackets[5]},
        }};
        for (int k = 1; k <= 6; ++k) {
            const Slot &slot = slots[static_cast<size_t>(k - 1)];
            int horseLow = std::min(slot.horse, slot.partner);
            const int horseHigh = std::max(slot.horse, slot.partner);
            int bracketLow = std::min(slot.horseBracket, slot.partnerBracket);
            const int bracketHigh = std::max(slot.horseBracket, slot.partnerBracket);
            // A horse paired with itself is no bet: both bets are made void. So is a pair
            // with a number outside the field, which damaged race data can produce: no
            // list, sheet or export may offer a ticket on a horse that does not run.
            const int field = std::min(race.fieldSize, kMaxRunners);
            if (slot.horse == slot.partner || horseLow < 1 || horseHigh > field) {
                horseLow = 0;
                bracketLow = 0;
            }
            if (bracketLow < 1 || bracketHigh > kMaxBrackets)
                bracketLow = 0;
            race.quinellaBets[k] = {horseLow, horseHigh};
            race.bracketBets[k] = {bracketLow, bracketHigh};
        }
    }
}

void ComputePrediction(const RaceCard &card, Prediction &prediction)
{
    ComputeRaceValues(card, prediction);
    ComputeMarks(prediction, card.RaceCount);
    ComputeBets(card, prediction);
}

const std::string &IndexSignText(IndexSign sign)
{
    static const std::string plus = "+", minus = "-";
    return sign == IndexSign::Plus ? plus : minus;
}

const std::string &GradeText(Grade grade)
{
    static const std::array<std::string, 4> texts = {"A", "B", "C", ""};
    return texts[static_cast<size_t>(grade)];
}

std::string BetText(const Bet &bet)
{
    // Every bet of a race is made here; numbers of at most two digits (all there
    // are) are written without printf, whose cost shows over years of course-days.
    auto fits = [](int n) { return n >= 0 && n <= 99; };
    if (!fits(bet.low) || !fits(bet.high))
        return Format("%2d - %2d", bet.low, bet.high);
    std::string text = "   -   ";
    auto put = [&text](size_t at, int n) {
        if (n >= 10)
            text[at] = static_cast<char>('0' + n / 10);
        text[at + 1] = static_cast<char>('0' + n % 10);
    };
    put(0, bet.low);
    put(5, bet.high);
    return text;
}

namespace {

/** Appends `item`, the form of `bet` the list holds, unless the bet is void or the list holds it already. */
template <typename Item> bool AppendShownBet(std::vector<Item> &list, const Bet &bet, const Item &item)
{
    if (bet.isVoid() || std::find(list.begin(), list.end(), item) != list.end())
        return false;
    list.push_back(item);
    return true;
}

} // namespace

bool AddBetToList(std::vector<Bet> &list, const Bet &bet)
{
    return AppendShownBet(list, bet, bet);
}

bool AddBetToList(std::vector<std::string> &list, const Bet &bet)
{
    return !bet.isVoid() && AppendShownBet(list, bet, BetText(bet));
}

} // namespace velmora
