#include "core/codes/recordheader.h"

#include "core/codes/jvdata.h"
#include "core/codes/keibafunc.h"

#include <algorithm>

namespace velmora {

QDate DateOfDigits(std::string_view digits)
{
    if (digits.size() != 8 || !std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; }))
        return {};
    return QDate(FieldValue(digits.substr(0, 4)), FieldValue(digits.substr(4, 2)), FieldValue(digits.substr(6, 2)));
}

RecordHeader ReadRecordHeader(std::string_view record)
{
    RecordHeader header;
    header.type = Field(record, common::RecordType);
    header.dataKind = Field(record, common::DataKind);
    const std::string_view created = Field(record, common::Created);
    // Blanks and the zeros of a keyed update are no date.
    header.createdDate = DateOfDigits(created).isValid() ? FieldValue(created) : 0;
    header.meetingDate = Field(record, common::MeetingDate);
    header.course = Field(record, common::Course);
    header.raceKey = Field(record, common::RaceKey);
    header.raceNumber = FieldValue(Field(record, common::RaceNumber));
    header.horseNumber = FieldValue(Field(record, se::HorseNumber));
    return header;
}

int RecordHeader::meetingDateNumber() const
{
    return FieldValue(meetingDate);
}

} // namespace velmora
