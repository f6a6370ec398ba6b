// Editing a genuine Jet file in place the way the suite edits a row's text:
// one letter of a text value changes, the page keeps its size and layout.
// Shared by the cache tests and the benchmarks (header only: the benchmarks
// do not link the test support).
#pragma once

#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>

namespace corvex::test {

// Changes one lower-case letter of a text value in the first row of a data
// page: the last data page that has such a letter and that `wanted` accepts
// (a page of a user table: the system tables' pages are data pages too), or
// the one `skip` such pages before it. Text is UCS-2 in Jet4 (a letter, then
// a zero byte) or single bytes. Returns the page number, or -1 when no page
// qualifies.
inline long changeOneLetter(const std::filesystem::path& file,
                            const std::function<bool(long)>& wanted, int skip = 0) {
    std::string bytes;
    {
        std::ifstream in(file, std::ios::binary);
        bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    if (bytes.size() < 0x15) return -1;
    const std::size_t pageSize = bytes[0x14] == 0 ? 2048 : 4096;
    const std::size_t rowCount = pageSize == 2048 ? 0x08 : 0x0c;
    auto u16 = [&](std::size_t at) {
        return static_cast<unsigned>(static_cast<unsigned char>(bytes[at])) |
               static_cast<unsigned>(static_cast<unsigned char>(bytes[at + 1])) << 8;
    };
    auto letter = [](char c) { return c >= 'a' && c <= 'z'; };
    for (std::size_t page = bytes.size() / pageSize; page-- > 1;) {
        const std::size_t base = page * pageSize;
        if (!wanted(static_cast<long>(page)) || bytes[base] != 1 ||
            std::memcmp(bytes.data() + base + 4, "LVAL", 4) == 0)
            continue;
        if (u16(base + rowCount) == 0) continue;
        const unsigned offset = u16(base + rowCount + 2);
        if ((offset & 0xe000) != 0) continue;  // deleted, moved or a pointer
        std::size_t at = 0;
        for (std::size_t i = base + (offset & 0x1fff); i + 5 < base + pageSize && !at; ++i) {
            if (letter(bytes[i]) && letter(bytes[i + 1]) && letter(bytes[i + 2])) at = i + 1;
            if (letter(bytes[i]) && bytes[i + 1] == 0 && letter(bytes[i + 2]) &&
                bytes[i + 3] == 0 && letter(bytes[i + 4]))
                at = i + 2;
        }
        if (!at || skip-- > 0) continue;
        const char now = bytes[at] == 'x' ? 'y' : 'x';
        std::fstream out(file, std::ios::binary | std::ios::in | std::ios::out);
        out.seekp(static_cast<std::streamoff>(at));
        out.put(now);
        return out ? static_cast<long>(page) : -1;
    }
    return -1;
}

}  // namespace corvex::test
