#include "jvsource/sourcereader.h"

#include <algorithm>
#include <cstdlib>
#include <thread>

namespace velmora::jvsource {
namespace {

constexpr std::string_view kRace = "RACE";
constexpr std::string_view kResults = "0B12";

bool IsDigits(std::string_view text, std::size_t count)
{
    return text.size() == count && std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

int Number(std::string_view digits)
{
    int value = 0;
    for (const char c : digits)
        value = value * 10 + (c - '0');
    return value;
}

/** Days since 1970-01-01 of a real date yyyymmdd (years 1 to 9999); false for anything else. */
bool DayNumber(std::string_view date, long &days)
{
    if (!IsDigits(date, 8))
        return false;
    int y = Number(date.substr(0, 4));
    const int m = Number(date.substr(4, 2));
    const int d = Number(date.substr(6, 2));
    static constexpr int kLengths[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const bool leap = (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
    if (y < 1 || m < 1 || m > 12 || d < 1 || d > kLengths[m - 1] + (m == 2 && leap ? 1 : 0))
        return false;
    // Days from civil (proleptic Gregorian calendar, eras of 400 years).
    y -= m <= 2;
    const long era = y / 400;
    const long yearOfEra = y - era * 400;
    const long dayOfYear = (153L * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const long dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    days = era * 146097 + dayOfEra - 719468;
    return true;
}

/** What the name of a file says of it: "<dataspec>_<yyyymmdd>_<yyyymmddhhnnss>[_<anything>].jvd". */
struct OwnName
{
    std::string_view dataspec;
    std::string_view meeting;
    std::string_view stamp;
};

bool ParseOwnName(std::string_view name, OwnName &own)
{
    constexpr std::size_t kLength = 32; // "RACE_yyyymmdd_yyyymmddhhnnss.jvd"
    if (name.size() < kLength || (!name.starts_with(kRace) && !name.starts_with(kResults)) || name[4] != '_' ||
        !IsDigits(name.substr(5, 8), 8) || name[13] != '_' || !IsDigits(name.substr(14, 14), 14) ||
        !name.ends_with(".jvd") || (name.size() != kLength && name[28] != '_'))
        return false;
    own = {name.substr(0, 4), name.substr(5, 8), name.substr(14, 14)};
    return true;
}

} // namespace

bool IsWithinAWeek(std::string_view meeting, std::string_view today)
{
    long a = 0, b = 0;
    return DayNumber(meeting, a) && DayNumber(today, b) && std::labs(a - b) <= 6;
}

bool IsValidStamp(std::string_view stamp)
{
    long days = 0;
    return IsDigits(stamp, 14) && DayNumber(stamp.substr(0, 8), days) && Number(stamp.substr(8, 2)) < 24 &&
           Number(stamp.substr(10, 2)) < 60 && Number(stamp.substr(12, 2)) < 60;
}

std::string ServedFile::cacheName() const
{
    return stamp + '_' + std::to_string(size) + '_' + name;
}

int SourceReader::init(std::string_view sid)
{
    if (sid.empty())
        return code::SidMissing;
    if (sid.size() >= 64)
        return code::SidTooLong;
    if (sid.front() == ' ')
        return code::SidLeadingBlank;
    m_initialised = true;
    return code::Ok;
}

bool SourceReader::hasMeetingWithin(const std::string &path, std::string_view today)
{
    std::string bytes;
    if (!m_access.readFile(path, bytes))
        return false;
    const std::string_view all(bytes);
    for (std::size_t start = 0; start < all.size();) {
        std::size_t end = all.find("\r\n", start);
        if (end == std::string_view::npos)
            end = all.size();
        // The meeting date stands at positions 12-19 of every record.
        if (end - start >= 19 && IsWithinAWeek(all.substr(start + 11, 8), today))
            return true;
        start = end + 2;
    }
    return false;
}

std::vector<ServedFile> SourceReader::scan(std::string_view dataspec, std::string_view meeting)
{
    std::vector<ServedFile> files;
    for (ListedFile &listed : m_access.listFiles()) {
        if (listed.size > kMaxSourceFileSize)
            continue;
        ServedFile file;
        static_cast<ListedFile &>(file) = std::move(listed);
        std::string_view fileSpec = kRace;
        std::string_view fileMeeting;
        OwnName own;
        if (ParseOwnName(file.name, own)) {
            fileSpec = own.dataspec;
            fileMeeting = own.meeting;
            if (IsValidStamp(own.stamp))
                file.stamp = own.stamp;
        }
        if (file.stamp.empty())
            file.stamp = file.modified;
        if (fileSpec != dataspec)
            continue;
        if (!meeting.empty()) {
            // Option 2 (RACE) and real-time data (0B12) ask for meetings of certain days.
            long days = 0;
            const bool wanted = fileSpec == kResults           ? fileMeeting == meeting
                                : DayNumber(fileMeeting, days) ? IsWithinAWeek(fileMeeting, meeting)
                                                               : hasMeetingWithin(file.path, meeting);
            if (!wanted)
                continue;
        }
        files.push_back(std::move(file));
    }
    std::stable_sort(files.begin(), files.end(),
                     [](const ServedFile &a, const ServedFile &b) { return a.stamp < b.stamp; });
    return files;
}

void SourceReader::start(State state, std::vector<ServedFile> files)
{
    m_files = std::move(files);
    m_fileIndex = 0;
    m_fileLoaded = false;
    m_fileBytes.clear();
    m_downloaded = 0;
    m_downloadFailed = false;
    m_state = state;
}

int SourceReader::open(std::string_view dataspec, std::string_view fromTime, int option, std::string_view today,
                       OpenCounts &counts)
{
    counts = {};
    if (!m_initialised)
        return code::NotInitialised;
    if (m_state != State::Closed)
        return code::StillOpen;
    if (dataspec != kRace)
        return code::BadDataspec;
    if (!IsValidStamp(fromTime))
        return code::BadFromTime;
    if (option == 3 || option == 4)
        return code::BadOptionForDataspec;
    if (option != 1 && option != 2)
        return code::BadOption;
    if (const int checked = m_access.checkSource(); checked != code::Ok)
        return checked;
    std::vector<ServedFile> files = scan(kRace, option == 2 ? today : std::string_view());
    // Stamps of 14 digits compare as the times they are.
    std::erase_if(files, [&](const ServedFile &file) { return file.stamp <= fromTime; });
    if (files.empty())
        return code::NoData;

    for (ServedFile &file : files) {
        file.cachedAtOpen = m_access.isCached(file);
        if (!file.cachedAtOpen)
            file.downloadRank = static_cast<std::size_t>(counts.downloadCount++);
    }
    counts.readCount = static_cast<int>(files.size());
    counts.lastFileTimestamp = files.back().stamp;
    start(State::Open, std::move(files));
    return code::Ok;
}

int SourceReader::openRealTime(std::string_view dataspec, std::string_view key)
{
    if (!m_initialised)
        return code::NotInitialised;
    if (m_state != State::Closed)
        return code::StillOpen;
    if (dataspec != kResults)
        return code::BadDataspec;
    long days = 0;
    if (!DayNumber(key, days))
        return code::BadKey;
    if (const int checked = m_access.checkSource(); checked != code::Ok)
        return checked;
    std::vector<ServedFile> files = scan(kResults, key);
    if (files.empty())
        return code::NoData;
    start(State::RealTime, std::move(files));
    return code::Ok;
}

void SourceReader::download(std::chrono::milliseconds delay, const std::atomic<bool> &stop)
{
    if (!m_access.prepareCache()) {
        m_downloadFailed = true;
        return;
    }
    constexpr std::chrono::milliseconds kSlice(5);
    for (const ServedFile &file : m_files) {
        if (file.cachedAtOpen)
            continue;
        // The time a download takes, in slices so that a cancel is heard at once.
        for (auto waited = std::chrono::milliseconds(0); waited < delay; waited += kSlice) {
            if (stop)
                return;
            std::this_thread::sleep_for(std::min(kSlice, delay - waited));
        }
        if (stop)
            return;
        if (!m_access.copyIntoCache(file)) {
            m_downloadFailed = true;
            return;
        }
        ++m_downloaded;
    }
}

int SourceReader::status() const
{
    if (!m_initialised)
        return code::NotInitialised;
    if (m_state != State::Open)
        return code::NotOpen;
    if (m_downloadFailed)
        return code::DownloadFailed;
    return m_downloaded;
}

bool SourceReader::isCached(const ServedFile &file) const
{
    // The download copies the missing files in serving order, one after another.
    return file.cachedAtOpen || static_cast<int>(file.downloadRank) < m_downloaded;
}

const ServedFile *SourceReader::fileToLoad(std::size_t *place) const
{
    if (m_state == State::Closed || m_fileIndex >= m_files.size() || m_fileLoaded ||
        (m_state == State::Open && !isCached(m_files[m_fileIndex])))
        return nullptr;
    if (place)
        *place = m_fileIndex;
    return &m_files[m_fileIndex];
}

int SourceReader::read(std::string &record, const ServedFile *&file)
{
    if (!m_initialised)
        return code::NotInitialised;
    if (m_state == State::Closed)
        return code::NotOpen;
    if (m_fileIndex >= m_files.size())
        return 0;
    const ServedFile &current = m_files[m_fileIndex];
    if (!m_fileLoaded) {
        // After a failed download the file never arrives; "still downloading" would
        // keep the caller asking for ever.
        if (m_state == State::Open && !isCached(current))
            return m_downloadFailed ? code::DownloadFailed : code::Downloading;
        const bool loaded = m_state == State::RealTime ? m_access.readFile(current.path, m_fileBytes)
                                                       : m_access.readCached(current, m_fileBytes);
        if (!loaded)
            return code::BadFileContent;
        m_recordOffset = 0;
        m_fileLoaded = true;
    }
    file = &current;
    if (m_recordOffset >= m_fileBytes.size()) {
        // The end of a file: the caller learns of the switch before the next one starts.
        ++m_fileIndex;
        m_fileLoaded = false;
        m_fileBytes.clear();
        return code::NoData;
    }
    std::size_t end = m_fileBytes.find("\r\n", m_recordOffset);
    end = end == std::string::npos ? m_fileBytes.size() : end + 2;
    record.assign(m_fileBytes, m_recordOffset, end - m_recordOffset);
    m_recordOffset = end;
    return static_cast<int>(record.size());
}

const ServedFile *SourceReader::findFile(std::string_view name) const
{
    const auto found =
        std::find_if(m_files.begin(), m_files.end(), [&](const ServedFile &file) { return file.name == name; });
    return found == m_files.end() ? nullptr : &*found;
}

void SourceReader::skipFile()
{
    if (m_state != State::Closed && m_fileIndex < m_files.size() && m_fileLoaded)
        m_recordOffset = m_fileBytes.size();
}

void SourceReader::close()
{
    m_state = State::Closed;
    m_files.clear();
    m_fileBytes.clear();
    m_fileLoaded = false;
    m_fileIndex = 0;
}

} // namespace velmora::jvsource
