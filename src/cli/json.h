#pragma once

#include <charconv>
#include <cstdio>
#include <string>
#include <string_view>

namespace velmora::cli {

/** A minimal JSON writer for the tool's fixed output formats (UTF-8). */
class JsonWriter
{
  public:
    JsonWriter &beginObject() { return open('{'); }
    JsonWriter &endObject() { return close('}'); }
    JsonWriter &beginArray() { return open('['); }
    JsonWriter &endArray() { return close(']'); }

    JsonWriter &key(std::string_view name)
    {
        separate();
        quoted(name);
        m_out += ':';
        m_afterKey = true;
        return *this;
    }
    JsonWriter &value(std::string_view text)
    {
        separate();
        quoted(text);
        return *this;
    }
    JsonWriter &value(const char *text) { return value(std::string_view(text)); }
    JsonWriter &value(const std::string &text) { return value(std::string_view(text)); }
    JsonWriter &value(bool flag)
    {
        separate();
        m_out += flag ? "true" : "false";
        return *this;
    }
    JsonWriter &value(int number) { return value(static_cast<long long>(number)); }
    JsonWriter &value(long long number)
    {
        separate();
        m_out += std::to_string(number);
        return *this;
    }
    JsonWriter &null()
    {
        separate();
        m_out += "null";
        return *this;
    }
    /** The shortest decimal that reads back as the same 32-bit float. */
    JsonWriter &value(float number)
    {
        separate();
        char buffer[32];
        const auto result = std::to_chars(buffer, buffer + sizeof buffer, number);
        m_out.append(buffer, result.ptr);
        return *this;
    }

    const std::string &str() const { return m_out; }

  private:
    JsonWriter &open(char bracket)
    {
        separate();
        m_out += bracket;
        m_first = true;
        return *this;
    }
    JsonWriter &close(char bracket)
    {
        m_out += bracket;
        m_first = false;
        return *this;
    }
    void separate()
    {
        if (m_afterKey)
            m_afterKey = false;
        else if (!m_first && !m_out.empty())
            m_out += ',';
        m_first = false;
    }
    void quoted(std::string_view text)
    {
        m_out += '"';
        for (const char c : text) {
            switch (c) {
            case '"':
                m_out += "\\\"";
                break;
            case '\\':
                m_out += "\\\\";
                break;
            case '\n':
                m_out += "\\n";
                break;
            case '\r':
                m_out += "\\r";
                break;
            case '\t':
                m_out += "\\t";
                break;
            default:
                if (static_cast<unsigned char>(c) < 0x20) {
                    char escape[8];
                    std::snprintf(escape, sizeof escape, "\\u%04x", static_cast<unsigned>(c));
                    m_out += escape;
                } else {
                    m_out += c;
                }
            }
        }
        m_out += '"';
    }

    std::string m_out;
    bool m_first = true;
    bool m_afterKey = false;
};

} // namespace velmora::cli
