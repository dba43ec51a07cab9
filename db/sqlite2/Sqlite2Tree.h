// Internal to the SQLite 2 reader: walking b-trees, overflow chains and the free list, with
// the checks that make a damaged file fail cleanly (page bounds, loops, cell placement, depth).
#pragma once

#include "Sqlite2Format.h"

#include <bitset>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace kelvara::sqlite2::detail {

// Walks one b-tree (and the overflow chains of its cells) and refuses to read any page twice,
// which is what keeps a file with looping links from hanging us.
class TreeWalker {
public:
    struct Cell {
        std::uint16_t offset = 0;
        std::uint32_t leftChild = 0;
        std::uint32_t keySize = 0;
        std::uint32_t dataSize = 0;
    };
    using Visit = std::function<void(std::uint32_t page, const Cell& cell)>;

    // otherRoots is held by reference: roots added to it later are protected from then on.
    TreeWalker(const std::vector<std::uint8_t>& image, ByteOrder order, std::uint32_t pageCount,
               const std::vector<std::uint32_t>& otherRoots);

    // Calls visit(page, cell) for every entry in key order; interior cells are entries too.
    void walk(std::uint32_t root, const Visit& visit);

    // Key followed by data, gathered from the cell and its overflow chain.
    std::string payload(std::uint32_t page, const Cell& cell);

    // Checks a link found on page `from` and marks its target as read.
    void claim(std::uint32_t from, std::uint32_t target, const char* kind);

    // The first page no walk has reached, 0 when every page from 2 on was read.
    std::uint32_t firstUnread() const;

    std::uint32_t u32(std::uint32_t page, std::size_t offset) const;

private:
    struct Frame {
        std::uint32_t page;
        std::size_t depth;
        std::uint32_t rightChild;
        std::vector<Cell> cells;
        std::size_t next = 0;
        bool leftDone = false;
    };

    // Pushes the frame of a tree page, checking that it is wholly leaf or interior and that
    // every leaf of the tree sits at the same depth.
    void enter(std::vector<Frame>& stack, std::size_t& leafDepth, std::uint32_t page,
               std::size_t depth) const;
    void followPayload(std::uint32_t page, const Cell& cell, std::string* out);
    const std::uint8_t* pageData(std::uint32_t page) const;
    std::uint32_t u16(std::uint32_t page, std::size_t offset) const;
    static bool take(std::bitset<PageSize / 4>& used, std::size_t offset, std::size_t size);
    std::vector<Cell> cellsOf(std::uint32_t page) const;
    std::size_t freeBytesOf(std::uint32_t page, std::bitset<PageSize / 4>& used) const;

    const std::vector<std::uint8_t>& m_image;
    bool m_bigEndian;
    std::uint32_t m_pageCount;
    const std::vector<std::uint32_t>& m_otherRoots;
    std::vector<bool> m_visited;
};

// The free list: trunk pages chained from the file header, each listing leaf pages. Every
// page it names is claimed, and the count must match the header's.
void checkFreeList(TreeWalker& walker, std::uint32_t firstTrunk, std::uint32_t count);

}  // namespace kelvara::sqlite2::detail
