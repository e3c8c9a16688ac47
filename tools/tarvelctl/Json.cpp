#include "Json.h"

#include "platform/Text.h"

#include <cstdio>

void JsonWriter::Separate() {
    if (m_afterKey) {
        m_afterKey = false;
        return;
    }
    if (!m_first.empty()) {
        if (!m_first.back())
            m_out += ", ";
        m_first.back() = false;
    }
}

JsonWriter& JsonWriter::BeginObject() {
    Separate();
    m_out += '{';
    m_first.push_back(true);
    return *this;
}

JsonWriter& JsonWriter::EndObject() {
    m_out += '}';
    m_first.pop_back();
    return *this;
}

JsonWriter& JsonWriter::BeginArray() {
    Separate();
    m_out += '[';
    m_first.push_back(true);
    return *this;
}

JsonWriter& JsonWriter::EndArray() {
    m_out += ']';
    m_first.pop_back();
    return *this;
}

JsonWriter& JsonWriter::Key(std::string_view key) {
    String(key);
    m_out += ": ";
    m_afterKey = true;
    return *this;
}

JsonWriter& JsonWriter::String(std::string_view utf8) {
    Separate();
    m_out += '"';
    for (unsigned char c : utf8) {
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
            if (c < 0x20) {
                char buf[8];
                std::snprintf(buf, sizeof buf, "\\u%04x", c);
                m_out += buf;
            } else {
                m_out += char(c);
            }
        }
    }
    m_out += '"';
    return *this;
}

JsonWriter& JsonWriter::String(std::u16string_view text) {
    return String(text::ToUtf8(text));
}

JsonWriter& JsonWriter::Number(int64_t value) {
    Separate();
    m_out += std::to_string(value);
    return *this;
}

JsonWriter& JsonWriter::Bool(bool value) {
    Separate();
    m_out += value ? "true" : "false";
    return *this;
}
