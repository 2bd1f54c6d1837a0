#pragma once

#include "core/store/racecard.h"

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace velmora {

/**
 * N values numbered 1..N, as the rules number races, partners and bet slots.
 * A number outside 1..N is out of bounds: operator[] does not check it, at() throws.
 */
template <typename T, int N> struct Slots
{
    std::array<T, N> values{};

    T &operator[](int number) { return values[static_cast<size_t>(number - 1)]; }
    const T &operator[](int number) const { return values[static_cast<size_t>(number - 1)]; }
    T &at(int number) { return values.at(static_cast<size_t>(number - 1)); }
    const T &at(int number) const { return values.at(static_cast<size_t>(number - 1)); }
    static constexpr int size() { return N; }
    auto begin() { return values.begin(); }
    auto end() { return values.end(); }
    auto begin() const { return values.begin(); }
    auto end() const { return values.end(); }

    bool operator==(const Slots &) const = default;
};

/** Whether a race's index is at least 1 ("+") or below 1 ("-"). */
enum class IndexSign
{
    Plus,
    Minus,
};

/** The confidence grade (勝負度): A is the most confident. None: a race not computed. */
enum class Grade
{
    A,
    B,
    C,
    None,
};

/**
 * A quinella or bracket-quinella bet: the smaller horse or bracket number, then the
 * larger. A smaller number below 1 makes the bet void: it stands for no ticket, and
 * no list shows it.
 */
struct Bet
{
    int low = 0;
    int high = 0;

    bool isVoid() const { return low < 1; }
    bool operator==(const Bet &) const = default;
};

/** The eight mark horses of a race; 0 names no horse. */
struct Marks
{
    std::int32_t x = 0, y = 0, a = 0, b = 0, c = 0, d = 0, e = 0, f = 0;

    bool operator==(const Marks &) const = default;
};

/**
 * The prediction of one race. Real values are stored as 32-bit floats; every
 * computation loads them, works in 80-bit extended precision (long double on
 * x86-64) and rounds only when it stores.
 */
struct RacePrediction
{
    float score = 0; ///< distance x registered runners / 200
    float index = 0; ///< score / the reference race's score
    std::int32_t fieldSize = 0;
    float xValue = 0; ///< a whole number
    IndexSign sign = IndexSign::Plus;
    Marks marks;

    Grade grade = Grade::None;
    std::int32_t axisHorse = 0;
    std::int32_t coverHorse = 0;
    std::int32_t coverPartner = 0;
    Slots<std::int32_t, 5> axisPartners;
    std::int32_t axisBracket = 0;
    std::int32_t coverBracket = 0;
    std::int32_t coverPartnerBracket = 0;
    Slots<std::int32_t, 5> axisPartnerBrackets;
    Slots<Bet, 6> quinellaBets;
    Slots<Bet, 6> bracketBets;

    bool operator==(const RacePrediction &) const = default;
};

/**
 * The prediction of a course-day, race by race (races[1] .. races[12]). Only races
 * 1..RaceCount are computed; the others keep the values of an earlier computation.
 */
struct Prediction
{
    Slots<RacePrediction, kMaxRaces> races;
};

/**
 * Score, index, field size, index sign and whole X value of races 1..RaceCount.
 * The card must have at least two races, each with a nonzero distance and
 * registered runner count (LoadCourseDay refuses a course-day otherwise).
 */
void ComputeRaceValues(const RaceCard &card, Prediction &prediction);

/** Marks X, Y and A to F of races 1..raceCount, from the values of ComputeRaceValues. */
void ComputeMarks(Prediction &prediction, int raceCount);

/** Axis, cover, grade, partners, their brackets and the six bets of races 1..RaceCount. */
void ComputeBets(const RaceCard &card, Prediction &prediction);

/** The three stages in order, for a card that LoadCourseDay found computable. */
void ComputePrediction(const RaceCard &card, Prediction &prediction);

/** "+" or "-". */
const std::string &IndexSignText(IndexSign sign);

/** "A", "B" or "C" (the same bytes in CP932); the empty text for None. */
const std::string &GradeText(Grade grade);

/** A bet as lists show it: the smaller number in "%2d", " - ", the larger in "%2d" (" 4 -  9"). */
std::string BetText(const Bet &bet);

/**
 * Appends `bet` (its text, to a list of texts) unless it is void or the list already
 * holds it; returns whether it was appended.
 */
bool AddBetToList(std::vector<Bet> &list, const Bet &bet);
bool AddBetToList(std::vector<std::string> &list, const Bet &bet);

} // namespace velmora
