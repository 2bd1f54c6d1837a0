#include "core/report/payouts.h"

#include "core/codes/keibafunc.h"
#include "core/text/sjis.h"

#include <algorithm>

namespace velmora {

PayoutEntry ReadPayoutEntry(std::string_view payoutRecord, const hr::PayoutTable &table, int entry)
{
    const std::string_view combination = Field(payoutRecord, hr::EntryCombination(table, entry));
    const int digits = table.combination / 2;
    PayoutEntry read;
    read.combination = {FieldValue(Field(combination, {1, digits})),
                        FieldValue(Field(combination, {1 + digits, digits}))};
    read.blank = TrimBlanks(combination).empty();
    read.yen = FieldValue(Field(payoutRecord, hr::EntryPayout(table, entry)));
    return read;
}

PayoutTableEntries ReadPayoutTable(std::string_view payoutRecord, const hr::PayoutTable &table)
{
    PayoutTableEntries read;
    read.count = std::min(table.entries, static_cast<int>(read.entries.size()));
    for (int entry = 1; entry <= read.count; ++entry)
        read.entries[static_cast<size_t>(entry - 1)] = ReadPayoutEntry(payoutRecord, table, entry);
    return read;
}

bool PayoutTableEntries::anyPaid() const
{
    return std::any_of(entries.begin(), entries.begin() + count, [](const PayoutEntry &entry) { return entry.paid(); });
}

long long PayoutTableEntries::ticketReturn(const Bet &bet) const
{
    long long total = 0;
    if (bet.isVoid())
        return total;
    for (int i = 0; i < count; ++i) {
        const PayoutEntry &entry = entries[static_cast<size_t>(i)];
        if (entry.combination == bet)
            total += entry.yen;
    }
    return total;
}

} // namespace velmora
