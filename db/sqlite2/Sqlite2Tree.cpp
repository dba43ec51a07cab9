#include "Sqlite2Tree.h"

#include <algorithm>

namespace kelvara::sqlite2::detail {

TreeWalker::TreeWalker(const std::vector<std::uint8_t>& image, ByteOrder order,
                       std::uint32_t pageCount, const std::vector<std::uint32_t>& otherRoots)
    : m_image(image), m_bigEndian(order == ByteOrder::BigEndian), m_pageCount(pageCount),
      m_otherRoots(otherRoots), m_visited(std::size_t{pageCount} + 1, false)
{
}

void TreeWalker::enter(std::vector<Frame>& stack, std::size_t& leafDepth, std::uint32_t page,
                       std::size_t depth) const
{
    stack.push_back(Frame{page, depth, u32(page, 0), cellsOf(page)});
    const Frame& frame = stack.back();
    // A page is a leaf or an interior page as a whole; every leaf at the same depth.
    const bool leaf = frame.rightChild == 0;
    for (const Cell& cell : frame.cells)
        if ((cell.leftChild == 0) != leaf)
            corrupt(page, "cell at offset " + std::to_string(cell.offset) +
                              (leaf ? " has a child page on a leaf page"
                                    : " has no child page on an interior page"));
    if (!leaf)
        return;
    if (leafDepth == 0)
        leafDepth = depth;
    else if (leafDepth != depth)
        corrupt(page, "leaf page at depth " + std::to_string(depth) +
                          " of a tree whose other leaves are at depth " + std::to_string(leafDepth));
}

void TreeWalker::walk(std::uint32_t root, const Visit& visit)
{
    // An explicit stack rather than recursion: a hostile file could nest trees deeply.
    std::vector<Frame> stack;
    std::size_t leafDepth = 0;
    if (root < 2 || root > m_pageCount || m_visited[root])
        corrupt(root, "root page is outside the file or already belongs to another tree");
    m_visited[root] = true;
    enter(stack, leafDepth, root, 1);
    while (!stack.empty()) {
        Frame& frame = stack.back();
        if (frame.next < frame.cells.size()) {
            const Cell& cell = frame.cells[frame.next];
            if (cell.leftChild != 0 && !frame.leftDone) {
                frame.leftDone = true;
                const std::uint32_t from = frame.page;
                const std::uint32_t child = cell.leftChild;
                const std::size_t depth = frame.depth + 1;
                claim(from, child, "child");
                enter(stack, leafDepth, child, depth);  // invalidates frame
                continue;
            }
            visit(frame.page, cell);
            ++frame.next;
            frame.leftDone = false;
            continue;
        }
        const std::uint32_t from = frame.page;
        const std::uint32_t right = frame.rightChild;
        const std::size_t depth = frame.depth + 1;
        stack.pop_back();
        if (right != 0) {
            claim(from, right, "right child");
            enter(stack, leafDepth, right, depth);
        }
    }
}

std::string TreeWalker::payload(std::uint32_t page, const Cell& cell)
{
    std::string out;
    followPayload(page, cell, &out);
    return out;
}

void TreeWalker::claim(std::uint32_t from, std::uint32_t target, const char* kind)
{
    const std::string link = std::string(kind) + " link to page " + std::to_string(target);
    if (target == 1)
        corrupt(from, link + " leads to the file header");
    if (target < 2 || target > m_pageCount)
        corrupt(from, link + " is outside the file (" + std::to_string(m_pageCount) +
                          " pages; truncated copy?)");
    if (m_visited[target])
        corrupt(from, link + " leads to a page already read (a loop, or a page two trees share)");
    if (std::binary_search(m_otherRoots.begin(), m_otherRoots.end(), target))
        corrupt(from, link + " leads into the root of another table or index");
    m_visited[target] = true;
}

std::uint32_t TreeWalker::firstUnread() const
{
    for (std::uint32_t page = 2; page <= m_pageCount; ++page)
        if (!m_visited[page])
            return page;
    return 0;
}

std::uint32_t TreeWalker::u32(std::uint32_t page, std::size_t offset) const
{
    const std::uint8_t* p = pageData(page) + offset;
    if (m_bigEndian)
        return (std::uint32_t{p[0]} << 24) | (std::uint32_t{p[1]} << 16) |
               (std::uint32_t{p[2]} << 8) | p[3];
    return (std::uint32_t{p[3]} << 24) | (std::uint32_t{p[2]} << 16) |
           (std::uint32_t{p[1]} << 8) | p[0];
}

void TreeWalker::followPayload(std::uint32_t page, const Cell& cell, std::string* out)
{
    const std::size_t total = std::size_t{cell.keySize} + cell.dataSize;
    const std::uint8_t* local = pageData(page) + cell.offset + CellHeaderSize;
    if (total <= MaxLocalPayload) {
        if (out)
            out->assign(local, local + total);
        return;
    }

    std::size_t remaining = total - MaxLocalPayload;
    // Refuse sizes no chain in this file could supply before allocating for them.
    if (remaining > std::size_t{m_pageCount} * OverflowPageData)
        corrupt(page, "cell at offset " + std::to_string(cell.offset) + " claims " +
                          std::to_string(total) + " bytes of payload, more than the file holds");
    if (out) {
        out->reserve(total);
        out->assign(local, local + MaxLocalPayload);
    }
    std::uint32_t from = page;
    std::uint32_t next = u32(page, cell.offset + OverflowSlot);
    while (remaining > 0) {
        if (next == 0)
            corrupt(from, "overflow chain of the cell at page " + std::to_string(page) +
                              " offset " + std::to_string(cell.offset) + " ends " +
                              std::to_string(remaining) + " bytes short");
        claim(from, next, "overflow");
        const std::size_t chunk = std::min(remaining, OverflowPageData);
        const std::uint8_t* data = pageData(next);
        if (out)
            out->append(data + 4, data + 4 + chunk);
        remaining -= chunk;
        from = next;
        next = u32(next, 0);
    }
    if (next != 0)
        corrupt(from, "overflow chain of the cell at page " + std::to_string(page) + " offset " +
                          std::to_string(cell.offset) + " goes on to page " +
                          std::to_string(next) + " after its payload is complete");
}

const std::uint8_t* TreeWalker::pageData(std::uint32_t page) const
{
    return m_image.data() + std::size_t{page - 1} * PageSize;
}

std::uint32_t TreeWalker::u16(std::uint32_t page, std::size_t offset) const
{
    const std::uint8_t* p = pageData(page) + offset;
    return m_bigEndian ? (std::uint32_t{p[0]} << 8) | p[1] : (std::uint32_t{p[1]} << 8) | p[0];
}

// Marks [offset, offset + size) as taken on the page, in 4-byte units.
bool TreeWalker::take(std::bitset<PageSize / 4>& used, std::size_t offset, std::size_t size)
{
    for (std::size_t unit = offset / 4; unit < (offset + size) / 4; ++unit) {
        if (used.test(unit))
            return false;
        used.set(unit);
    }
    return true;
}

// The cells of a b-tree page in key order, with their placement checked: cells and
// free blocks together fill the page exactly, none overlapping another.
std::vector<TreeWalker::Cell> TreeWalker::cellsOf(std::uint32_t page) const
{
    std::vector<Cell> cells;
    std::bitset<PageSize / 4> used;  // 4-byte units; cells are aligned and padded to 4
    used.set(0);
    used.set(1);
    std::size_t cellBytes = 0;
    std::uint32_t offset = u16(page, 4);
    while (offset != 0) {
        const std::string where = "cell offset " + std::to_string(offset);
        if (offset < PageHeaderSize || offset > MaxCellOffset || offset % 4 != 0)
            corrupt(page, where + " is out of range");
        Cell cell;
        cell.offset = static_cast<std::uint16_t>(offset);
        cell.leftChild = u32(page, offset);
        const std::uint8_t* p = pageData(page) + offset;
        cell.keySize = u16(page, offset + 4) | (std::uint32_t{p[8]} << 16);
        cell.dataSize = u16(page, offset + 10) | (std::uint32_t{p[9]} << 16);
        const std::size_t payload = std::size_t{cell.keySize} + cell.dataSize;
        const std::size_t size = payload <= MaxLocalPayload
                                     ? CellHeaderSize + (payload + 3) / 4 * 4
                                     : OverflowCellSize;
        if (offset + size > PageSize)
            corrupt(page, where + ": cell of " + std::to_string(size) +
                              " bytes runs past the end of the page");
        if (!take(used, offset, size))
            corrupt(page, where + " overlaps another cell (the cell list loops?)");
        cellBytes += size;
        cells.push_back(cell);
        offset = u16(page, offset + 6);
    }

    const std::size_t freeBytes = freeBytesOf(page, used);
    if (cellBytes + freeBytes != UsablePageBytes)
        corrupt(page, "cells (" + std::to_string(cellBytes) + " bytes) and free blocks (" +
                          std::to_string(freeBytes) + " bytes) do not fill the page's " +
                          std::to_string(UsablePageBytes) + " bytes" +
                          (cells.empty() && freeBytes == 0 ? " (an all-zero page?)" : ""));
    return cells;
}

// The free blocks of a b-tree page, ascending and clear of the cells already marked in used.
std::size_t TreeWalker::freeBytesOf(std::uint32_t page, std::bitset<PageSize / 4>& used) const
{
    std::size_t freeBytes = 0;
    std::size_t previous = 0;
    for (std::size_t block = u16(page, 6); block != 0; block = u16(page, block + 2)) {
        const std::string where = "free block at offset " + std::to_string(block);
        if (block < PageHeaderSize || block > PageSize - 4 || block % 4 != 0 || block <= previous)
            corrupt(page, where + " is out of range or out of order");
        const std::size_t size = u16(page, block);
        if (size < 4 || size % 4 != 0 || block + size > PageSize)
            corrupt(page, where + " has an impossible size of " + std::to_string(size));
        if (!take(used, block, size))
            corrupt(page, where + " overlaps a cell or another free block");
        freeBytes += size;
        previous = block;
    }
    return freeBytes;
}

void checkFreeList(TreeWalker& walker, std::uint32_t firstTrunk, std::uint32_t count)
{
    std::uint32_t found = 0;
    std::uint32_t from = 1;
    for (std::uint32_t trunk = firstTrunk; trunk != 0; trunk = walker.u32(trunk, 0)) {
        walker.claim(from, trunk, "free-list trunk");
        ++found;
        const std::uint32_t leaves = walker.u32(trunk, 4);
        if (leaves > MaxFreeLeavesPerTrunk)
            corrupt(trunk, "free-list trunk lists " + std::to_string(leaves) +
                               " pages; a trunk holds at most " +
                               std::to_string(MaxFreeLeavesPerTrunk));
        for (std::uint32_t i = 0; i < leaves; ++i) {
            walker.claim(trunk, walker.u32(trunk, 8 + 4 * std::size_t{i}), "free page");
            ++found;
        }
        from = trunk;
    }
    if (found != count)
        corrupt(1, "the file header counts " + std::to_string(count) +
                       " free pages but the free list holds " + std::to_string(found));
}

}  // namespace kelvara::sqlite2::detail
