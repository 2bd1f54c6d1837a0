#pragma once

#include "core/codes/jvdata.h"
#include "core/engine/prediction.h"

#include <array>
#include <string_view>

namespace velmora {

/**
 * One entry of a payout table of an HR record: its combination read as two
 * numbers (two digits each for horses, one digit each for brackets), whether the
 * combination field is blank, and its payout in yen per 100-yen ticket.
 */
struct PayoutEntry
{
    Bet combination; ///< the two numbers in record order, the smaller first
    bool blank = true;
    int yen = 0;

    /** A paid entry: a combination and a payout above 0. */
    bool paid() const { return !blank && yen > 0; }
};

/** Entry `entry` (1-based) of `table` in the payout record; blanks when the record is short. */
PayoutEntry ReadPayoutEntry(std::string_view payoutRecord, const hr::PayoutTable &table, int entry);

/** Every entry of one payout table of a record, read once. */
struct PayoutTableEntries
{
    std::array<PayoutEntry, 7> entries; ///< entries 1..count at indexes 0..count - 1
    int count = 0;

    /** Whether any entry is paid: the race has been run and settled for the kind. */
    bool anyPaid() const;
    /**
     * The return of one 100-yen ticket on `bet`: the sum of the payouts of the
     * entries whose combination is the bet's two numbers, in the same order. A dead
     * heat that pays several entries of the same combination pays each of them.
     */
    long long ticketReturn(const Bet &bet) const;
};

PayoutTableEntries ReadPayoutTable(std::string_view payoutRecord, const hr::PayoutTable &table);

} // namespace velmora
