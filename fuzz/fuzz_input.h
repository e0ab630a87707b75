#pragma once
// Takes a fuzz input apart from the front. Reading past its end gives zeros and empty views, so
// every input, however short, describes some case.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string_view>

class FuzzInput {
public:
    FuzzInput(const uint8_t* data, size_t size) : m_data(data), m_size(size) {}

    uint8_t Byte() { return m_pos < m_size ? m_data[m_pos++] : 0; }

    // The next `length` bytes, or as many as are left.
    std::string_view Bytes(size_t length) {
        const size_t n = std::min(length, m_size - m_pos);
        std::string_view bytes(reinterpret_cast<const char*>(m_data) + m_pos, n);
        m_pos += n;
        return bytes;
    }

    std::string_view Rest() { return Bytes(m_size - m_pos); }
    bool Empty() const { return m_pos == m_size; }

private:
    const uint8_t* m_data;
    size_t m_size;
    size_t m_pos = 0;
};
