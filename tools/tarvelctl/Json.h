#pragma once
// A minimal JSON writer for tarvelctl's output: one compact document.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

class JsonWriter {
public:
    JsonWriter& BeginObject();
    JsonWriter& EndObject();
    JsonWriter& BeginArray();
    JsonWriter& EndArray();
    JsonWriter& Key(std::string_view key);
    JsonWriter& String(std::string_view utf8);
    JsonWriter& String(std::u16string_view text);
    JsonWriter& Number(int64_t value);
    JsonWriter& Bool(bool value);

    template <typename T> JsonWriter& NumberArray(const T* values, size_t count) {
        BeginArray();
        for (size_t i = 0; i < count; ++i)
            Number(int64_t(values[i]));
        return EndArray();
    }

    const std::string& Str() const { return m_out; }

private:
    void Separate();
    std::string m_out;
    std::vector<bool> m_first; // per open container: nothing written yet
    bool m_afterKey = false;
};
