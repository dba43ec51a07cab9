// An index must agree with its table: one entry per row, keys ascending, each key field
// ('a' NULL, 'b' a number, 'c' text, each ending in NUL) agreeing with the row. Automatic
// indexes have no CREATE text: only their row keys count.
#include "Sqlite2Records.h"

#include <algorithm>
#include <utility>

namespace kelvara::sqlite2::detail {

namespace {

using KeyField = std::pair<char, std::string_view>;

std::string shownField(std::optional<std::string_view> value)
{
    if (!value)
        return "NULL";
    return "'" + std::string(value->substr(0, 40)) + (value->size() > 40 ? "'..." : "'");
}

// The key fields in front of the 4-byte rowid that ends every index key.
std::vector<KeyField> keyFields(std::uint32_t page, const std::string& where, const std::string& key)
{
    std::vector<KeyField> fields;
    const std::size_t end = key.size() - TableKeySize;
    for (std::size_t p = 0; p < end;) {
        const char kind = key[p];
        const std::size_t nul = key.find('\0', p + 1);
        if ((kind != 'a' && kind != 'b' && kind != 'c') || nul >= end)
            corrupt(page, where + ": key field " + std::to_string(fields.size()) + " is malformed");
        fields.emplace_back(kind, std::string_view(key).substr(p + 1, nul - p - 1));
        p = nul + 1;
    }
    return fields;
}

class IndexChecker {
public:
    IndexChecker(const IndexDefinition& index, const Table& table, const std::vector<Row>& rows)
        : m_label("index " + inQuotes(index.name)), m_table(table), m_rows(rows),
          m_seen(rows.size(), false)
    {
        if (!index.sql)
            return;
        try {
            for (const std::string& name : parseCreateIndex(*index.sql)) {
                int found = -1;
                for (std::size_t c = 0; c < table.columns.size(); ++c)
                    if (equalsIgnoreCase(table.columns[c].name, name))
                        found = static_cast<int>(c);
                m_columns.push_back(found);
            }
            m_known = true;
        } catch (const Error&) {
            // An index text we cannot take apart still has its row keys checked.
        }
    }

    void entry(TreeWalker& walker, std::uint32_t page, const TreeWalker::Cell& cell)
    {
        const std::string where = m_label + " entry at offset " + std::to_string(cell.offset);
        if (cell.dataSize != 0 || cell.keySize <= TableKeySize)
            corrupt(page, where + " has a key of " + std::to_string(cell.keySize) +
                              " bytes and data of " + std::to_string(cell.dataSize) +
                              "; index entries are a key alone");
        const std::string key = walker.payload(page, cell);
        if (!m_previous.empty() && !(m_previous < key))
            corrupt(page, where + " is out of key order");

        const std::vector<KeyField> fields = keyFields(page, where, key);
        const std::int32_t rowid = rowidFromKey(reinterpret_cast<const std::uint8_t*>(key.data()) +
                                                key.size() - TableKeySize);
        const auto row =
            std::lower_bound(m_rows.begin(), m_rows.end(), rowid,
                             [](const Row& r, std::int32_t id) { return r.rowid < id; });
        const std::string ofRow = "rowid " + std::to_string(rowid);
        if (row == m_rows.end() || row->rowid != rowid)
            corrupt(page, where + " stands for " + ofRow + ", which table " +
                              inQuotes(m_table.name) + " does not hold");
        const auto n = static_cast<std::size_t>(row - m_rows.begin());
        if (m_seen[n])
            corrupt(page, where + " is a second entry for " + ofRow);
        m_seen[n] = true;
        m_previous = key;
        if (m_known)
            compareFields(page, where, ofRow, *row, fields);
    }

    // Every row of the table must have had its entry.
    void finish(std::uint32_t root) const
    {
        for (std::size_t n = 0; n < m_rows.size(); ++n)
            if (!m_seen[n])
                corrupt(root, m_label + " has no entry for rowid " +
                                  std::to_string(m_rows[n].rowid) + " of table " +
                                  inQuotes(m_table.name));
    }

private:
    void compareFields(std::uint32_t page, const std::string& where, const std::string& ofRow,
                       const Row& row, const std::vector<KeyField>& fields) const
    {
        if (fields.size() != m_columns.size())
            corrupt(page, where + " has " +
                              std::to_string(fields.size()) + " fields; the index has " +
                              std::to_string(m_columns.size()) + " columns");
        for (std::size_t k = 0; k < fields.size(); ++k) {
            if (m_columns[k] < 0)
                continue;
            const auto column = static_cast<std::size_t>(m_columns[k]);
            const auto& value = row.values[column];
            const auto [kind, text] = fields[k];
            const bool agrees = kind == 'a'   ? !value
                                : kind == 'c' ? value && *value == text
                                              : value.has_value();
            if (agrees)
                continue;
            const std::optional<std::string_view> inTable =
                value ? std::optional<std::string_view>(*value) : std::nullopt;
            const std::optional<std::string_view> inIndex =
                kind == 'a' ? std::nullopt : std::optional<std::string_view>(text);
            corrupt(page, where + ": column " + m_table.columns[column].name + " of " + ofRow + " is " +
                              shownField(inTable) + " in the table but " + shownField(inIndex) +
                              " in the index");
        }
    }

    std::string m_label;
    const Table& m_table;
    const std::vector<Row>& m_rows;
    std::vector<int> m_columns;  // table column of each key field, -1 for a name it lacks
    bool m_known = false;        // whether m_columns could be read from the CREATE text
    std::vector<bool> m_seen;
    std::string m_previous;
};

}  // namespace

void checkIndex(TreeWalker& walker, const IndexDefinition& index, const Table& table,
                const std::vector<Row>& rows)
{
    IndexChecker checker(index, table, rows);
    walker.walk(index.root, [&](std::uint32_t page, const TreeWalker::Cell& cell) {
        checker.entry(walker, page, cell);
    });
    checker.finish(index.root);
}

}  // namespace kelvara::sqlite2::detail
