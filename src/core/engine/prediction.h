#pragma once

#include "core/store/racecard.h"

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace velmora {

/**
 * The prediction of a course-day, indexed by race slot 1..12 (bets and partners
 * by slot 1..6 and 1..5; index 0 unused). Real values are stored as 32-bit
 * floats; every computation loads them, works in 80-bit extended precision
 * (long double on x86-64) and rounds only when it stores. Texts are CP932.
 * Only races 1..RaceCount are computed; other elements keep earlier values.
 */
struct Prediction
{
    template <typename T> using PerRace = std::array<T, kMaxRaces + 1>;

    PerRace<float> RaceScore{};
    PerRace<float> RaceIndex{};
    PerRace<std::int32_t> FieldSize{};
    PerRace<float> XValue{};
    PerRace<std::string> IndexSign;

    PerRace<std::int32_t> MarkX{}, MarkY{}, MarkA{}, MarkB{}, MarkC{}, MarkD{}, MarkE{}, MarkF{};

    PerRace<std::string> ConfidenceGrade;
    PerRace<std::int32_t> AxisHorse{}, CoverHorse{}, CoverPartner{};
    PerRace<std::array<std::int32_t, 6>> AxisPartners{};
    PerRace<std::int32_t> AxisBracket{}, CoverBracket{}, CoverPartnerBracket{};
    PerRace<std::array<std::int32_t, 6>> AxisPartnerBrackets{};
    PerRace<std::array<std::string, 7>> QuinellaBets;
    PerRace<std::array<std::string, 7>> BracketBets;
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

/** The bet text of a pair: the smaller number in "%2d", " - ", the larger in "%2d". */
std::string BetText(int smaller, int larger);

/**
 * Appends `bet` when its first two characters read as a nonzero number and the
 * list holds no equal text; returns whether it was appended.
 */
bool AddBetToList(std::vector<std::string> &list, const std::string &bet);

} // namespace velmora
