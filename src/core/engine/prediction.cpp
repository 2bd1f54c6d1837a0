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

void ComputeRaceValues(const RaceCard &card, Prediction &p)
{
    const int count = card.RaceCount;
    for (int r = 1; r <= count; ++r) {
        const std::string &record = card.RaceRecords[static_cast<size_t>(r)];
        const std::int32_t distance = FieldValue(Field(record, ra::Distance));
        const std::int32_t registered = FieldValue(Field(record, ra::Registered));
        p.FieldSize[r] = registered;
        p.RaceScore[r] = static_cast<float>(static_cast<Extended>(distance * registered) / 200.0L);
    }
    for (int r = 1; r <= count; ++r) {
        p.RaceIndex[r] = static_cast<float>(static_cast<Extended>(p.RaceScore[r]) /
                                            static_cast<Extended>(p.RaceScore[ReferenceRace(r)]));
    }
    for (int r = 1; r <= count; ++r) {
        const int n = ReferenceRace(r);
        const Extended i = p.RaceIndex[r];
        Extended x;
        if (p.FieldSize[n] == p.FieldSize[r]) {
            x = static_cast<Extended>(p.FieldSize[r]) * i / 3.0L;
        } else {
            const Extended q = static_cast<Extended>(p.FieldSize[n]) / static_cast<Extended>(p.FieldSize[r]);
            const Extended d = p.FieldSize[r] - p.FieldSize[n];
            if (q >= 2.0L)
                x = d * i * 2.0L;
            else if (q > kPoint5)
                x = d * i;
            else
                x = d * i * 2.0L;
        }
        p.XValue[r] = static_cast<float>(x);
    }
    for (int r = 1; r <= count; ++r) {
        const Extended i = p.RaceIndex[r];
        if (i > 0.0L && i < kPoint5)
            p.XValue[r] = static_cast<float>(static_cast<Extended>(p.XValue[r]) / 3.0L);
        else if (i >= kOnePoint9)
            p.XValue[r] = static_cast<float>(static_cast<Extended>(p.XValue[r]) * 3.0L);
    }
    for (int r = 1; r <= count; ++r)
        p.IndexSign[r] = static_cast<Extended>(p.RaceIndex[r]) >= 1.0L ? "+" : "-";
    for (int r = 1; r <= count; ++r) {
        const Extended x = p.XValue[r];
        p.XValue[r] = static_cast<float>(x >= 0.0L ? Int(x + kPoint4) : Int(x - kPoint4));
    }
}

void ComputeMarks(Prediction &p, int raceCount)
{
    for (int r = 1; r <= raceCount; ++r) {
        const int n = p.FieldSize[r];
        const long long t = Trunc(p.XValue[r]);
        if (t == 0)
            p.MarkX[r] = n;
        else if (t > 0)
            p.MarkX[r] = t % n == 0 ? n : static_cast<int>(t % n);
        else
            p.MarkX[r] = static_cast<int>(t % n + n);
    }
    for (int r = 1; r <= raceCount; ++r) {
        const int x = p.MarkX[r];
        const bool outerRace = r == 1 || r == raceCount;
        // The first and the last race of the day look the other way from the races between them.
        const bool upward = outerRace == (p.IndexSign[r] == "-");
        const int step = upward ? 1 : -1;
        p.MarkY[r] = x + 3 * step;
        p.MarkA[r] = x + step;
        p.MarkB[r] = x + 2 * step;
        p.MarkC[r] = x - step;
    }
    for (int r = 1; r <= raceCount; ++r) {
        const int n = p.FieldSize[r];
        for (auto *mark : {&p.MarkY, &p.MarkA, &p.MarkB, &p.MarkC})
            (*mark)[r] = FoldIntoField((*mark)[r], n);
    }
    for (int r = 1; r <= raceCount; ++r) {
        const int n = p.FieldSize[r];
        const Extended i = p.RaceIndex[r];
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
        p.MarkD[r] = static_cast<int>(d);
        p.MarkE[r] = static_cast<int>(e);
        p.MarkF[r] = static_cast<int>(f);
    }
}

void ComputeBets(const RaceCard &card, Prediction &p)
{
    const int count = card.RaceCount;
    auto bracket = [&](int r, int horse) {
        return horse >= 1 && horse <= p.FieldSize[r] ? card.bracketOf(r, horse) : 0;
    };

    for (int r = 1; r <= count; ++r) {
        auto inS = [&](int horse) { return horse == p.MarkD[r] || horse == p.MarkE[r] || horse == p.MarkF[r]; };
        const int x = p.MarkX[r], a = p.MarkA[r], b = p.MarkB[r], c = p.MarkC[r];
        p.AxisHorse[r] = a;
        p.CoverHorse[r] = c;
        if (p.IndexSign[r] == "-") {
            if (inS(x) && !inS(a) && !inS(b)) {
                p.AxisHorse[r] = x;
                p.CoverHorse[r] = a;
                p.ConfidenceGrade[r] = "A";
            } else if (inS(a) && !inS(x) && !inS(b)) {
                p.ConfidenceGrade[r] = "A";
            } else if (inS(a)) {
                p.ConfidenceGrade[r] = "B";
            } else {
                p.ConfidenceGrade[r] = "C";
            }
        } else {
            p.ConfidenceGrade[r] = inS(a) && !inS(x) && !inS(b) ? "B" : "C";
        }
    }

    for (int r = 1; r <= count; ++r) {
        const int n = p.FieldSize[r];
        auto up = [n](int v) { return v + 1 >= n ? 1 : v + 1; };
        auto down = [n](int v) { return v - 1 == 0 ? n : v - 1; };
        const bool minus = p.IndexSign[r] == "-";
        auto forward = [&](int v) { return minus ? up(v) : down(v); };
        auto backward = [&](int v) { return minus ? down(v) : up(v); };
        // A partner that shares a bracket with the horse it comes from moves on once more.
        auto moveOff = [&](int from, auto stepper) {
            const int next = stepper(from);
            return bracket(r, next) == bracket(r, from) ? stepper(next) : next;
        };
        p.CoverPartner[r] = moveOff(p.MarkD[r], forward);
        p.AxisPartners[r][1] = p.MarkE[r];
        p.AxisPartners[r][2] = p.MarkF[r];
        p.AxisPartners[r][3] = moveOff(p.MarkF[r], backward);
        p.AxisPartners[r][4] = moveOff(p.MarkE[r], backward);
        p.AxisPartners[r][5] = p.MarkX[r];
    }

    for (int r = 1; r <= count; ++r) {
        p.AxisBracket[r] = bracket(r, p.AxisHorse[r]);
        p.CoverPartnerBracket[r] = bracket(r, p.CoverPartner[r]);
        for (int k = 1; k <= 5; ++k)
            p.AxisPartnerBrackets[r][k] = bracket(r, p.AxisPartners[r][k]);
        p.CoverBracket[r] = bracket(r, p.CoverHorse[r]);
    }

    for (int r = 1; r <= count; ++r) {
        struct Slot
        {
            int horse, partner, horseBracket, partnerBracket;
        };
        const auto &partners = p.AxisPartners[r];
        const auto &brackets = p.AxisPartnerBrackets[r];
        const int axis = p.AxisHorse[r], axisBracket = p.AxisBracket[r];
        const std::array<Slot, 6> slots = {{
            {axis, partners[1], axisBracket, brackets[1]},
            {axis, partners[2], axisBracket, brackets[2]},
            {axis, partners[3], axisBracket, brackets[3]},
            {axis, partners[4], axisBracket, brackets[4]},
            {p.CoverHorse[r], p.CoverPartner[r], p.CoverBracket[r], p.CoverPartnerBracket[r]},
            {axis, partners[5], axisBracket, brackets[5]},
        }};
        for (int k = 1; k <= 6; ++k) {
            const Slot &slot = slots[static_cast<size_t>(k - 1)];
            int horseLow = std::min(slot.horse, slot.partner);
            const int horseHigh = std::max(slot.horse, slot.partner);
            int bracketLow = std::min(slot.horseBracket, slot.partnerBracket);
            const int bracketHigh = std::max(slot.horseBracket, slot.partnerBracket);
            // A horse paired with itself is no bet: both texts are made void. So is a pair
            // with a number outside the field, which damaged race data can produce: no
            // list, sheet or export may offer a ticket on a horse that does not run.
            const int field = std::min(p.FieldSize[r], kMaxRunners);
            if (slot.horse == slot.partner || horseLow < 1 || horseHigh > field) {
                horseLow = 0;
                bracketLow = 0;
            }
            if (bracketLow < 1 || bracketHigh > kMaxBrackets)
                bracketLow = 0;
            p.QuinellaBets[r][k] = BetText(horseLow, horseHigh);
            p.BracketBets[r][k] = BetText(bracketLow, bracketHigh);
        }
    }
}

void ComputePrediction(const RaceCard &card, Prediction &prediction)
{
    ComputeRaceValues(card, prediction);
    ComputeMarks(prediction, card.RaceCount);
    ComputeBets(card, prediction);
}

std::string BetText(int smaller, int larger)
{
    // Every bet of a race is made here; numbers of at most two digits (all there
    // are) are written without printf, whose cost shows over years of course-days.
    auto fits = [](int n) { return n >= 0 && n <= 99; };
    if (!fits(smaller) || !fits(larger))
        return Format("%2d - %2d", smaller, larger);
    std::string text = "   -   ";
    auto put = [&text](size_t at, int n) {
        if (n >= 10)
            text[at] = static_cast<char>('0' + n / 10);
        text[at + 1] = static_cast<char>('0' + n % 10);
    };
    put(0, smaller);
    put(5, larger);
    return text;
}

bool AddBetToList(std::vector<std::string> &list, const std::string &bet)
{
    if (FieldValue(std::string_view(bet).substr(0, 2)) == 0)
        return false;
    if (std::find(list.begin(), list.end(), bet) != list.end())
        return false;
    list.push_back(bet);
    return true;
}

} // namespace velmora
